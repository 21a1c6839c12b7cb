// The JPEG probe on arbitrary bytes. The probe reads a named file, so each input is put in an in-memory file
// (memfd) and probed through its /proc path: no disk traffic, and the probe's own open, reads and seeks run.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "jpeg2pdf2/jpeg_probe.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const int fd = ::memfd_create("probe-input", MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ::ftruncate(fd, 0) != 0 || (size > 0 && ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))) {
        std::abort();
    }
    std::int32_t width = -1;
    std::int32_t height = -1;
    bool cmyk = false;
    if (qm::GetInfosJPG(path, width, height, cmyk) && (width < 0 || width > 65535 || height < 0 || height > 65535)) {
        std::abort(); // sizes come from 16-bit fields
    }
    return 0;
}

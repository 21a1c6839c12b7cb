#include "files/fd_io.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace qm {

void WriteAll(int fd, const void* data, std::size_t size, const std::string& path) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            throw std::runtime_error("Cannot write file \"" + path + "\". " + std::strerror(written < 0 ? errno : EIO));
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
}

} // namespace qm

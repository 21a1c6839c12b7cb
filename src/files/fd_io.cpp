#include "files/fd_io.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace qm {

std::string ShownPath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

int WriteFully(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return written < 0 ? errno : ENOSPC;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

void WriteAll(int fd, const void* data, std::size_t size, const std::string& path) {
    if (const int error = WriteFully(fd, data, size); error != 0) {
        throw std::runtime_error("Cannot write file \"" + ShownPath(path) + "\". " + std::strerror(error));
    }
}

} // namespace qm

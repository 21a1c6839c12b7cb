#include "book/archive_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {
[[noreturn]] void ThrowCannotOpen(const std::string& path, int error) {
    throw std::runtime_error("Cannot open file \"" + path + "\". " + std::strerror(error));
}
} // namespace

ArchiveFile::ArchiveFile(std::string path) : path_(std::move(path)) {
    // O_NONBLOCK keeps a named pipe from blocking the open; it changes nothing for a regular file.
    fd_.Reset(::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd_.Valid()) {
        ThrowCannotOpen(path_, errno);
    }
    struct stat info {};
    if (::fstat(fd_.Get(), &info) != 0) {
        ThrowCannotOpen(path_, errno);
    }
    // open() succeeds on a folder; reading it would fail later with a less helpful text.
    if (S_ISDIR(info.st_mode)) {
        ThrowCannotOpen(path_, EISDIR);
    }
    size_ = static_cast<std::uint64_t>(info.st_size);
    ::posix_fadvise(fd_.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
}

std::size_t ArchiveFile::ReadAt(std::uint64_t offset, std::span<unsigned char> out) const {
    std::size_t done = 0;
    while (done < out.size() && offset + done < size_) {
        const ssize_t n = ::pread(fd_.Get(), out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw std::runtime_error("Cannot read \"" + path_ + "\": " + std::strerror(errno));
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

} // namespace qm

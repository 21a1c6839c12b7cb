#include "jpeg2pdf2/file_handle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace qm {

FileHandle::~FileHandle() {
    Close();
}

FileHandle::FileHandle(FileHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

bool FileHandle::Close() {
    if (fd_ < 0) {
        return true;
    }
    // Linux releases the descriptor even when close fails, so it is never closed a second time.
    const int result = ::close(std::exchange(fd_, -1));
    return result == 0;
}

FileHandle OpenRegularFile(const std::string& path, std::uint64_t& size) {
    if (path.empty()) {
        return {};
    }
    FileHandle file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (!file.valid() || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return {};
    }
    size = static_cast<std::uint64_t>(info.st_size);
    return file;
}

} // namespace qm

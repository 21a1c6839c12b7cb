#pragma once

#include <cstdint>
#include <string>

namespace qm {

// Owns a POSIX file descriptor and closes it when it goes out of scope, so that every path out of the probe
// and the writer, an exception included, releases its files.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) = delete;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool valid() const { return fd_ >= 0; }
    int get() const { return fd_; }
    // Closes the descriptor now. False, with errno set, when the system reports an error on closing (a write
    // that the file system had deferred may fail only then).
    bool Close();

private:
    int fd_ = -1;
};

// Opens `path` for reading when it names a regular file (symbolic links followed) and stores its size in
// `size`; an invalid handle otherwise. The open does not block, so a FIFO put where a page was expected
// cannot stall the caller; anything but a regular file is refused, since a probe or a copy of it would have
// no size and no end to rely on.
FileHandle OpenRegularFile(const std::string& path, std::uint64_t& size);

} // namespace qm

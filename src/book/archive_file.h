#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "files/unique_fd.h"

namespace qm {

// An archive opened for reading at any offset (pread), so that readers never share a file position.
class ArchiveFile {
public:
    // Throws std::runtime_error `Cannot open file "<path>". <system reason>` when the file cannot be opened
    // or is not a regular file.
    explicit ArchiveFile(std::string path);

    const std::string& Path() const { return path_; }
    std::uint64_t Size() const { return size_; }

    // Reads up to out.size() bytes at `offset`; fewer only at the end of the file. Throws std::runtime_error
    // naming the archive when the system reports a read error.
    std::size_t ReadAt(std::uint64_t offset, std::span<unsigned char> out) const;

private:
    std::string path_;
    UniqueFd fd_;
    std::uint64_t size_ = 0;
};

} // namespace qm

#pragma once

#include "files/unique_fd.h"

#include <cstdint>
#include <string>

namespace qm {

// Opens `path` for reading when it names a regular file (symbolic links followed) and stores its size in
// `size`; an invalid descriptor otherwise. The open does not block, so a FIFO put where a file was expected
// cannot stall the caller; anything but a regular file is refused, since a read of it would have no size and
// no end to rely on.
UniqueFd OpenRegularFile(const std::string& path, std::uint64_t& size);

// True when both paths exist and lead to the same file: the same path, a hard link or a symbolic link.
bool SameFile(const std::string& first, const std::string& second);

} // namespace qm

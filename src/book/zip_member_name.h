#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qm {

// A member name as UTF-8: the stored bytes as they are when the member is flagged UTF-8 (general-purpose
// bit 11), else read as code page 437, the code page of ZIP tools that do not set that flag.
std::string DecodeZipMemberName(std::string_view raw, bool utf8);

// Where a member goes below the extraction folder.
struct ZipMemberPath {
    // The folders on the way and, unless `folderOnly`, the file's own name last.
    std::vector<std::string> parts;
    // The name ends in a separator (or "."): the member only creates its folder.
    bool folderOnly = false;
};

// The most folders and file name a member's path may have.
inline constexpr std::size_t kMaxZipMemberDepth = 64;

// Splits a decoded name at "/" and "\" (both are separators in ZIP names), dropping empty and "." parts.
// Throws std::runtime_error with the reason when the name would leave the extraction folder or cannot be a
// path: an absolute name (leading separator or drive letter), a ".." part, a NUL character, an empty name,
// more than kMaxZipMemberDepth parts.
ZipMemberPath SplitZipMemberName(std::string_view name);

} // namespace qm

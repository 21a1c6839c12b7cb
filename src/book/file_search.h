#pragma once

#include <string>

namespace qm {

// Depth-first search below `folder` for the first file whose name, with A-Z lowered, contains `pattern`
// (given in lower case). Entries are taken in the order the file system returns them, and a subfolder is
// searched completely as soon as the enumeration reaches it. Links are neither followed nor matched.
// Returns the file's path (folder + "/" + name) or "" when none matches; `found` tells which.
std::string FindFileByPattern(const std::string& folder, const std::string& pattern, bool& found);

// The file-name part of `path` up to the first occurrence of the path's extension in it:
// "/books/Alice.epub" -> "Alice", "/books/a.epub.b.epub" -> "a", "/books/README" -> "".
std::string FileNameWithoutExt(const std::string& path);

// The folder part of `path` with its trailing "/" ("" when the path has no folder part).
std::string ExtractFilePath(const std::string& path);

} // namespace qm

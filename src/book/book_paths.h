#pragma once

#include <string>

namespace qm {

// Helpers for the relative paths (hrefs) that EPUB files use between each other.

// Joins `href` to `baseFolder` (both relative, "/"-separated; the folder empty or ending in "/") and removes
// "." and ".." segments. A ".." that would climb above the top is kept, so the result never silently points
// somewhere else. A fragment or query stays attached.
std::string ResolveHref(const std::string& baseFolder, const std::string& href);

// The folder part of a relative href, with its trailing "/" ("" for a plain file name).
std::string HrefFolder(const std::string& href);

// The value of a hexadecimal digit (either letter case), or -1 for any other character.
int HexValue(char c);

// Decodes %XX escapes (as a file name on disk is spelled); malformed escapes stay as written.
std::string PercentDecode(const std::string& text);

// True when the file path `relative` names a place below the folder it is relative to: not absolute, no ".."
// that climbs above the top. Every character is taken as part of the path ("?" and "#" included).
bool StaysInside(const std::string& relative);

} // namespace qm

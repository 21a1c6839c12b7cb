#pragma once

#include <string>

namespace qm {

// What the unpacked book's META-INF/container.xml says: the package file it names first, relative to the book's
// top folder (`tempDir`), or why there is none: the container cannot be read, names no package file, or names
// one outside the book (`problem`, which quotes what the book wrote only so far).
struct PackageRoot {
    std::string path;
    std::string problem;
};
PackageRoot ReadContainerFile(const std::string& tempDir);

// The container's place in a book.
inline constexpr const char* kContainerPath = "META-INF/container.xml";

} // namespace qm

#pragma once

#include <cstdint>
#include <string>

namespace qm {

// What an archive may ask for before anything of it is written.
struct ZipLimits {
    std::uint64_t maxMembers = 100000;
    std::uint64_t maxMemberSize = 1ull << 30; // declared uncompressed bytes of one member
    std::uint64_t maxTotalSize = 4ull << 30;  // declared uncompressed bytes of all members together
};

// Extracts every member of the ZIP file `archive` below the existing folder `destination`, in central-directory
// order: stored and deflated members, names with "/" or "\" as separators, folders created on the way, an
// existing file replaced (of two members with the same name the later wins). Members are streamed to disk in
// fixed-size chunks, whatever their size.
//
// Before anything is written, the whole directory is checked: the limits, and every name (an absolute name or
// one with a ".." part is refused). Nothing is ever written outside `destination` and no link is created or
// followed below it.
//
// Throws std::runtime_error on failure; members extracted before the failing one stay, a member that fails
// half-way is removed. Each text names the archive; those of an unreadable container end with the short text
// that the open command has always shown for it, in brackets:
//   `Cannot open file "<archive>". <system reason>`    the archive cannot be opened
//   `"<archive>" is empty, not a ZIP archive (Stream read error)`
//   `"<archive>" is not a ZIP archive, or it is cut short (Error reading zip file)`
//                                                      no end-of-central-directory record
//   `"<archive>" is a damaged ZIP archive: its list of members cannot be read (Invalid Zip Central Header
//   signature)`                                        a damaged central-directory entry
//   `"<archive>" is a damaged ZIP archive: the header of its member "<member>" is damaged (Invalid Zip Local
//   Header signature)`                                 a damaged local header
//   `Cannot extract "<member>" from "<archive>": ...`  anything else about one member (unsafe name, method,
//                                                      damaged or oversized data, CRC-32, disk full, ...)
//   `Cannot extract "<archive>": ...`                  anything else about the whole archive (limits, folder)
void ExtractZip(const std::string& archive, const std::string& destination, const ZipLimits& limits = {});

} // namespace qm

#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "book/archive_file.h"

namespace qm {

// Where the central directory lies and how many members it lists.
struct ZipEndRecord {
    std::uint64_t memberCount = 0;
    std::uint64_t directoryOffset = 0;
    // The directory cannot reach past this offset: the start of the end records that follow it.
    std::uint64_t directoryLimit = 0;
};

// One member as its central-directory entry describes it; sizes and offset already taken from the Zip64 extra
// field where the 32-bit fields are saturated. The extractor trusts these, never the local header's copies:
// with a data descriptor (flag bit 3) those are zero, and the directory always holds the real values.
struct ZipEntry {
    std::string rawName;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t crc32 = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint64_t localHeaderOffset = 0;
};

// Finds the end-of-central-directory record, searching back over the archive comment, and follows the Zip64
// locator when there is one. Throws std::runtime_error `"<archive>" is empty, not a ZIP archive (Stream read
// error)` for an empty file and `"<archive>" is not a ZIP archive, or it is cut short (Error reading zip file)`
// when there is no end record (or its Zip64 counterpart is damaged).
ZipEndRecord ReadZipEndRecord(const ArchiveFile& archive);

// The members of the central directory in directory order. Throws std::runtime_error `"<archive>" is a damaged
// ZIP archive: its list of members cannot be read (Invalid Zip Central Header signature)` when an entry is
// missing, cut short or damaged.
std::vector<ZipEntry> ReadZipDirectory(const ArchiveFile& archive, const ZipEndRecord& end);

} // namespace qm

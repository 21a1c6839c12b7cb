#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qm {

// One member of an archive to build. The defaults give an ordinary deflated member; the other fields make the
// variants and the damage that tests need.
struct ZipMember {
    std::string name; // stored as these bytes, unchanged
    std::string data; // the member's content, uncompressed
    // 0 stores, 8 deflates (zlib); any other method is written as it is, with `data` stored under it.
    std::uint16_t method = 8;
    bool utf8Name = false;       // general-purpose bit 11
    bool dataDescriptor = false; // general-purpose bit 3: zero CRC and sizes in the local header, a descriptor after
    // Sizes and local header offset go to Zip64 extra fields, with 0xFFFFFFFF in the 32-bit fields. Chosen
    // automatically for a member whose numbers do not fit 32 bits.
    bool zip64 = false;
    std::uint16_t versionMadeBy = 20;     // high byte: host system (3 = Unix)
    std::uint32_t externalAttributes = 0; // with a Unix host: the mode in the high 16 bits

    // Damage, for tests of the reader.
    std::optional<std::string> rawData;                  // written as the member's data instead of the encoding
    std::optional<std::uint32_t> declaredCrc;            // instead of the CRC-32 of `data`
    std::optional<std::uint64_t> declaredSize;           // uncompressed size in the headers, instead of data.size()
    std::optional<std::uint64_t> declaredCompressedSize; // instead of the size of the written data
    bool badLocalSignature = false;
    bool badCentralSignature = false;
};

// An ordinary member: `data` under `name`, deflated unless `method` says otherwise.
ZipMember ZipEntry(std::string name, std::string data, std::uint16_t method = 8);

struct ZipOptions {
    std::string comment;
    // Writes the Zip64 end-of-central-directory record and locator, with saturated fields in the classic end
    // record. Chosen automatically when the count or an offset does not fit the classic record.
    bool zip64EndRecords = false;
};

// The bytes of an archive holding `members` in this order; the central directory lists them in the same order.
// Throws std::runtime_error when zlib fails.
std::string BuildZip(const std::vector<ZipMember>& members, const ZipOptions& options = {});

// Builds the archive and writes it to `path`, replacing the file. Throws std::runtime_error naming the path when it
// cannot be written.
void WriteZipFile(const std::string& path, const std::vector<ZipMember>& members, const ZipOptions& options = {});

} // namespace qm

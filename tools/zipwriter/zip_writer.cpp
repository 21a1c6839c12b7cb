#include "zipwriter/zip_writer.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <zlib.h>

namespace qm {

namespace {

constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kDescriptorSignature = 0x08074b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kBrokenSignature = 0x0badf00d;
constexpr std::uint32_t kMax32 = 0xFFFFFFFF;
constexpr std::uint16_t kMax16 = 0xFFFF;
// 2020-01-01 00:00, in MS-DOS form: a fixed stamp keeps built archives identical from run to run.
constexpr std::uint16_t kDosTime = 0;
constexpr std::uint16_t kDosDate = (40 << 9) | (1 << 5) | 1;

void Put16(std::string& out, std::uint64_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8 & 0xFF);
}
void Put32(std::string& out, std::uint64_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16 & 0xFFFF);
}
void Put64(std::string& out, std::uint64_t value) {
    Put32(out, value & kMax32);
    Put32(out, value >> 32);
}

std::string Deflate(const std::string& data) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("zip writer: deflateInit2 failed");
    }
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&stream, Z_FINISH);
    deflateEnd(&stream);
    if (result != Z_STREAM_END) {
        throw std::runtime_error("zip writer: deflate failed");
    }
    out.resize(stream.total_out);
    return out;
}

// What the headers of one member say, once its data is encoded.
struct MemberFacts {
    std::string payload;
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t offset = 0;
    std::uint16_t flags = 0;
    bool zip64 = false;
};

MemberFacts Encode(const ZipMember& member, std::uint64_t offset) {
    MemberFacts facts;
    if (member.rawData) {
        facts.payload = *member.rawData;
    } else if (member.method == 8) {
        facts.payload = Deflate(member.data);
    } else {
        facts.payload = member.data;
    }
    const uLong crc = crc32_z(0, reinterpret_cast<const Bytef*>(member.data.data()), member.data.size());
    facts.crc = member.declaredCrc.value_or(static_cast<std::uint32_t>(crc));
    facts.size = member.declaredSize.value_or(member.data.size());
    facts.compressedSize = member.declaredCompressedSize.value_or(facts.payload.size());
    facts.offset = offset;
    facts.flags = static_cast<std::uint16_t>((member.utf8Name ? 0x0800 : 0) | (member.dataDescriptor ? 0x0008 : 0));
    facts.zip64 = member.zip64 || facts.size >= kMax32 || facts.compressedSize >= kMax32 || offset >= kMax32;
    return facts;
}

// The Zip64 extra field: in the local header it holds both sizes (zero when a data descriptor follows); in the
// central directory also the offset.
std::string Zip64Extra(const MemberFacts& facts, bool central, bool descriptor) {
    std::string extra;
    Put16(extra, 0x0001);
    Put16(extra, central ? 24 : 16);
    Put64(extra, descriptor ? 0 : facts.size);
    Put64(extra, descriptor ? 0 : facts.compressedSize);
    if (central) {
        Put64(extra, facts.offset);
    }
    return extra;
}

std::uint16_t VersionNeeded(const MemberFacts& facts) {
    return facts.zip64 ? 45 : 20;
}

void AppendLocal(std::string& out, const ZipMember& member, const MemberFacts& facts) {
    const bool descriptor = member.dataDescriptor;
    const std::string extra = facts.zip64 ? Zip64Extra(facts, false, descriptor) : std::string();
    Put32(out, member.badLocalSignature ? kBrokenSignature : kLocalSignature);
    Put16(out, VersionNeeded(facts));
    Put16(out, facts.flags);
    Put16(out, member.method);
    Put16(out, kDosTime);
    Put16(out, kDosDate);
    Put32(out, descriptor ? 0 : facts.crc);
    Put32(out, facts.zip64 ? kMax32 : descriptor ? 0 : facts.compressedSize);
    Put32(out, facts.zip64 ? kMax32 : descriptor ? 0 : facts.size);
    Put16(out, member.name.size());
    Put16(out, extra.size());
    out += member.name;
    out += extra;
    out += facts.payload;
    if (descriptor) {
        Put32(out, kDescriptorSignature);
        Put32(out, facts.crc);
        if (facts.zip64) {
            Put64(out, facts.compressedSize);
            Put64(out, facts.size);
        } else {
            Put32(out, facts.compressedSize);
            Put32(out, facts.size);
        }
    }
}

void AppendCentral(std::string& out, const ZipMember& member, const MemberFacts& facts) {
    const std::string extra = facts.zip64 ? Zip64Extra(facts, true, false) : std::string();
    Put32(out, member.badCentralSignature ? kBrokenSignature : kCentralSignature);
    Put16(out, member.versionMadeBy);
    Put16(out, VersionNeeded(facts));
    Put16(out, facts.flags);
    Put16(out, member.method);
    Put16(out, kDosTime);
    Put16(out, kDosDate);
    Put32(out, facts.crc);
    Put32(out, facts.zip64 ? kMax32 : facts.compressedSize);
    Put32(out, facts.zip64 ? kMax32 : facts.size);
    Put16(out, member.name.size());
    Put16(out, extra.size());
    Put16(out, 0); // comment
    Put16(out, 0); // disk
    Put16(out, 0); // internal attributes
    Put32(out, member.externalAttributes);
    Put32(out, facts.zip64 ? kMax32 : facts.offset);
    out += member.name;
    out += extra;
}

void AppendEndRecords(std::string& out, std::uint64_t count, std::uint64_t directoryOffset, const ZipOptions& options) {
    const std::uint64_t directorySize = out.size() - directoryOffset;
    const bool zip64 = options.zip64EndRecords || count >= kMax16 || directoryOffset >= kMax32;
    if (zip64) {
        const std::uint64_t recordOffset = out.size();
        Put32(out, kZip64EndSignature);
        Put64(out, 44); // size of the rest of the record
        Put16(out, 45);
        Put16(out, 45);
        Put32(out, 0);
        Put32(out, 0);
        Put64(out, count);
        Put64(out, count);
        Put64(out, directorySize);
        Put64(out, directoryOffset);
        Put32(out, kZip64LocatorSignature);
        Put32(out, 0);
        Put64(out, recordOffset);
        Put32(out, 1);
    }
    Put32(out, kEndSignature);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, zip64 ? kMax16 : count);
    Put16(out, zip64 ? kMax16 : count);
    Put32(out, zip64 ? kMax32 : directorySize);
    Put32(out, zip64 ? kMax32 : directoryOffset);
    Put16(out, options.comment.size());
    out += options.comment;
}

} // namespace

std::string BuildZip(const std::vector<ZipMember>& members, const ZipOptions& options) {
    std::string out;
    std::vector<MemberFacts> facts;
    facts.reserve(members.size());
    for (const ZipMember& member : members) {
        facts.push_back(Encode(member, out.size()));
        AppendLocal(out, member, facts.back());
        facts.back().payload.clear();
    }
    const std::uint64_t directoryOffset = out.size();
    for (std::size_t i = 0; i < members.size(); ++i) {
        AppendCentral(out, members[i], facts[i]);
    }
    AppendEndRecords(out, members.size(), directoryOffset, options);
    return out;
}

void WriteZipFile(const std::string& path, const std::vector<ZipMember>& members, const ZipOptions& options) {
    const std::string bytes = BuildZip(members, options);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        throw std::runtime_error("zip writer: cannot write \"" + path + "\": " + std::strerror(errno));
    }
}

ZipMember ZipEntry(std::string name, std::string data, std::uint16_t method) {
    ZipMember member;
    member.name = std::move(name);
    member.data = std::move(data);
    member.method = method;
    return member;
}

} // namespace qm

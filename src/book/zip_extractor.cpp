#include "book/zip_extractor.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <span>
#include <stdexcept>
#include <unistd.h>
#include <vector>
#include <zlib.h>

#include "book/archive_file.h"
#include "book/extraction_folder.h"
#include "book/zip_directory.h"
#include "book/zip_format.h"
#include "book/zip_member_name.h"
#include "files/fd_io.h"

namespace qm {

namespace {

// Big enough that large members move in few system calls, small enough that memory stays flat.
constexpr std::size_t kInputChunk = 1 << 20;
constexpr std::size_t kOutputChunk = 1 << 20;
// Room for a local extra field when the first read also fetches a small member's data.
constexpr std::size_t kLocalExtraAllowance = 1024;

struct PlannedMember {
    const ZipEntry* entry;
    std::string name;
    ZipMemberPath path;
};

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// A member name as a message shows it: control characters (a NUL would cut the message short) as \xNN.
std::string Printable(const std::string& name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string shown;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            shown += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
        } else {
            shown += c;
        }
    }
    return shown;
}

[[noreturn]] void ThrowArchiveError(const std::string& archive, const std::string& reason) {
    throw std::runtime_error("Cannot extract " + Quoted(archive) + ": " + reason);
}

[[noreturn]] void ThrowMemberError(const std::string& archive, const std::string& member, const std::string& reason) {
    throw std::runtime_error("Cannot extract " + Quoted(Printable(member)) + " from " + Quoted(archive) + ": " +
                             reason);
}

// Decodes and checks every name and the declared sizes, so that an archive that breaks a limit or names a
// place outside the folder is refused before its first byte is written.
std::vector<PlannedMember> PlanExtraction(const std::string& archive, const std::vector<ZipEntry>& entries,
                                          const ZipLimits& limits) {
    std::vector<PlannedMember> plan;
    plan.reserve(entries.size());
    std::uint64_t total = 0;
    for (const ZipEntry& entry : entries) {
        std::string name = DecodeZipMemberName(entry.rawName, (entry.flags & zip::kFlagUtf8) != 0);
        if (entry.uncompressedSize > limits.maxMemberSize) {
            ThrowMemberError(archive, name,
                             "it declares " + std::to_string(entry.uncompressedSize) +
                                 " bytes, more than the limit of " + std::to_string(limits.maxMemberSize) +
                                 " bytes for one member");
        }
        if (entry.uncompressedSize > limits.maxTotalSize - total) {
            ThrowArchiveError(archive, "its members declare more than the limit of " +
                                           std::to_string(limits.maxTotalSize) + " bytes in total");
        }
        total += entry.uncompressedSize;
        ZipMemberPath path;
        try {
            path = SplitZipMemberName(name);
        } catch (const std::runtime_error& e) {
            ThrowMemberError(archive, name, e.what());
        }
        plan.push_back({&entry, std::move(name), std::move(path)});
    }
    return plan;
}

// Streams members from the archive to their files; holds the buffers and the inflate state that all members
// share.
class MemberWriter {
public:
    MemberWriter(const ArchiveFile& archive, ExtractionFolder& folder)
        : archive_(archive), folder_(folder), input_(kInputChunk), output_(kOutputChunk) {
        if (inflateInit2(&stream_, -MAX_WBITS) != Z_OK) {
            throw std::runtime_error("Cannot extract " + Quoted(archive.Path()) + ": zlib cannot be set up");
        }
    }
    ~MemberWriter() { inflateEnd(&stream_); }
    MemberWriter(const MemberWriter&) = delete;
    MemberWriter& operator=(const MemberWriter&) = delete;

    void Extract(const PlannedMember& member);

private:
    [[noreturn]] void Fail(const std::string& reason) const {
        ThrowMemberError(archive_.Path(), member_->name, reason);
    }

    // Checks the local header and returns the offset of the member's data in the archive; leaves in `input_` the
    // first bytes of the data when the read that fetched the header reached them.
    std::uint64_t ReadLocalHeader();
    std::span<const unsigned char> NextInput();
    void CopyStored();
    void Inflate();
    void Emit(std::span<const unsigned char> bytes);
    void WriteAll(std::span<const unsigned char> bytes);

    const ArchiveFile& archive_;
    ExtractionFolder& folder_;
    std::vector<unsigned char> input_;
    std::vector<unsigned char> output_;
    z_stream stream_{};

    // The member being extracted.
    const PlannedMember* member_ = nullptr;
    UniqueFd file_;
    std::span<const unsigned char> buffered_; // data bytes already read along with the local header
    std::uint64_t inputOffset_ = 0;           // next data byte to read from the archive
    std::uint64_t inputLeft_ = 0;             // data bytes not yet handed out
    std::uint64_t written_ = 0;
    uLong crc_ = 0;
};

std::uint64_t MemberWriter::ReadLocalHeader() {
    const ZipEntry& entry = *member_->entry;
    const std::uint64_t data =
        member_->path.folderOnly ? 0 : std::min<std::uint64_t>(entry.compressedSize, kInputChunk);
    const std::uint64_t wanted = zip::kLocalHeaderSize + entry.rawName.size() + kLocalExtraAllowance + data;
    const std::size_t got =
        archive_.ReadAt(entry.localHeaderOffset, std::span(input_).first(std::min<std::uint64_t>(wanted, kInputChunk)));
    const std::span<const unsigned char> header(input_.data(), got);
    if (got < zip::kLocalHeaderSize || zip::Le32(header, 0) != zip::kLocalHeaderSignature) {
        throw std::runtime_error(Quoted(archive_.Path()) + " is a damaged ZIP archive: the header of its member " +
                                 Quoted(Printable(member_->name)) + " is damaged (Invalid Zip Local Header signature)");
    }
    const std::uint64_t dataStart = zip::kLocalHeaderSize + zip::Le16(header, 26) + zip::Le16(header, 28);
    if (dataStart < got) {
        buffered_ = header.subspan(dataStart);
    } else {
        buffered_ = {};
    }
    return entry.localHeaderOffset + dataStart;
}

// The member's next bytes of (compressed) data, at most what the directory declares.
std::span<const unsigned char> MemberWriter::NextInput() {
    std::span<const unsigned char> chunk;
    if (!buffered_.empty()) {
        chunk = buffered_.first(std::min<std::uint64_t>(buffered_.size(), inputLeft_));
        buffered_ = {};
    } else {
        const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(inputLeft_, input_.size()));
        const std::size_t got = archive_.ReadAt(inputOffset_, std::span(input_).first(size));
        if (got < size) {
            Fail("the archive ends inside its data");
        }
        chunk = std::span(input_).first(got);
    }
    inputOffset_ += chunk.size();
    inputLeft_ -= chunk.size();
    return chunk;
}

void MemberWriter::WriteAll(std::span<const unsigned char> bytes) {
    if (const int error = WriteFully(file_.Get(), bytes.data(), bytes.size()); error != 0) {
        Fail("writing failed: " + FileSystemReason(error));
    }
}

// Never writes beyond the size the directory declares: an archive that lies about a size cannot make the
// extraction fill the disk.
void MemberWriter::Emit(std::span<const unsigned char> bytes) {
    const std::uint64_t declared = member_->entry->uncompressedSize;
    if (bytes.size() > declared - written_) {
        Fail("its data is longer than the " + std::to_string(declared) + " bytes its directory entry declares");
    }
    crc_ = crc32(crc_, bytes.data(), static_cast<uInt>(bytes.size()));
    written_ += bytes.size();
    WriteAll(bytes);
}

void MemberWriter::CopyStored() {
    while (inputLeft_ > 0) {
        Emit(NextInput());
    }
}

void MemberWriter::Inflate() {
    inflateReset(&stream_);
    stream_.avail_in = 0;
    while (true) {
        if (stream_.avail_in == 0 && inputLeft_ > 0) {
            const auto chunk = NextInput();
            stream_.next_in = const_cast<Bytef*>(chunk.data());
            stream_.avail_in = static_cast<uInt>(chunk.size());
        }
        stream_.next_out = output_.data();
        stream_.avail_out = static_cast<uInt>(output_.size());
        const int result = inflate(&stream_, Z_NO_FLUSH);
        if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
            Fail(std::string("its compressed data is damaged (") + (stream_.msg ? stream_.msg : "zlib error") + ")");
        }
        Emit(std::span(output_).first(output_.size() - stream_.avail_out));
        if (result == Z_STREAM_END) {
            return;
        }
        // No progress with every input byte used: the deflate stream stops before its end.
        if (result == Z_BUF_ERROR) {
            Fail("its compressed data ends before the end of the stream");
        }
    }
}

void MemberWriter::Extract(const PlannedMember& member) {
    member_ = &member;
    const ZipEntry& entry = *member.entry;
    const std::uint64_t dataOffset = ReadLocalHeader();
    const auto& parts = member.path.parts;
    auto inFolder = [&](auto&& action) {
        try {
            return action();
        } catch (const std::runtime_error& e) {
            Fail(e.what());
        }
    };
    if (member.path.folderOnly) {
        inFolder([&] { folder_.CreateFolders(parts); });
        return;
    }
    if ((entry.flags & zip::kFlagEncrypted) != 0) {
        Fail("it is encrypted");
    }
    if (entry.method != zip::kMethodStored && entry.method != zip::kMethodDeflated) {
        Fail("unsupported compression method " + std::to_string(entry.method));
    }
    if (entry.method == zip::kMethodStored && entry.compressedSize != entry.uncompressedSize) {
        Fail("it is stored, yet its directory entry declares " + std::to_string(entry.compressedSize) +
             " bytes stored for " + std::to_string(entry.uncompressedSize));
    }
    if (dataOffset > archive_.Size() || entry.compressedSize > archive_.Size() - dataOffset) {
        Fail("the archive ends inside its data");
    }
    inputOffset_ = dataOffset;
    inputLeft_ = entry.compressedSize;
    written_ = 0;
    crc_ = crc32(0, nullptr, 0);

    // Unix link members are written as ordinary files holding the link's target text, as on the systems that
    // do not know links: a book needs none, refusing them would reject whole books zipped with links kept, and
    // a real link could lead the files after it out of the folder.
    file_ = inFolder([&] { return folder_.CreateFile(parts); });
    try {
        if (entry.method == zip::kMethodStored) {
            CopyStored();
        } else {
            Inflate();
        }
        if (written_ < entry.uncompressedSize) {
            Fail("its data holds " + std::to_string(written_) + " bytes, fewer than the " +
                 std::to_string(entry.uncompressedSize) + " bytes its directory entry declares");
        }
        if (crc_ != entry.crc32) {
            Fail("its data does not match its CRC-32: the archive is damaged");
        }
        if (file_.Reset() != 0) {
            Fail("writing failed: " + FileSystemReason(errno));
        }
    } catch (...) {
        file_.Reset();
        folder_.RemoveFile(parts);
        throw;
    }
}

} // namespace

void ExtractZip(const std::string& archive, const std::string& destination, const ZipLimits& limits) {
    const ArchiveFile file(archive);
    const ZipEndRecord end = ReadZipEndRecord(file);
    if (end.memberCount > limits.maxMembers) {
        ThrowArchiveError(archive, "it lists " + std::to_string(end.memberCount) + " members, more than the limit of " +
                                       std::to_string(limits.maxMembers));
    }
    const std::vector<ZipEntry> entries = ReadZipDirectory(file, end);
    const std::vector<PlannedMember> plan = PlanExtraction(archive, entries, limits);

    std::optional<ExtractionFolder> folder;
    try {
        folder.emplace(destination);
    } catch (const std::runtime_error& e) {
        ThrowArchiveError(archive, e.what());
    }
    MemberWriter writer(file, *folder);
    for (const PlannedMember& member : plan) {
        writer.Extract(member);
    }
}

} // namespace qm

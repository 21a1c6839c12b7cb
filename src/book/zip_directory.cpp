#include "book/zip_directory.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "book/zip_format.h"

namespace qm {

namespace {

constexpr std::uint16_t kSaturated16 = 0xFFFF;
constexpr std::uint32_t kSaturated32 = 0xFFFFFFFF;
constexpr std::size_t kMaxCommentSize = 0xFFFF;

// The texts name the archive and say in words what is wrong with it; the ZIP reader's short text for the fault
// follows in brackets.
std::string Quoted(const ArchiveFile& archive) {
    return "\"" + archive.Path() + "\"";
}
[[noreturn]] void ThrowEmpty(const ArchiveFile& archive) {
    throw std::runtime_error(Quoted(archive) + " is empty, not a ZIP archive (Stream read error)");
}
[[noreturn]] void ThrowNotZip(const ArchiveFile& archive) {
    throw std::runtime_error(Quoted(archive) + " is not a ZIP archive, or it is cut short (Error reading zip file)");
}
[[noreturn]] void ThrowBadCentralHeader(const ArchiveFile& archive) {
    throw std::runtime_error(Quoted(archive) +
                             " is a damaged ZIP archive: its list of members cannot be read (Invalid Zip Central "
                             "Header signature)");
}

std::vector<unsigned char> ReadRange(const ArchiveFile& archive, std::uint64_t offset, std::size_t size) {
    std::vector<unsigned char> bytes(size);
    bytes.resize(archive.ReadAt(offset, bytes));
    return bytes;
}

// Offset of the end record inside `tail` (the last bytes of the archive). Scanning from the back, a record
// whose comment ends exactly at the end of the file wins; without one, the last record whose comment fits is
// taken, so that bytes appended after the comment are tolerated.
std::optional<std::size_t> FindEndRecord(std::span<const unsigned char> tail) {
    if (tail.size() < zip::kEndRecordSize) {
        return std::nullopt;
    }
    std::optional<std::size_t> fitting;
    for (std::size_t pos = tail.size() - zip::kEndRecordSize + 1; pos-- > 0;) {
        if (zip::Le32(tail, pos) != zip::kEndRecordSignature) {
            continue;
        }
        const std::size_t end = pos + zip::kEndRecordSize + zip::Le16(tail, pos + 20);
        if (end == tail.size()) {
            return pos;
        }
        if (end < tail.size() && !fitting) {
            fitting = pos;
        }
    }
    return fitting;
}

void ApplyZip64EndRecord(const ArchiveFile& archive, std::uint64_t endRecordOffset, ZipEndRecord& end) {
    if (endRecordOffset < zip::kZip64LocatorSize) {
        return;
    }
    const std::uint64_t locatorOffset = endRecordOffset - zip::kZip64LocatorSize;
    const auto locator = ReadRange(archive, locatorOffset, zip::kZip64LocatorSize);
    if (zip::Le32(locator, 0) != zip::kZip64LocatorSignature) {
        return;
    }
    const std::uint64_t recordOffset = zip::Le64(locator, 8);
    if (recordOffset > locatorOffset || locatorOffset - recordOffset < zip::kZip64EndRecordSize) {
        ThrowNotZip(archive);
    }
    const auto record = ReadRange(archive, recordOffset, zip::kZip64EndRecordSize);
    if (zip::Le32(record, 0) != zip::kZip64EndRecordSignature) {
        ThrowNotZip(archive);
    }
    if (end.memberCount == kSaturated16) {
        end.memberCount = zip::Le64(record, 32);
    }
    if (end.directoryOffset == kSaturated32) {
        end.directoryOffset = zip::Le64(record, 48);
    }
    end.directoryLimit = recordOffset;
}

// Replaces the saturated 32-bit fields of `entry` by the values of its Zip64 extra field, which holds only
// those, in the order uncompressed size, compressed size, local header offset.
void ApplyZip64Extra(const ArchiveFile& archive, std::span<const unsigned char> extra, std::uint32_t rawOffset,
                     std::uint32_t rawCompressed, std::uint32_t rawUncompressed, ZipEntry& entry) {
    std::size_t pos = 0;
    while (pos + 4 <= extra.size()) {
        const std::uint16_t id = zip::Le16(extra, pos);
        const std::size_t size = zip::Le16(extra, pos + 2);
        if (pos + 4 + size > extra.size()) {
            break;
        }
        if (id == zip::kZip64ExtraId) {
            const auto field = extra.subspan(pos + 4, size);
            std::size_t at = 0;
            auto take = [&](std::uint64_t& value) {
                if (at + 8 > field.size()) {
                    ThrowBadCentralHeader(archive);
                }
                value = zip::Le64(field, at);
                at += 8;
            };
            if (rawUncompressed == kSaturated32) {
                take(entry.uncompressedSize);
            }
            if (rawCompressed == kSaturated32) {
                take(entry.compressedSize);
            }
            if (rawOffset == kSaturated32) {
                take(entry.localHeaderOffset);
            }
            return;
        }
        pos += 4 + size;
    }
    // A saturated field without its Zip64 value: the entry cannot say where or how large the member is.
    if (rawUncompressed == kSaturated32 || rawCompressed == kSaturated32 || rawOffset == kSaturated32) {
        ThrowBadCentralHeader(archive);
    }
}

// Reads the directory through a window of bounded size, so that a directory offset pointing far back in a big
// file costs no memory beyond one entry.
class DirectoryWindow {
public:
    DirectoryWindow(const ArchiveFile& archive, std::uint64_t offset, std::uint64_t limit)
        : archive_(archive), next_(offset), limit_(limit) {}

    // The next `size` bytes of the directory; the view lasts until the next call.
    std::span<const unsigned char> Next(std::size_t size) {
        if (size == 0) {
            return {};
        }
        if (size > limit_ - next_) {
            ThrowBadCentralHeader(archive_);
        }
        if (next_ < bufferStart_ || next_ + size > bufferStart_ + buffer_.size()) {
            const std::uint64_t want = std::max<std::uint64_t>(size, kWindowSize);
            buffer_.resize(static_cast<std::size_t>(std::min(want, limit_ - next_)));
            bufferStart_ = next_;
            if (archive_.ReadAt(bufferStart_, buffer_) != buffer_.size()) {
                ThrowBadCentralHeader(archive_);
            }
        }
        const std::span<const unsigned char> view(buffer_.data() + (next_ - bufferStart_), size);
        next_ += size;
        return view;
    }

private:
    static constexpr std::uint64_t kWindowSize = 256 * 1024;
    const ArchiveFile& archive_;
    std::uint64_t next_;
    std::uint64_t limit_;
    std::uint64_t bufferStart_ = 0;
    std::vector<unsigned char> buffer_;
};

} // namespace

ZipEndRecord ReadZipEndRecord(const ArchiveFile& archive) {
    if (archive.Size() == 0) {
        ThrowEmpty(archive);
    }
    const std::uint64_t tailSize = std::min<std::uint64_t>(archive.Size(), zip::kEndRecordSize + kMaxCommentSize);
    const std::uint64_t tailOffset = archive.Size() - tailSize;
    const auto tail = ReadRange(archive, tailOffset, static_cast<std::size_t>(tailSize));
    const auto pos = FindEndRecord(tail);
    if (!pos) {
        ThrowNotZip(archive);
    }
    ZipEndRecord end;
    end.memberCount = zip::Le16(tail, *pos + 10);
    end.directoryOffset = zip::Le32(tail, *pos + 16);
    end.directoryLimit = tailOffset + *pos;
    if (end.memberCount == kSaturated16 || end.directoryOffset == kSaturated32) {
        ApplyZip64EndRecord(archive, end.directoryLimit, end);
    }
    return end;
}

std::vector<ZipEntry> ReadZipDirectory(const ArchiveFile& archive, const ZipEndRecord& end) {
    if (end.directoryOffset > end.directoryLimit) {
        ThrowBadCentralHeader(archive);
    }
    DirectoryWindow window(archive, end.directoryOffset, end.directoryLimit);
    std::vector<ZipEntry> entries;
    for (std::uint64_t i = 0; i < end.memberCount; ++i) {
        auto header = window.Next(zip::kCentralHeaderSize);
        if (zip::Le32(header, 0) != zip::kCentralHeaderSignature) {
            ThrowBadCentralHeader(archive);
        }
        const std::size_t nameSize = zip::Le16(header, 28);
        const std::size_t extraSize = zip::Le16(header, 30);
        const std::size_t commentSize = zip::Le16(header, 32);
        ZipEntry entry;
        entry.flags = zip::Le16(header, 8);
        entry.method = zip::Le16(header, 10);
        entry.crc32 = zip::Le32(header, 16);
        const std::uint32_t rawCompressed = zip::Le32(header, 20);
        const std::uint32_t rawUncompressed = zip::Le32(header, 24);
        const std::uint32_t rawOffset = zip::Le32(header, 42);
        entry.compressedSize = rawCompressed;
        entry.uncompressedSize = rawUncompressed;
        entry.localHeaderOffset = rawOffset;
        const auto name = window.Next(nameSize);
        entry.rawName.assign(name.begin(), name.end());
        ApplyZip64Extra(archive, window.Next(extraSize), rawOffset, rawCompressed, rawUncompressed, entry);
        window.Next(commentSize);
        entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace qm

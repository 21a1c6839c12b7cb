#include "jpeg2pdf2/jpeg_probe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <bit>
#include <cerrno>
#include <cstring>

#include "files/regular_file.h"

namespace qm {

namespace {

constexpr std::uint16_t kStartOfImage = 0xFFD8;
constexpr std::uint16_t kEndOfImage = 0xFFD9;
constexpr std::uint16_t kFillBytes = 0xFFFF;
// The only frame headers the probe knows; every other start-of-frame code is skipped like any segment.
constexpr std::uint16_t kBaselineFrame = 0xFFC0;
constexpr std::uint16_t kProgressiveFrame = 0xFFC2;

// Reads a file at a position that only the walk moves. Segment bodies are skipped by moving the position;
// the bytes are fetched a block at a time so that a hostile file of tiny steps (lengths of 0 or 1 over
// megabytes of zeros) costs time in proportion to its size, not a system call per two bytes.
class ProbeReader {
public:
    explicit ProbeReader(int fd) : fd_(fd) {}

    // False when the file ends before `count` bytes (or cannot be read).
    bool Read(std::uint8_t* out, std::size_t count) {
        if (position_ < blockStart_ || position_ + count > blockStart_ + blockSize_) {
            if (!Load()) {
                return false;
            }
            if (count > blockSize_) {
                return false;
            }
        }
        std::memcpy(out, block_.data() + (position_ - blockStart_), count);
        position_ += count;
        return true;
    }

    // Big-endian 16-bit field: two bytes in file order made into a host value.
    bool ReadWord(std::uint16_t& value) {
        std::uint8_t bytes[2];
        if (!Read(bytes, sizeof bytes)) {
            return false;
        }
        std::memcpy(&value, bytes, sizeof value);
        if constexpr (std::endian::native == std::endian::little) {
            value = SwapWord(value);
        }
        return true;
    }

    // Moves the position by `delta`, which may be -2 or -1 for lengths of 0 or 1. The walk never goes back
    // before the first marker, since every step first moves forward by 4.
    void Skip(std::int64_t delta) {
        position_ = static_cast<std::uint64_t>(static_cast<std::int64_t>(position_) + delta);
    }

private:
    bool Load() {
        blockStart_ = position_;
        blockSize_ = 0;
        while (blockSize_ < block_.size()) {
            const ssize_t got = ::pread(fd_, block_.data() + blockSize_, block_.size() - blockSize_,
                                        static_cast<off_t>(blockStart_ + blockSize_));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                return false;
            }
            if (got == 0) {
                break;
            }
            blockSize_ += static_cast<std::size_t>(got);
        }
        return true;
    }

    int fd_;
    std::uint64_t position_ = 0;
    std::uint64_t blockStart_ = 0;
    std::size_t blockSize_ = 0;
    std::array<std::uint8_t, 4096> block_{};
};

} // namespace

std::uint16_t SwapWord(std::uint16_t value) {
    return static_cast<std::uint16_t>((value >> 8) | (value << 8));
}

// Why OpenRegularFile gave no descriptor.
std::string OpenFailure(const std::string& fileName) {
    struct stat status {};
    if (::stat(fileName.c_str(), &status) != 0) {
        return std::strerror(errno);
    }
    if (!S_ISREG(status.st_mode)) {
        return S_ISDIR(status.st_mode) ? "a folder, not a regular file" : "not a regular file";
    }
    const UniqueFd file(::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    return file.Valid() ? "cannot be opened" : std::strerror(errno);
}

JpegProbe ProbeJpeg(const std::string& fileName) {
    JpegProbe probe;
    std::uint64_t size = 0;
    const UniqueFd file = OpenRegularFile(fileName, size);
    if (!file.Valid()) {
        probe.reason = OpenFailure(fileName);
        return probe;
    }
    ProbeReader reader(file.Get());
    std::uint16_t code = 0;
    if (!reader.ReadWord(code) || code != kStartOfImage) {
        probe.reason = "no JPEG start-of-image marker";
        return probe;
    }
    // Any two bytes at a step boundary are a marker code: no 0xFF is required and fill bytes are not skipped.
    // Each step moves at least two bytes forward, so the walk ends at the end of the file at the latest.
    for (;;) {
        if (!reader.ReadWord(code)) {
            probe.reason = "no baseline or progressive frame header before the end of the file";
            return probe;
        }
        if (code == kBaselineFrame || code == kProgressiveFrame) {
            const std::string frame = code == kBaselineFrame ? "baseline" : "progressive";
            reader.Skip(3); // segment length and sample precision, neither looked at
            std::uint16_t lines = 0;
            std::uint16_t samplesPerLine = 0;
            std::uint8_t components = 0;
            if (!reader.ReadWord(lines) || !reader.ReadWord(samplesPerLine)) {
                probe.reason = frame + " frame header cut short";
                return probe;
            }
            probe.info.H = lines;
            probe.info.W = samplesPerLine;
            // A frame without width or height (one left to a later DNL marker) makes no page.
            if (lines == 0 || samplesPerLine == 0) {
                probe.reason = frame + " frame of width or height 0";
                return probe;
            }
            if (!reader.Read(&components, 1)) {
                probe.reason = frame + " frame header cut short";
                return probe;
            }
            if (components != 3 && components != 4) {
                probe.reason = frame + " frame with " + std::to_string(components) + " component" +
                               (components == 1 ? "" : "s") + ", not 3 (RGB) or 4 (CMYK)";
                return probe;
            }
            probe.info.CMYK = components == 4;
            probe.accepted = true;
            return probe;
        }
        if (code == kEndOfImage) {
            probe.reason = "no baseline or progressive frame header before the end-of-image marker";
            return probe;
        }
        if (code == kFillBytes) {
            probe.reason = "fill bytes (FF FF) where a marker belongs, before a baseline or progressive frame header";
            return probe;
        }
        std::uint16_t length = 0;
        if (!reader.ReadWord(length)) {
            probe.reason = "no baseline or progressive frame header before the end of the file";
            return probe;
        }
        // The length counts its own two bytes and is not checked: 0 and 1 step back onto the length field.
        reader.Skip(std::int64_t{length} - 2);
    }
}

bool GetInfosJPG(const std::string& fileName, std::int32_t& W, std::int32_t& H, bool& CMYK) {
    const JpegProbe probe = ProbeJpeg(fileName);
    if (probe.info.W != 0 || probe.info.H != 0) {
        W = probe.info.W;
        H = probe.info.H;
    }
    if (probe.accepted) {
        CMYK = probe.info.CMYK;
    }
    return probe.accepted;
}

} // namespace qm

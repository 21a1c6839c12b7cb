#include "cli/probe_command.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iostream>

#include "files/regular_file.h"
#include "jpeg2pdf2/jpeg2pdf2.h"

namespace qm::cli {

namespace {

// Reads bytes at any position through one cached block, so that a walk of tiny steps over a large file costs a
// read per block, not per step.
class BlockReader {
public:
    explicit BlockReader(int fd) : fd_(fd) {}

    // False when the file ends before `count` bytes (at most a block) or cannot be read.
    bool Read(std::uint64_t position, std::uint8_t* out, std::size_t count) {
        if (position < start_ || position + count > start_ + size_) {
            start_ = position;
            size_ = 0;
            while (size_ < block_.size()) {
                const ssize_t got =
                    ::pread(fd_, block_.data() + size_, block_.size() - size_, static_cast<off_t>(start_ + size_));
                if (got < 0 && errno == EINTR) {
                    continue;
                }
                if (got <= 0) {
                    break;
                }
                size_ += static_cast<std::size_t>(got);
            }
            if (count > size_) {
                return false;
            }
        }
        std::memcpy(out, block_.data() + (position - start_), count);
        return true;
    }

    bool ReadWord(std::uint64_t position, std::uint16_t& value) {
        std::uint8_t bytes[2];
        if (!Read(position, bytes, 2)) {
            return false;
        }
        value = static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
        return true;
    }

private:
    int fd_;
    std::uint64_t start_ = 0;
    std::size_t size_ = 0;
    std::array<std::uint8_t, 4096> block_{};
};

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

} // namespace

// The same walk as GetInfosJPG, step for step: markers at every step boundary without looking for 0xFF, segment
// lengths taken as they are (0 and 1 step back onto the length field), the first baseline or progressive frame
// header deciding.
std::string RefusalReason(const std::string& fileName) {
    std::uint64_t size = 0;
    const UniqueFd file = OpenRegularFile(fileName, size);
    if (!file.Valid()) {
        return OpenFailure(fileName);
    }
    BlockReader reader(file.Get());
    std::uint16_t code = 0;
    if (!reader.ReadWord(0, code) || code != 0xFFD8) {
        return "no JPEG start-of-image marker";
    }
    std::uint64_t position = 2;
    for (;;) {
        if (!reader.ReadWord(position, code)) {
            return "no baseline or progressive frame header before the end of the file";
        }
        position += 2;
        if (code == 0xFFC0 || code == 0xFFC2) {
            const char* frame = code == 0xFFC0 ? "baseline" : "progressive";
            std::uint16_t height = 0;
            std::uint16_t width = 0;
            std::uint8_t components = 0;
            if (!reader.ReadWord(position + 3, height) || !reader.ReadWord(position + 5, width)) {
                return std::string(frame) + " frame header cut short";
            }
            if (width == 0 || height == 0) {
                return std::string(frame) + " frame of width or height 0";
            }
            if (!reader.Read(position + 7, &components, 1)) {
                return std::string(frame) + " frame header cut short";
            }
            if (components != 3 && components != 4) {
                return std::string(frame) + " frame with " + std::to_string(components) + " component" +
                       (components == 1 ? "" : "s") + ", not 3 (RGB) or 4 (CMYK)";
            }
            return "";
        }
        if (code == 0xFFD9) {
            return "no baseline or progressive frame header before the end-of-image marker";
        }
        if (code == 0xFFFF) {
            return "fill bytes (FF FF) where a marker belongs, before a baseline or progressive frame header";
        }
        std::uint16_t length = 0;
        if (!reader.ReadWord(position, length)) {
            return "no baseline or progressive frame header before the end of the file";
        }
        position = position + length;
    }
}

int RunProbe(const std::vector<std::string>& args) {
    bool allAccepted = true;
    for (const std::string& file : args) {
        std::int32_t width = 0;
        std::int32_t height = 0;
        bool cmyk = false;
        if (GetInfosJPG(file, width, height, cmyk)) {
            std::cout << file << '\t' << width << '\t' << height << '\t' << (cmyk ? "CMYK" : "RGB") << '\n';
        } else {
            std::string reason = RefusalReason(file);
            // The file changed between the two looks.
            if (reason.empty()) {
                reason = "changed while it was examined";
            }
            std::cout << file << "\trefused\t" << reason << '\n';
            allAccepted = false;
        }
    }
    std::cout.flush();
    return allAccepted ? 0 : 1;
}

} // namespace qm::cli

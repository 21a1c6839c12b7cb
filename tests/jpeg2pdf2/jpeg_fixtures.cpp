#include "jpeg_fixtures.h"

#include <fcntl.h>
#include <unistd.h>

#include <stdexcept>

namespace qm::test {

std::string Hex(std::string_view hex) {
    std::string bytes;
    int high = -1;
    for (const char c : hex) {
        if (c == ' ') {
            continue;
        }
        const int digit = std::stoi(std::string(1, c), nullptr, 16);
        if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(static_cast<char>(high * 16 + digit));
            high = -1;
        }
    }
    if (high >= 0) {
        throw std::invalid_argument("odd number of hex digits in " + std::string(hex));
    }
    return bytes;
}

std::string FrameJpeg(std::uint16_t width, std::uint16_t height, int components, std::size_t size) {
    std::string bytes = Hex("FFD8 FFC0");
    const int length = 8 + 3 * components;
    for (const int field :
         {length >> 8, length & 0xFF, 8, height >> 8, height & 0xFF, width >> 8, width & 0xFF, components}) {
        bytes.push_back(static_cast<char>(field));
    }
    for (int c = 1; c <= components; ++c) {
        bytes += std::string{static_cast<char>(c), '\x11', '\x00'};
    }
    if (bytes.size() > size) {
        throw std::invalid_argument("a frame header does not fit in " + std::to_string(size) + " bytes");
    }
    const std::size_t headerSize = bytes.size();
    bytes.resize(size, '\0');
    if (size >= headerSize + 2) {
        bytes[size - 2] = '\xFF';
        bytes[size - 1] = '\xD9';
    }
    return bytes;
}

void WriteSparseJpeg(const std::filesystem::path& path, std::uint16_t width, std::uint16_t height, std::uint64_t size) {
    const std::string header = FrameJpeg(width, height, 3, 32);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool ok = fd >= 0 && ::write(fd, header.data(), header.size()) == static_cast<ssize_t>(header.size()) &&
                    ::ftruncate(fd, static_cast<off_t>(size)) == 0;
    if (fd >= 0) {
        ::close(fd);
    }
    if (!ok) {
        throw std::runtime_error("cannot make the sparse file " + path.string());
    }
}

} // namespace qm::test

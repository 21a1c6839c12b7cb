#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace qm::test {

// A JPEG file decoded to RGB, with the facts of its header that tests check.
struct DecodedJpeg {
    int width = 0;
    int height = 0;
    int components = 0;
    bool progressive = false;
    std::vector<std::uint8_t> rgb;

    // The pixel at (x, y) as 0xRRGGBB.
    std::uint32_t Pixel(int x, int y) const;
};

// Throws std::runtime_error when the file cannot be opened.
DecodedJpeg DecodeJpeg(const std::filesystem::path& path);

// True when two 0xRRGGBB colours differ by at most `tolerance` in each channel (JPEG moves colours a little).
bool NearColour(std::uint32_t a, std::uint32_t b, int tolerance = 24);

} // namespace qm::test

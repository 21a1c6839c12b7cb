#pragma once

#include <cstdint>
#include <string>

namespace qm {

// What the probe learnt of one accepted JPEG file: 4 components (CMYK) or 3 (RGB), and the frame's size in
// pixels (each 0 to 65535).
struct TInfosJPG {
    bool CMYK = false;
    std::int32_t W = 0;
    std::int32_t H = 0;
};

// The 16-bit value with its two bytes exchanged.
std::uint16_t SwapWord(std::uint16_t value);

// Reads width, height and colour model from the frame header of a JPEG file by walking its marker segments.
// True when the file starts with SOI and a baseline (0xFFC0) or progressive (0xFFC2) frame header declares 3 or
// 4 components. On false, W and H may have been written and CMYK is unchanged. Never throws; only regular files
// are opened (a folder, a FIFO or a device gives false).
bool GetInfosJPG(const std::string& fileName, std::int32_t& W, std::int32_t& H, bool& CMYK);

} // namespace qm

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

// What the probe found in a file: accepted with its frame's facts, or why not ("no JPEG start-of-image marker",
// "progressive frame with 1 component, not 3 (RGB) or 4 (CMYK)", the system's reason it cannot be opened, ...).
// `info` holds the width and height as far as the frame header was read, also when refused.
struct JpegProbe {
    bool accepted = false;
    TInfosJPG info;
    std::string reason;
};

// Reads width, height and colour model from the frame header of a JPEG file by walking its marker segments:
// accepted when the file starts with SOI and a baseline (0xFFC0) or progressive (0xFFC2) frame header declares 3
// or 4 components. Every two bytes at a step boundary are taken as a marker (no 0xFF is looked for) and segment
// lengths as they are; the first such frame header decides. Never throws; only regular files are opened.
JpegProbe ProbeJpeg(const std::string& fileName);

// ProbeJpeg's answer as the PDF writer asks it: reads width, height and colour model from the frame header of
// a JPEG file by walking its marker segments.
// True when the file starts with SOI and a baseline (0xFFC0) or progressive (0xFFC2) frame header declares 3 or
// 4 components. On false, W and H may have been written and CMYK is unchanged. Never throws; only regular files
// are opened (a folder, a FIFO or a device gives false).
bool GetInfosJPG(const std::string& fileName, std::int32_t& W, std::int32_t& H, bool& CMYK);

} // namespace qm

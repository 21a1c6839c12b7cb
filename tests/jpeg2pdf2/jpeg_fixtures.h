#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace qm::test {

// Bytes from hexadecimal text; spaces are ignored ("FFD8 FFC0 0011").
std::string Hex(std::string_view hex);

// A file of exactly `size` bytes that the probe reads as a baseline frame of `width` x `height` with
// `components` components: SOI, the frame header, then zero bytes (and EOI when there is room). Not an image
// that a decoder could show; the writer never decodes.
std::string FrameJpeg(std::uint16_t width, std::uint16_t height, int components, std::size_t size);

// Writes the frame header of FrameJpeg at the start of `path` and extends the file to `size` bytes without
// writing them (a sparse file), so that multi-gigabyte pages cost no disk space.
void WriteSparseJpeg(const std::filesystem::path& path, std::uint16_t width, std::uint16_t height, std::uint64_t size);

} // namespace qm::test

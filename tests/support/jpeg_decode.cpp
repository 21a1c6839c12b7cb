#include "support/jpeg_decode.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <jpeglib.h>

namespace qm::test {

std::uint32_t DecodedJpeg::Pixel(int x, int y) const {
    const std::uint8_t* p = rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
    return (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
}

DecodedJpeg DecodeJpeg(const std::filesystem::path& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        throw std::runtime_error("cannot open " + path.string());
    }
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    DecodedJpeg image;
    image.progressive = jpeg_has_multiple_scans(&cinfo);
    image.components = cinfo.num_components;
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    image.width = static_cast<int>(cinfo.output_width);
    image.height = static_cast<int>(cinfo.output_height);
    image.rgb.resize(static_cast<std::size_t>(image.width) * image.height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = image.rgb.data() + static_cast<std::size_t>(cinfo.output_scanline) * image.width * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    return image;
}

bool NearColour(std::uint32_t a, std::uint32_t b, int tolerance) {
    for (int shift = 0; shift <= 16; shift += 8) {
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > tolerance) {
            return false;
        }
    }
    return true;
}

} // namespace qm::test

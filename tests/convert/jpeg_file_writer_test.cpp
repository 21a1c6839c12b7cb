#include "convert/jpeg_file_writer.h"

#include "support/jpeg_decode.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// Four flat quadrants (red, green, blue, white) survive JPEG closely enough to compare pixel by pixel.
std::vector<std::uint8_t> Quadrants(int width, int height) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int quadrant = (y >= height / 2 ? 2 : 0) + (x >= width / 2 ? 1 : 0);
            const std::uint8_t colours[4][3] = {{220, 30, 30}, {30, 200, 40}, {30, 40, 210}, {255, 255, 255}};
            std::copy_n(colours[quadrant], 3, rgb.begin() + (static_cast<std::ptrdiff_t>(y) * width + x) * 3);
        }
    }
    return rgb;
}

TEST(JpegFileWriter, WritesABaselineColourImageTileByTile) {
    TempDir dir;
    const int width = 96;
    const int height = 80;
    const std::vector<std::uint8_t> rgb = Quadrants(width, height);
    const fs::path path = dir / "page.jpg";
    {
        JpegFileWriter writer(path.string(), width, height, 100);
        const std::size_t stride = static_cast<std::size_t>(width) * 3;
        writer.WriteRows(rgb.data(), 30, stride);
        writer.WriteRows(rgb.data() + 30 * stride, height - 30, stride);
        writer.Finish();
    }
    const test::DecodedJpeg image = test::DecodeJpeg(path);
    EXPECT_EQ(image.width, width);
    EXPECT_EQ(image.height, height);
    EXPECT_EQ(image.components, 3);
    EXPECT_FALSE(image.progressive);
    const std::pair<int, int> probes[] = {{10, 10}, {80, 10}, {10, 70}, {80, 70}};
    for (const auto& [x, y] : probes) {
        for (int c = 0; c < 3; ++c) {
            const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3 + c;
            EXPECT_NEAR(image.rgb[at], rgb[at], 6) << "pixel " << x << "," << y << " channel " << c;
        }
    }
}

// The view hands its frames on as 32-bit pixels (B, G, R, unused) with padded rows: the file must be the very
// file that the same colours give as RGB, and one image takes one layout.
TEST(JpegFileWriter, FourBytePixelsGiveTheSameFileAsRgb) {
    TempDir dir;
    const int width = 37;
    const int height = 21;
    const std::vector<std::uint8_t> rgb = Quadrants(width, height);
    const std::size_t stride = static_cast<std::size_t>(width) * 4 + 12;
    std::vector<std::uint8_t> bgrx(stride * height, 0x5a);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* from = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            std::uint8_t* to = &bgrx[stride * y + static_cast<std::size_t>(x) * 4];
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    }
    auto write = [&](const fs::path& path, const std::uint8_t* rows, std::size_t rowStride,
                     JpegFileWriter::Pixels pixels) {
        JpegFileWriter writer(path.string(), width, height, 100);
        writer.WriteRows(rows, 5, rowStride, pixels);
        writer.WriteRows(rows + 5 * rowStride, height - 5, rowStride, pixels);
        writer.Finish();
    };
    write(dir / "rgb.jpg", rgb.data(), static_cast<std::size_t>(width) * 3, JpegFileWriter::Pixels::Rgb);
    write(dir / "bgrx.jpg", bgrx.data(), stride, JpegFileWriter::Pixels::Bgrx);
    EXPECT_EQ(test::ReadFile(dir / "bgrx.jpg"), test::ReadFile(dir / "rgb.jpg"));

    JpegFileWriter mixed((dir / "mixed.jpg").string(), width, height, 100);
    mixed.WriteRows(bgrx.data(), 5, stride, JpegFileWriter::Pixels::Bgrx);
    EXPECT_THROW(mixed.WriteRows(rgb.data(), 5, static_cast<std::size_t>(width) * 3, JpegFileWriter::Pixels::Rgb),
                 std::runtime_error);
}

TEST(JpegFileWriter, RefusesWhatJpegCannotHoldAndLeavesNoFile) {
    TempDir dir;
    const fs::path path = dir / "tall.jpg";
    EXPECT_THROW(JpegFileWriter(path.string(), 800, JpegFileWriter::kMaxDimension + 1, 100), std::runtime_error);
    EXPECT_THROW(JpegFileWriter(path.string(), 0, 10, 100), std::runtime_error);
    EXPECT_FALSE(fs::exists(path));
    try {
        JpegFileWriter((dir / "missing/x.jpg").string(), 8, 8, 100);
        FAIL() << "a file in a missing folder was accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("missing/x.jpg"), std::string::npos) << e.what();
    }
}

TEST(JpegFileWriter, AnIncompleteImageIsRemoved) {
    TempDir dir;
    const fs::path path = dir / "short.jpg";
    const std::vector<std::uint8_t> rgb = Quadrants(16, 16);
    {
        JpegFileWriter writer(path.string(), 16, 16, 90);
        writer.WriteRows(rgb.data(), 8, 16 * 3);
        EXPECT_THROW(writer.WriteRows(rgb.data(), 9, 16 * 3), std::runtime_error);
        EXPECT_THROW(writer.Finish(), std::runtime_error);
    }
    EXPECT_FALSE(fs::exists(path));
}

} // namespace
} // namespace qm

#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace qm {

// Encodes rows of colour pixels into a baseline colour JPEG file, top row first, without holding the whole image:
// a page can be written tile by tile as it is captured. Failures (a file that cannot be created or written,
// a size JPEG cannot hold, more or fewer rows than announced) throw std::runtime_error naming the file. The
// file is written aside and takes its name only in Finish: a JPEG that exists is always whole, and a failed or
// abandoned one leaves an earlier file of that name as it was.
class JpegFileWriter {
public:
    // JPEG holds at most this many pixels in either direction.
    static constexpr int kMaxDimension = 65500;

    // How the bytes of a pixel are ordered: three bytes R, G, B; or four bytes B, G, R and one unused, as a
    // 32-bit 0xffRRGGBB pixel lies in little-endian memory (a frame of the view, encoded without a copy).
    enum class Pixels { Rgb, Bgrx };

    // Starts a file that replaces `path` when finished, for an image of width x height pixels at `quality` (1..100).
    JpegFileWriter(const std::string& path, int width, int height, int quality);
    ~JpegFileWriter();
    JpegFileWriter(const JpegFileWriter&) = delete;
    JpegFileWriter& operator=(const JpegFileWriter&) = delete;

    // Appends `rows` rows of `width` pixels laid out as `pixels` says; consecutive rows are `stride` bytes
    // apart. Every call of one image gives the same layout: the encoder is set up for it at the first rows.
    void WriteRows(const std::uint8_t* rows, int count, std::size_t stride, Pixels pixels = Pixels::Rgb);
    // Completes the file after the last row; the writer is then done.
    void Finish();

    int RowsWritten() const;

private:
    struct Codec;
    std::unique_ptr<Codec> codec_;
    std::string path_;
    int width_;
    int height_;
};

} // namespace qm

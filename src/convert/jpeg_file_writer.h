#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace qm {

// Encodes 24-bit RGB rows into a baseline colour JPEG file, top row first, without holding the whole image:
// a page can be written tile by tile as it is captured. Failures (a file that cannot be created or written,
// a size JPEG cannot hold, more or fewer rows than announced) throw std::runtime_error naming the file. The
// file is written aside and takes its name only in Finish: a JPEG that exists is always whole, and a failed or
// abandoned one leaves an earlier file of that name as it was.
class JpegFileWriter {
public:
    // JPEG holds at most this many pixels in either direction.
    static constexpr int kMaxDimension = 65500;

    // Starts a file that replaces `path` when finished, for an image of width x height pixels at `quality` (1..100).
    JpegFileWriter(const std::string& path, int width, int height, int quality);
    ~JpegFileWriter();
    JpegFileWriter(const JpegFileWriter&) = delete;
    JpegFileWriter& operator=(const JpegFileWriter&) = delete;

    // Appends `rows` rows of width * 3 bytes each; consecutive rows are `stride` bytes apart.
    void WriteRows(const std::uint8_t* rgb, int rows, std::size_t stride);
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

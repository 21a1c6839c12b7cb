#include "convert/jpeg_file_writer.h"

#include "files/output_file.h"

#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <unistd.h>

#include <jpeglib.h>

namespace qm {

// libjpeg's default error handler calls exit(); this one jumps back to the call that failed, which then throws.
struct JpegFileWriter::Codec {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    std::jmp_buf failure{};
    char message[JMSG_LENGTH_MAX] = {};
    std::optional<OutputFile> output;
    std::FILE* file = nullptr;
    bool started = false;
    JpegFileWriter::Pixels pixels = JpegFileWriter::Pixels::Rgb;
    bool finished = false;

    static void OnError(j_common_ptr common) {
        auto* codec = static_cast<Codec*>(common->client_data);
        (*common->err->format_message)(common, codec->message);
        std::longjmp(codec->failure, 1);
    }
};

namespace {
[[noreturn]] void Fail(const std::string& path, const std::string& reason) {
    throw std::runtime_error("Cannot write the JPEG file \"" + path + "\": " + reason);
}
} // namespace

JpegFileWriter::JpegFileWriter(const std::string& path, int width, int height, int quality)
    : codec_(std::make_unique<Codec>()), path_(path), width_(width), height_(height) {
    if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension) {
        Fail(path, "an image of " + std::to_string(width) + " x " + std::to_string(height) +
                       " pixels does not fit in a JPEG file (1 to 65500 pixels each way)");
    }
    Codec& c = *codec_;
    // The file is written aside and takes its name when complete: a page file that exists is always whole, and
    // a run that fails or is killed leaves an earlier file of that name as it was.
    c.output.emplace(path);
    const int stream = ::dup(c.output->Fd());
    c.file = stream < 0 ? nullptr : ::fdopen(stream, "wb");
    if (c.file == nullptr) {
        const int error = errno;
        if (stream >= 0) {
            ::close(stream);
        }
        Fail(path, std::strerror(error));
    }
    c.cinfo.err = jpeg_std_error(&c.jerr);
    c.jerr.error_exit = &Codec::OnError;
    c.cinfo.client_data = &c;
    if (setjmp(c.failure) != 0) {
        const std::string reason = c.message;
        jpeg_destroy_compress(&c.cinfo);
        std::fclose(c.file);
        c.file = nullptr;
        c.output.reset();
        Fail(path, reason);
    }
    jpeg_create_compress(&c.cinfo);
    jpeg_stdio_dest(&c.cinfo, c.file);
    c.cinfo.image_width = static_cast<JDIMENSION>(width);
    c.cinfo.image_height = static_cast<JDIMENSION>(height);
    c.cinfo.input_components = 3;
    c.cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c.cinfo);
    jpeg_set_quality(&c.cinfo, quality, TRUE);
    // Huffman tables fitted to the page: a quarter smaller at quality 100, the same pixels, still baseline.
    c.cinfo.optimize_coding = TRUE;
}

JpegFileWriter::~JpegFileWriter() {
    // A writer that exists has its codec: a constructor that fails after creating it destroys it and throws.
    Codec& c = *codec_;
    jpeg_destroy_compress(&c.cinfo);
    if (c.file != nullptr) {
        std::fclose(c.file);
    }
}

int JpegFileWriter::RowsWritten() const {
    return static_cast<int>(codec_->cinfo.next_scanline);
}

void JpegFileWriter::WriteRows(const std::uint8_t* rows, int count, std::size_t stride, Pixels pixels) {
    Codec& c = *codec_;
    if (c.finished || count < 0 || RowsWritten() + count > height_) {
        Fail(path_, "more rows than the image's height of " + std::to_string(height_));
    }
    if (c.started && pixels != c.pixels) {
        Fail(path_, "rows of another pixel layout than the image's first rows");
    }
    if (setjmp(c.failure) != 0) {
        Fail(path_, c.message);
    }
    if (!c.started) {
        // The layout of the input only changes how pixels are read: the file is the same for the same colours.
        c.cinfo.in_color_space = pixels == Pixels::Bgrx ? JCS_EXT_BGRX : JCS_RGB;
        c.cinfo.input_components = pixels == Pixels::Bgrx ? 4 : 3;
        jpeg_start_compress(&c.cinfo, TRUE);
        c.started = true;
        c.pixels = pixels;
    }
    for (int row = 0; row < count; ++row) {
        auto* line = const_cast<JSAMPROW>(rows + static_cast<std::size_t>(row) * stride);
        jpeg_write_scanlines(&c.cinfo, &line, 1);
    }
}

void JpegFileWriter::Finish() {
    Codec& c = *codec_;
    if (RowsWritten() != height_) {
        Fail(path_, "only " + std::to_string(RowsWritten()) + " of " + std::to_string(height_) + " rows were given");
    }
    if (setjmp(c.failure) != 0) {
        Fail(path_, c.message);
    }
    // RowsWritten() == height_ >= 1: the first rows have started the encoder.
    jpeg_finish_compress(&c.cinfo);
    const bool flushed = std::fflush(c.file) == 0 && std::ferror(c.file) == 0;
    const int error = errno;
    const int closed = std::fclose(c.file);
    c.file = nullptr;
    if (!flushed || closed != 0) {
        Fail(path_, std::strerror(flushed ? errno : error));
    }
    c.output->Commit();
    c.finished = true;
}

} // namespace qm

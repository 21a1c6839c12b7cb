#include "convert/page_capture.h"

#include "convert/jpeg_file_writer.h"
#include "convert/output_names.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <system_error>

namespace qm {

namespace {

constexpr const char* kReplaceQuestion =
    "This folder already contains this file name!\r\rWould you like to replace the existing file?";

// True when the file may be written: it does not exist, or the user agreed to replace it.
bool MayWrite(Dialogs& dialogs, const std::string& path) {
    std::error_code error;
    return !std::filesystem::exists(path, error) || dialogs.AskReplace(kReplaceQuestion) != ReplaceAnswer::No;
}

// The rows of the image, cut into files of at most JpegFileWriter::kMaxDimension rows.
class PartedJpeg {
public:
    PartedJpeg(Dialogs& dialogs, const std::string& fileName, int width, int height, int quality)
        : dialogs_(dialogs), fileName_(fileName), width_(width), height_(height), quality_(quality) {}

    ~PartedJpeg() {
        // Unfinished: the current writer removes its own file; the finished parts go with it.
        writer_.reset();
        if (!finished_) {
            for (const std::string& file : written_) {
                std::error_code ignored;
                std::filesystem::remove(file, ignored);
            }
        }
    }
    PartedJpeg(const PartedJpeg&) = delete;
    PartedJpeg& operator=(const PartedJpeg&) = delete;

    // Starts the first file; false when the user keeps an existing file of that name.
    bool Start() { return OpenPart(); }

    void WriteRows(const std::uint8_t* pixels, int rows, std::size_t stride, JpegFileWriter::Pixels layout) {
        while (rows > 0) {
            const int room = partRows_ - partDone_;
            const int take = std::min(rows, room);
            if (writer_) {
                writer_->WriteRows(pixels, take, stride, layout);
            }
            partDone_ += take;
            rows -= take;
            pixels += static_cast<std::size_t>(take) * stride;
            if (partDone_ == partRows_) {
                ClosePart();
                if (rowsBefore_ < height_) {
                    OpenPart();
                }
            }
        }
    }

    std::vector<std::string> Finish() {
        finished_ = true;
        return written_;
    }

private:
    bool OpenPart() {
        partRows_ = std::min(height_ - rowsBefore_, JpegFileWriter::kMaxDimension);
        partDone_ = 0;
        const std::string path = part_ == 1 ? fileName_ : ContinuationFileName(fileName_, part_);
        if (!MayWrite(dialogs_, path)) {
            return false;
        }
        writer_.emplace(path, width_, partRows_, quality_);
        path_ = path;
        return true;
    }

    void ClosePart() {
        if (writer_) {
            writer_->Finish();
            writer_.reset();
            written_.push_back(path_);
        }
        rowsBefore_ += partRows_;
        ++part_;
    }

    Dialogs& dialogs_;
    std::string fileName_;
    int width_;
    int height_;
    int quality_;
    int part_ = 1;
    int rowsBefore_ = 0;
    int partRows_ = 0;
    int partDone_ = 0;
    std::optional<JpegFileWriter> writer_;
    std::string path_;
    std::vector<std::string> written_;
    bool finished_ = false;
};

// Scrolls the rows of the area into the view one piece after the other and hands them to `out`.
void CaptureInPieces(BrowserView& browser, PartedJpeg& out, const PageArea& area) {
    const int bottom = area.top + area.rows;
    for (int y = area.top; y < bottom;) {
        const int reached = browser.ScrollTo(0, y).y;
        const ViewImage view = browser.CaptureView();
        const int offset = y - reached;
        if (view.scrollY != reached || offset < 0 || offset >= view.height || view.width < area.width) {
            throw std::runtime_error("The page view could not show the page's rows from " + std::to_string(y) +
                                     " on (it showed them from row " + std::to_string(view.scrollY) + ")");
        }
        const int take = std::min(view.height - offset, bottom - y);
        out.WriteRows(view.Row(offset), take, view.stride,
                      view.bgrx ? JpegFileWriter::Pixels::Bgrx : JpegFileWriter::Pixels::Rgb);
        y += take;
    }
}

} // namespace

CaptureResult CaptureViewToJPEG(BrowserView& browser, Dialogs& dialogs, const std::string& fileName,
                                const PageArea& area, int quality) {
    CaptureResult result;
    if (area.rows <= 0 || area.width <= 0 || area.top < 0) {
        result.failure = "the page is " + std::to_string(area.width) + " x " + std::to_string(area.rows) +
                         " pixels, which leaves nothing to capture";
        return result;
    }
    if (area.width > JpegFileWriter::kMaxDimension) {
        result.failure = "the page is " + std::to_string(area.width) + " pixels wide; a JPEG file holds at most " +
                         std::to_string(JpegFileWriter::kMaxDimension);
        return result;
    }
    bool begun = false;
    try {
        PartedJpeg out(dialogs, fileName, area.width, area.rows, quality);
        if (!out.Start()) {
            result.declined = true;
            return result;
        }
        // One row more than the area: the foot row of the view marks fresh frames and is never part of one.
        begun = true;
        browser.BeginCapture(area.top + area.rows + 1);
        CaptureInPieces(browser, out, area);
        result.files = out.Finish();
    } catch (const PageNotAnswering& error) {
        result.failure = error.what();
        result.stalled = true;
    } catch (const std::exception& error) {
        result.failure = error.what();
    }
    if (begun && !result.stalled) {
        try {
            browser.EndCapture();
        } catch (...) {
            // The page is left as it is; the next chapter replaces it.
        }
    }
    return result;
}

} // namespace qm

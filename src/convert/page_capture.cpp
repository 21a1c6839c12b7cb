#include "convert/page_capture.h"

#include "convert/jpeg_file_writer.h"
#include "convert/output_names.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <system_error>

namespace qm {

namespace {

// True when the file may be written: it does not exist, or the user agreed to replace it.
bool MayWrite(Dialogs& dialogs, const std::string& path) {
    std::error_code error;
    return !std::filesystem::exists(path, error) || dialogs.AskReplace(kReplaceQuestion) != ReplaceAnswer::No;
}

} // namespace

// The rows of the image, cut into files of at most JpegFileWriter::kMaxDimension rows.
class PartedJpeg {
public:
    PartedJpeg(const std::string& fileName, int width, int height, int quality)
        : fileName_(fileName), width_(width), height_(height), quality_(quality) {}

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

    // Asks about every part file that exists before any is written, as the rows may be written elsewhere
    // (on the encoder's thread), then starts the first file; false when the user keeps an existing file of
    // the first name. A later part the user keeps is left out.
    bool Start(Dialogs& dialogs) {
        for (int part = 1, rows = 0; rows < height_; ++part, rows += JpegFileWriter::kMaxDimension) {
            wanted_.push_back(MayWrite(dialogs, PartName(part)));
        }
        if (!wanted_.front()) {
            return false;
        }
        OpenPart();
        return true;
    }

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
    std::string PartName(int part) const { return part == 1 ? fileName_ : ContinuationFileName(fileName_, part); }

    void OpenPart() {
        partRows_ = std::min(height_ - rowsBefore_, JpegFileWriter::kMaxDimension);
        partDone_ = 0;
        if (wanted_[static_cast<std::size_t>(part_ - 1)]) {
            path_ = PartName(part_);
            writer_.emplace(path_, width_, partRows_, quality_);
        }
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
    std::vector<bool> wanted_;
    bool finished_ = false;
};

// What a capture's encoding shares with the tasks on the encoder's thread. Only those tasks touch `out`;
// the rest is read once `done` is set.
struct PendingCapture::Encoding {
    std::unique_ptr<PartedJpeg> out;
    std::vector<std::string> files;
    std::string failure;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;

    // Ends the encoding: the files are kept when `complete` and no row failed, else removed.
    void End(bool complete) {
        if (complete && out) {
            files = out->Finish();
        }
        out.reset();
        {
            const std::lock_guard lock(mutex);
            done = true;
        }
        finished.notify_all();
    }
};

namespace {

// The area in the captured pictures' pixels, `scale` to a CSS pixel.
PageArea Scaled(const PageArea& area, double scale) {
    return {static_cast<int>(std::lround(area.top * scale)), static_cast<int>(std::lround(area.rows * scale)),
            static_cast<int>(std::lround(area.width * scale))};
}

// Scrolls the rows of the area into the view one piece after the other and hands them to the encoder. Rows are
// counted in the pictures' pixels (`scale` to a CSS pixel); the view scrolls by CSS pixels.
void CaptureInPieces(BrowserView& browser, PageEncoder& encoder,
                     const std::shared_ptr<PendingCapture::Encoding>& encoding, const PageArea& area, double scale) {
    const PageArea pixels = Scaled(area, scale);
    const int bottom = pixels.top + pixels.rows;
    for (int y = pixels.top; y < bottom;) {
        const int cssRow = static_cast<int>(y / scale);
        ViewImage view = browser.CaptureView(cssRow);
        const int offset = y - static_cast<int>(std::lround(view.scrollY * scale));
        if (offset < 0 || offset >= view.height || view.width < pixels.width) {
            throw std::runtime_error("The page view could not show the page's rows from " + std::to_string(cssRow) +
                                     " on (it showed them from row " + std::to_string(view.scrollY) + ")");
        }
        const int take = std::min(view.height - offset, bottom - y);
        encoder.Post([encoding, view = std::move(view), offset, take] {
            if (!encoding->out) {
                return;
            }
            try {
                encoding->out->WriteRows(view.Row(offset), take, view.stride,
                                         view.bgrx ? JpegFileWriter::Pixels::Bgrx : JpegFileWriter::Pixels::Rgb);
            } catch (const std::exception& error) {
                encoding->failure = error.what();
                encoding->out.reset();
            }
        });
        y += take;
    }
}

} // namespace

PendingCapture::PendingCapture(CaptureResult ended) : ended_(std::move(ended)) {}

PendingCapture::PendingCapture(std::shared_ptr<Encoding> encoding, CaptureResult ended)
    : encoding_(std::move(encoding)), ended_(std::move(ended)) {}

PendingCapture::PendingCapture(PendingCapture&&) noexcept = default;
PendingCapture& PendingCapture::operator=(PendingCapture&&) noexcept = default;
PendingCapture::~PendingCapture() = default;

bool PendingCapture::Done() const {
    if (!encoding_) {
        return true;
    }
    const std::lock_guard lock(encoding_->mutex);
    return encoding_->done;
}

CaptureResult PendingCapture::Finish() {
    if (encoding_) {
        std::unique_lock lock(encoding_->mutex);
        encoding_->finished.wait(lock, [this] { return encoding_->done; });
        if (ended_.failure.empty()) {
            ended_.files = encoding_->files;
            ended_.failure = encoding_->failure;
        }
        lock.unlock();
        encoding_.reset();
    }
    return ended_;
}

PendingCapture CaptureViewToJPEG(BrowserView& browser, Dialogs& dialogs, PageEncoder& encoder,
                                 const std::string& fileName, const PageArea& area, int quality) {
    CaptureResult ended;
    if (area.rows <= 0 || area.width <= 0 || area.top < 0) {
        ended.failure = "the page is " + std::to_string(area.width) + " x " + std::to_string(area.rows) +
                        " pixels, which leaves nothing to capture";
        return PendingCapture(ended);
    }
    const double scale = browser.CaptureScale();
    const PageArea pixels = Scaled(area, scale);
    if (pixels.width > JpegFileWriter::kMaxDimension) {
        ended.failure = "the page is " + std::to_string(pixels.width) + " pixels wide; a JPEG file holds at most " +
                        std::to_string(JpegFileWriter::kMaxDimension);
        return PendingCapture(ended);
    }
    auto encoding = std::make_shared<PendingCapture::Encoding>();
    try {
        encoding->out = std::make_unique<PartedJpeg>(fileName, pixels.width, pixels.rows, quality);
        if (!encoding->out->Start(dialogs)) {
            ended.declined = true;
            return PendingCapture(ended);
        }
    } catch (const std::exception& error) {
        ended.failure = error.what();
        return PendingCapture(ended);
    }
    try {
        browser.BeginCapture(area.top + area.rows);
        CaptureInPieces(browser, encoder, encoding, area, scale);
    } catch (const PageNotAnswering& error) {
        ended.failure = error.what();
        ended.stalled = true;
    } catch (const std::exception& error) {
        ended.failure = error.what();
    }
    encoder.Post([encoding, complete = ended.failure.empty()] { encoding->End(complete); });
    if (!ended.stalled) {
        try {
            browser.EndCapture();
        } catch (...) {
            // The page is left as it is; the next chapter replaces it.
        }
    }
    return PendingCapture(encoding, ended);
}

CaptureResult CaptureViewToJPEG(BrowserView& browser, Dialogs& dialogs, const std::string& fileName,
                                const PageArea& area, int quality) {
    PageEncoder encoder;
    return CaptureViewToJPEG(browser, dialogs, encoder, fileName, area, quality).Finish();
}

} // namespace qm

#include "convert/book_converter.h"

#include "book/file_search.h"
#include "book/string_fields.h"
#include "book/working_folders.h"
#include "convert/output_names.h"
#include "convert/page_capture.h"
#include "jpeg2pdf2/jpeg2pdf2.h"
#include "view/web_zoom.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace qm {

namespace {

// Thrown through the conversion's own frames when the user cancels; never leaves the command.
struct ConversionCancelled {};

constexpr int kQuality = 100;

// The folder part of a chosen file name, up to and including its last "/".
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A measured size plus the two margins, as a view size.
int WithMargins(int size, int margin, const char* what) {
    const std::int64_t sum = static_cast<std::int64_t>(size) + 2 * static_cast<std::int64_t>(margin);
    if (size < 0 || sum > INT_MAX) {
        throw std::runtime_error(std::string("The page reports a scroll ") + what + " of " + std::to_string(size) +
                                 " pixels");
    }
    return static_cast<int>(sum);
}

// Puts the view back to the size it had before a chapter was enlarged for its capture, however the capture
// ends.
class ViewSizeKeeper {
public:
    explicit ViewSizeKeeper(BrowserView& browser)
        : browser_(browser), height_(browser.ViewHeight()), width_(browser.ViewWidth()) {}
    ~ViewSizeKeeper() {
        try {
            browser_.SetViewHeight(height_);
            browser_.SetViewWidth(width_);
        } catch (...) {
            // Setting a widget's size does not fail; a fake that throws leaves the view as it is.
        }
    }
    ViewSizeKeeper(const ViewSizeKeeper&) = delete;
    ViewSizeKeeper& operator=(const ViewSizeKeeper&) = delete;

private:
    BrowserView& browser_;
    int height_;
    int width_;
};

} // namespace

BookConverter::BookConverter(ConversionContext context) : c_(std::move(context)) {}

void BookConverter::ConverttoPDF1Click() {
    Convert(Target::Pdf);
}

void BookConverter::ConverttoJPG1Click() {
    Convert(Target::Jpg);
}

void BookConverter::Cancel(bool quietly) {
    if (running_) {
        cancelled_ = true;
        quiet_ = quiet_ || quietly;
    }
}

void BookConverter::ThrowIfCancelled() const {
    if (cancelled_) {
        throw ConversionCancelled{};
    }
}

void BookConverter::Advance() {
    c_.window.SetProgress(++progress_);
}

void BookConverter::ConvertProgress(const std::string&, std::int32_t, std::int32_t) {
    c_.pump.ProcessEvents();
    Advance();
}

bool BookConverter::Prepare() {
    if (c_.bookPath().empty()) {
        c_.dialogs.ShowMessage(MessageKind::Information, "", "\rOpen a book first: there is nothing to convert.");
        return false;
    }
    // These stay in effect whatever follows, a cancelled save dialog included.
    ResetFolder(c_.tempJPG());
    c_.window.ShowBrowser();
    c_.window.Maximise();
    c_.window.SetProgress(0);
    c_.state.flag_complete = 0;
    c_.state.WebZoom = 1.0;
    if (!c_.state.flag_null) {
        ApplyWebZoom(c_.state, c_.browser);
    }
    return true;
}

void BookConverter::Convert(Target target) {
    if (running_ || c_.toc.RowCount() == 0 || !Prepare()) {
        return;
    }
    const bool pdf = target == Target::Pdf;
    const std::optional<std::string> chosen =
        c_.dialogs.AskSaveFileName(pdf ? FileFilter{"PDF Document", "*.pdf"} : FileFilter{"JPEG Document", "*.jpg"},
                                   FileNameWithoutExt(c_.bookPath()), pdf ? "pdf" : "jpg");
    if (!chosen) {
        return;
    }
    running_ = true;
    cancelled_ = false;
    quiet_ = false;
    c_.window.LockInput(true);
    std::exception_ptr error;
    std::vector<std::string> written;
    std::vector<Missing> missing;
    try {
        CaptureChapters(target, *chosen, written, missing);
        if (pdf) {
            WritePdf(written, *chosen);
        }
    } catch (const ConversionCancelled&) {
        // Nothing to report: the user asked for it.
    } catch (...) {
        error = std::current_exception();
    }
    if (cancelled_ && !pdf) {
        for (const std::string& file : written) {
            std::error_code ignored;
            std::filesystem::remove(file, ignored);
        }
    }
    c_.window.HideProgress();
    c_.window.SetProgress(0);
    c_.window.LockInput(false);
    running_ = false;
    if (!quiet_) {
        c_.shell.OpenFolder(FolderOf(*chosen));
    }
    if (error) {
        std::rethrow_exception(error);
    }
    if (!missing.empty() && !cancelled_) {
        throw std::runtime_error(MissingReport(missing));
    }
}

std::string BookConverter::MissingReport(const std::vector<Missing>& missing) {
    // A box stays readable: a fault that hits every chapter (a folder that cannot be written) is named a few
    // times, then counted.
    constexpr std::size_t kNamed = 10;
    std::string report = "\rThese chapters could not be captured:";
    for (std::size_t i = 0; i < std::min(missing.size(), kNamed); ++i) {
        report += "\rrow " + std::to_string(missing[i].row) + " \"" + missing[i].title + "\": " + missing[i].reason;
    }
    if (missing.size() > kNamed) {
        report += "\rand " + std::to_string(missing.size() - kNamed) + " more";
    }
    return report;
}

std::vector<std::int32_t> BookConverter::ChapterRows() const {
    std::vector<std::int32_t> rows;
    for (std::int32_t row = 1; row < c_.toc.RowCount(); ++row) {
        if (!Trim(c_.toc.Cell(2, row)).empty()) {
            rows.push_back(row);
        }
    }
    return rows;
}

void BookConverter::CaptureChapters(Target target, const std::string& chosen, std::vector<std::string>& written,
                                    std::vector<Missing>& missing) {
    const std::vector<std::int32_t> chapters = ChapterRows();
    const auto count = static_cast<int>(chapters.size());
    progress_ = 0;
    c_.window.ShowProgress(std::max(count, 1));
    int number = 0;
    for (const std::int32_t row : chapters) {
        ThrowIfCancelled();
        ++number;
        if (onChapter) {
            onChapter({row, number, count, c_.toc.Cell(1, row)});
        }
        c_.state.flag_complete = 0;
        c_.selectRow(row);
        const bool loaded =
            c_.pump.WaitUntil([this] { return c_.state.flag_complete == 1 || cancelled_; }, chapterTimeout);
        ThrowIfCancelled();
        if (!loaded) {
            throw std::runtime_error(
                "Chapter \"" + c_.toc.Cell(1, row) + "\" (row " + std::to_string(row) + ", " + c_.toc.Cell(2, row) +
                ") did not finish loading within " +
                std::to_string(std::chrono::duration_cast<std::chrono::seconds>(chapterTimeout).count()) + " seconds");
        }
        c_.state.flag_complete = 0;
        if (!c_.state.flag_null) {
            CaptureChapter(row, target == Target::Pdf ? PageFileName(c_.tempJPG(), row) : JpgOutputName(chosen, row),
                           written, missing);
        }
        Advance();
    }
}

void BookConverter::CaptureChapter(std::int32_t row, const std::string& fileName, std::vector<std::string>& written,
                                   std::vector<Missing>& missing) {
    const std::string path = Trim(c_.toc.Cell(2, row));
    const int margin = c_.window.ScrollBarWidth();
    // Chapters named .xhtml are measured on the root element, the others on the body; a body smaller than the
    // document (margins, content outside it) would cut the page, so the document's size is the least taken.
    // Documents without a body (an SVG picture as a chapter) are measured on their root.
    bool body = path.find(".xhtm") == std::string::npos;
    ViewSizeKeeper keeper(c_.browser);

    int height = 0;
    if (body) {
        try {
            height = c_.browser.ScrollHeight(ScrollElement::Body);
        } catch (const std::runtime_error&) {
            body = false;
        }
    }
    height = std::max(height, c_.browser.ScrollHeight(ScrollElement::Root));
    const ScrollElement element = body ? ScrollElement::Body : ScrollElement::Root;
    const int viewHeight = WithMargins(height, margin, "height");
    c_.browser.SetViewHeight(std::min(viewHeight, kCaptureTileRows));
    if (viewHeight > kCaptureTileRows) {
        // A tall page is shown only one piece of its capture high, so that the view never holds it whole;
        // without its scroll bar, which would make it lay out narrower than when shown whole.
        c_.browser.BeginCapture(viewHeight - margin + 1);
    }
    int width = c_.browser.ScrollWidth(element);
    if (body) {
        width = std::max(width, c_.browser.ScrollWidth(ScrollElement::Root));
    }
    c_.browser.SetViewWidth(WithMargins(width, margin, "width"));

    const CaptureResult result =
        CaptureViewToJPEG(c_.browser, c_.dialogs, fileName, viewHeight, c_.browser.ViewWidth(), margin, kQuality);
    written.insert(written.end(), result.files.begin(), result.files.end());
    if (!result.declined && result.files.empty()) {
        missing.push_back({row, c_.toc.Cell(1, row), result.failure});
    }
}

void BookConverter::WritePdf(const std::vector<std::string>& pages, const std::string& outFile) {
    progress_ = 0;
    c_.window.ShowProgress(static_cast<int>(pages.size()) + 2);
    const std::int32_t result = JpegsToPDF(
        pages, outFile,
        [this](const std::string& text, std::int32_t total, std::int32_t done) { ConvertProgress(text, total, done); },
        [this] {
            c_.pump.ProcessEvents();
            ThrowIfCancelled();
        });
    ThrowIfCancelled();
    if (result == pdfNoFiles) {
        c_.dialogs.ShowMessage(MessageKind::Information, "", "\rNo files existing!");
    } else if (result == pdfDone) {
        c_.dialogs.ShowMessage(MessageKind::Plain, "Congratulation", "Successed to build: " + outFile);
    } else {
        c_.dialogs.ShowMessage(MessageKind::Error, "", "\rAborted!");
    }
}

} // namespace qm

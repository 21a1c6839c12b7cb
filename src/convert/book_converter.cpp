#include "convert/book_converter.h"

#include "book/file_search.h"
#include "book/working_folders.h"
#include "convert/chapter_section.h"
#include "convert/conversion_output.h"
#include "convert/output_check.h"
#include "convert/output_names.h"
#include "convert/page_capture.h"
#include "diagnostics/duration_text.h"
#include "diagnostics/log.h"
#include "files/regular_file.h"
#include "jpeg2pdf2/jpeg2pdf2.h"
#include "view/web_zoom.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <system_error>
#include <tuple>

namespace qm {

namespace {

// Thrown through the conversion's own frames when the user cancels; never leaves the command.
struct ConversionCancelled {};

// Laying a page out anew at the height it is captured at may change its height (parts sized by the
// viewport); it settles within a few rounds or keeps the last one.
constexpr int kLayoutRounds = 3;

// Puts the view back to the size and capture scale it had before the chapters were laid out for their
// captures, and gives it back the reader's look, however the conversion ends. Between chapters it keeps the size of the
// last capture: the next chapter is laid out anew anyway, and every resize costs a full render.
class ViewSizeKeeper {
public:
    explicit ViewSizeKeeper(BrowserView& browser)
        : browser_(browser), height_(browser.ViewHeight()), width_(browser.ViewWidth()),
          scale_(browser.CaptureScale()) {
        // A conversion draws the book as its files say, without the reader's look.
        browser_.SetReadingStyleSuspended(true);
    }
    ~ViewSizeKeeper() {
        try {
            browser_.SetReadingStyleSuspended(false);
            browser_.SetViewHeight(height_);
            browser_.SetViewWidth(width_);
            browser_.SetCaptureScale(scale_);
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
    double scale_;
};

// The view height that shows `rows` rows of a page at once, up to a tile: a page is laid out at the height it is
// captured at.
// frames.
int CaptureViewHeight(int rows) {
    return std::min(rows, kCaptureTileRows);
}

} // namespace

bool ConversionResult::Complete() const {
    return started && !cancelled && error.empty() && missing.empty() &&
           (kind == ConversionKind::Jpg || pdfResult == pdfDone);
}

BookConverter::BookConverter(ConversionContext context) : c_(std::move(context)) {}

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

bool BookConverter::Prepare(ConversionResult& result) {
    if (c_.bookPath().empty()) {
        result.noBook = true;
        return false;
    }
    // These stay in effect whatever follows, a cancelled save dialog included.
    ResetFolder(c_.tempJPG());
    c_.window.ShowBrowser();
    c_.window.Maximise();
    c_.window.SetProgress(0);
    c_.chapters.ClearCompletion();
    c_.state.WebZoom = 1.0;
    if (!c_.state.flag_null) {
        ApplyWebZoom(c_.state, c_.browser);
    }
    return true;
}

std::string BookConverter::CheckOutput(ConversionKind kind, const std::string& chosen) const {
    return OutputRefusal(kind, c_.bookPath(), chosen, options.replace, RowsToConvert());
}

TakenName BookConverter::WhenTaken(const std::string& name) const {
    if (options.replace) {
        // Checked free before the first chapter: a file there now was written by someone else meanwhile.
        return *options.replace ? TakenName::Replace : TakenName::Stop;
    }
    if (name == chosen_ && chosenExisted_) {
        return TakenName::Replace; // the save dialog asked
    }
    return c_.dialogs.AskReplace(kReplaceQuestion) == ReplaceAnswer::No ? TakenName::Keep : TakenName::Replace;
}

ConversionResult BookConverter::Convert(ConversionKind kind) {
    ConversionResult result;
    result.kind = kind;
    if (running_ || c_.toc.RowCount() == 0 || !Prepare(result)) {
        return result;
    }
    const bool pdf = kind != ConversionKind::Jpg;
    const std::optional<std::string> chosen =
        c_.dialogs.AskSaveFileName(pdf ? FileFilter{"PDF Document", "*.pdf"} : FileFilter{"JPEG Document", "*.jpg"},
                                   FileNameWithoutExt(c_.bookPath()), pdf ? "pdf" : "jpg");
    if (!chosen) {
        return result;
    }
    result.started = true;
    result.output = *chosen;
    chosen_ = *chosen;
    std::error_code ec;
    chosenExisted_ = std::filesystem::exists(std::filesystem::symlink_status(*chosen, ec));
    // Found out before the first chapter is rendered, not after the last.
    result.error = CheckOutput(kind, *chosen);
    if (!result.error.empty()) {
        return result;
    }
    running_ = true;
    cancelled_ = false;
    quiet_ = false;
    pageWidth_ = options.pageWidth > 0 ? options.pageWidth : c_.browser.ViewWidth();
    viewportHeight_ = options.viewportHeight > 0 ? options.viewportHeight : c_.browser.ViewHeight();
    c_.browser.SetResponseLimit(options.responseLimit);
    c_.browser.SetLoadLimit(options.chapterTimeout);
    c_.window.LockInput(true);
    try {
        const ViewSizeKeeper keeper(c_.browser);
        c_.browser.SetCaptureScale(options.scale);
        result.scale = options.scale;
        if (kind == ConversionKind::TextPdf) {
            PrintChapters(result);
        } else {
            CaptureChapters(result);
            SettleCaptures(result, true);
        }
        if (options.pageFolder.empty()) {
            MakeOutput(result);
        }
    } catch (const ConversionCancelled&) {
        // Nothing to report: the user asked for it.
    } catch (const std::exception& error) {
        result.error = error.what();
    }
    // Pages still encoding when the conversion stopped are finished and recorded, so that what it wrote is
    // known (and removed when cancelled).
    SettleCaptures(result, true);
    encoder_.reset();
    result.cancelled = cancelled_;
    result.quiet = quiet_;
    c_.window.HideProgress();
    c_.window.SetProgress(0);
    c_.window.LockInput(false);
    running_ = false;
    return result;
}

void BookConverter::FindAnchors(const std::vector<std::int32_t>& rows) {
    anchorsByFile_.clear();
    for (const std::int32_t row : rows) {
        const ChapterLink link = c_.toc.Row(row).link;
        if (!link.fragment.empty()) {
            anchorsByFile_[link.file].push_back(link.fragment);
        }
    }
}

std::vector<std::int32_t> BookConverter::RowsToConvert() const {
    std::vector<std::int32_t> rows = c_.toc.ChapterRows();
    if (!options.rows.empty()) {
        std::erase_if(rows, [this](std::int32_t row) {
            return std::find(options.rows.begin(), options.rows.end(), row) == options.rows.end();
        });
    }
    return rows;
}

std::string BookConverter::PageFolder() const {
    return options.pageFolder.empty() ? c_.tempJPG() : options.pageFolder;
}

void BookConverter::Skip(ConversionResult& result, std::int32_t row, const std::string& reason) {
    // Chapters are named in row order: the captures still encoding come first.
    SettleCaptures(result, true);
    Missing(result, row, reason);
}

void BookConverter::Missing(ConversionResult& result, std::int32_t row, const std::string& reason) {
    result.missing.push_back({row, c_.toc.Row(row).title, reason});
}

void BookConverter::CaptureChapters(ConversionResult& result) {
    // Sections are cut by the anchors of every row of the book, also of rows another process converts.
    FindAnchors(c_.toc.ChapterRows());
    const std::vector<std::int32_t> chapters = RowsToConvert();
    const auto count = static_cast<int>(chapters.size());
    progress_ = 0;
    c_.window.ShowProgress(std::max(count, 1));
    encoder_ = std::make_unique<PageEncoder>();
    int number = 0;
    for (const std::int32_t row : chapters) {
        ThrowIfCancelled();
        ++number;
        if (onChapter) {
            onChapter({row, number, count, c_.toc.Row(row).title});
        }
        log::Step step(log::Area::Convert, "row " + std::to_string(row) + " done");
        // The chapter is measured in the viewport a reader sees: given that size before it loads, it is laid
        // out and drawn at it once, not first at the size of the last capture.
        c_.browser.SetViewWidth(pageWidth_);
        c_.browser.SetViewHeight(viewportHeight_);
        c_.chapters.ShowRow(row);
        // The view ends a load that takes too long itself; this wait only guards against a view that does not.
        const bool loaded = c_.pump.WaitUntil([this] { return c_.state.flag_complete == 1 || cancelled_; },
                                              options.chapterTimeout + std::chrono::seconds(1));
        ThrowIfCancelled();
        if (!loaded) {
            // Whatever holds the page up stays with the page left behind.
            c_.browser.Renew();
            Skip(result, row, "did not finish loading within " + SecondsText(options.chapterTimeout));
        } else {
            c_.chapters.TakeCompletion();
            if (!c_.chapters.LoadFailure().empty()) {
                Skip(result, row, "could not be shown: " + c_.chapters.LoadFailure());
            } else if (!c_.state.flag_null) {
                CaptureChapter(row, PageFileName(PageFolder(), row), result);
            }
        }
        SettleCaptures(result, false);
        Advance();
    }
    SettleCaptures(result, true);
}

void BookConverter::CaptureChapter(std::int32_t row, const std::string& fileName, ConversionResult& result) {
    if (SameFile(fileName, c_.bookPath())) {
        Skip(result, row, "its file \"" + fileName + "\" is the book itself");
        return;
    }
    const ChapterLink link = c_.toc.Row(row).link;
    std::optional<PendingCapture> pending;
    CaptureResult capture;
    log::Write(log::Area::Convert, "row " + std::to_string(row) + " loaded");
    auto laidOut = std::make_unique<log::Step>(log::Area::Convert, "row " + std::to_string(row) + " laid out");
    try {
        // Laid out at the page width in the viewport a reader would see; a page whose content is wider than
        // that is as wide as its content, and a picture is its own size.
        DocumentLayout layout = c_.browser.LayOut(pageWidth_, viewportHeight_);
        int width = pageWidth_;
        int height = layout.height;
        const std::optional<std::pair<int, int>> fixedSize = FixedPageSize(row, layout);
        if (fixedSize) {
            // A page of fixed layout is its own size: laid out and captured in a viewport of exactly that size.
            std::tie(width, height) = *fixedSize;
            layout = c_.browser.LayOut(width, height);
        } else if (layout.kind == DocumentKind::Bitmap ||
                   (layout.kind == DocumentKind::Svg && layout.intrinsicWidth > 0 && layout.intrinsicHeight > 0)) {
            width = layout.intrinsicWidth;
            height = layout.intrinsicHeight;
        } else if (layout.kind == DocumentKind::Svg && layout.aspectRatio > 0) {
            height = std::max(1, static_cast<int>(pageWidth_ * layout.aspectRatio + 0.5));
        } else if (layout.width > width) {
            width = layout.width;
            height = c_.browser.LayOut(width, viewportHeight_).height;
        }
        if (width <= 0 || height <= 0) {
            throw std::runtime_error("the page has no size to capture");
        }
        // The capture shows the page up to a tile at once; a page that grows with its viewport is measured
        // again at that height until it settles. A page no taller than its viewport keeps the height measured.
        for (int round = 0; round < kLayoutRounds && !fixedSize; ++round) {
            const int viewHeight = CaptureViewHeight(height);
            layout = c_.browser.LayOut(width, viewHeight);
            if (layout.kind != DocumentKind::Page || layout.height <= viewHeight || layout.height == height) {
                break;
            }
            height = layout.height;
        }

        PageArea area{0, height, width};
        if (layout.kind == DocumentKind::Page) {
            // A row with an anchor gets its section: from its anchor down to the next anchor of a row into the
            // same file. The row without an anchor gets the file's top down to the first such anchor.
            const std::vector<std::string>& fragments = anchorsByFile_[link.file];
            if (!fragments.empty()) {
                const RowSpan section =
                    ChapterSection(link.fragment, fragments, c_.browser.AnchorTops(fragments), height);
                area.top = section.top;
                area.rows = section.bottom - section.top;
            }
        }
        if (log::Enabled(log::Area::Convert)) {
            log::Write(log::Area::Convert,
                       "row " + std::to_string(row) + " laid out: rows " + std::to_string(area.top) + " to " +
                           std::to_string(area.top + area.rows) + ", " + std::to_string(area.width) + " wide");
        }
        laidOut.reset();
        log::Step captured(log::Area::Convert, "row " + std::to_string(row) + " captured");
        pending.emplace(CaptureViewToJPEG(c_.browser, c_.dialogs, *encoder_, fileName, area, options.quality));
        capture.stalled = pending->Stalled();
    } catch (const PageNotAnswering& error) {
        capture.failure = error.what();
        capture.stalled = true;
    } catch (const std::exception& error) {
        capture.failure = error.what();
    }
    if (capture.stalled) {
        log::Write(log::Area::Convert, "row " + std::to_string(row) + " stalled: the page is renewed");
        c_.browser.Renew();
    }
    if (pending) {
        encoding_.push_back({row, std::move(*pending)});
    } else {
        SettleCaptures(result, true);
        Record(row, capture, result);
    }
}

std::optional<std::pair<int, int>> BookConverter::FixedPageSize(std::int32_t row, const DocumentLayout& layout) const {
    const ChapterLink link = c_.toc.Row(row).link;
    const auto facts = c_.state.chapterFacts.find(FactsKey(ChapterSource(c_.state, link.file)));
    if (facts == c_.state.chapterFacts.end() || !facts->second.fixedLayout) {
        return std::nullopt;
    }
    if (layout.declaredWidth > 0 && layout.declaredHeight > 0) {
        return std::make_pair(layout.declaredWidth, layout.declaredHeight);
    }
    if (layout.intrinsicWidth > 0 && layout.intrinsicHeight > 0) {
        return std::make_pair(layout.intrinsicWidth, layout.intrinsicHeight);
    }
    return std::nullopt;
}

void BookConverter::Record(std::int32_t row, const CaptureResult& capture, ConversionResult& result) {
    result.written.insert(result.written.end(), capture.files.begin(), capture.files.end());
    if (capture.declined) {
        ++result.kept;
    } else if (capture.files.empty()) {
        Missing(result, row, capture.failure);
    }
}

void BookConverter::SettleCaptures(ConversionResult& result, bool wait) {
    while (!encoding_.empty() && (wait || encoding_.front().capture.Done())) {
        Encoding next = std::move(encoding_.front());
        encoding_.pop_front();
        Record(next.row, next.capture.Finish(), result);
    }
}

// The document or the pages, from what the chapters left in the working folder.
void BookConverter::MakeOutput(ConversionResult& result) {
    OutputHooks hooks;
    hooks.whenTaken = [this](const std::string& name) { return WhenTaken(name); };
    hooks.pdfProgress = [this](const std::string& text, std::int32_t total, std::int32_t done) {
        ConvertProgress(text, total, done);
    };
    hooks.pump = [this] {
        c_.pump.ProcessEvents();
        ThrowIfCancelled();
    };
    hooks.mergeProgress = [this](int, int) {
        c_.pump.ProcessEvents();
        ThrowIfCancelled();
        Advance();
    };
    if (result.kind != ConversionKind::Jpg) {
        // The writer's own steps (a picture PDF's start and end besides its pages, a text PDF's chapters).
        progress_ = 0;
        c_.window.ShowProgress(static_cast<int>(result.written.size()) + (result.kind == ConversionKind::Pdf ? 2 : 0));
    }
    log::Step step(log::Area::Pdf, "made " + result.output + " of " + std::to_string(result.written.size()) + " files");
    qm::MakeOutput(result, c_.toc, metadata ? metadata() : BookMetadata{}, hooks);
    ThrowIfCancelled();
}

} // namespace qm

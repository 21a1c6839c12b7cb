#pragma once

#include "book/book_metadata.h"
#include "book/reader_state.h"
#include "book/table_of_contents.h"
#include "convert/conversion_result.h"
#include "convert/conversion_window.h"
#include "convert/jpg_pages.h"
#include "convert/page_capture.h"
#include "convert/page_encoder.h"
#include "platform/ui/browser_view.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/event_pump.h"
#include "view/chapter_display.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qm {

// Everything a conversion works with; all of it belongs to the main window and outlives the converter.
struct ConversionContext {
    ReaderState& state;
    const TableOfContents& toc;
    // The reading view: the conversion shows each row through it, as a click on the row does, and awaits its
    // page there.
    ChapterDisplay& chapters;
    BrowserView& browser;
    Dialogs& dialogs;
    ConversionWindow& window;
    EventPump& pump;
    // The path of the open book (empty before the first opening) and the folder of captured pages; both change
    // with each opening.
    std::function<std::string()> bookPath;
    std::function<std::string()> tempJPG;
};

// The paper of a text PDF: A4 or Letter with margins of half an inch, or pages as wide as the page width and
// as tall as each chapter (up to the 14,400 points viewers take; taller chapters go on in further pages).
enum class PaperKind { A4, Letter, Chapter };

// How pages are laid out and how long a conversion waits for them.
struct ConversionOptions {
    PaperKind paper = PaperKind::A4;
    // The width every page is laid out at (a chapter whose content is wider is as wide as its content), and
    // the height of the viewport it is laid out in; 0 takes the view's size when the conversion starts.
    int pageWidth = 0;
    int viewportHeight = 0;
    // A chapter that has not finished loading by then is skipped and named.
    std::chrono::milliseconds chapterTimeout = std::chrono::seconds(60);
    // Any other wait for the page (a script's answer, a frame); a page that does not answer is left behind
    // for a fresh one, and its chapter is skipped and named.
    std::chrono::milliseconds responseLimit = std::chrono::seconds(10);
    // Part of a conversion shared among several processes: only these rows (all when empty) are converted,
    // and their page files (a picture PDF's or JPG's) or chapter PDFs (a text PDF's) go to `pageFolder`, named
    // by row, without the document being made of them or the pages put in place.
    std::vector<std::int32_t> rows;
    std::string pageFolder;
    // Pixels of a page picture to a CSS pixel: 1 draws every page alike on every machine, 2 twice as sharp (a PDF
    // page keeps its size in points).
    double scale = 1.0;
    // The JPEG quality of the page pictures (1 to 100): 100, every detail, unless told otherwise.
    int quality = 100;
    // Whether the output may replace files of its names. Unset (the window): a file under the chosen name when
    // it was chosen may be replaced (the save dialog asked), and the user is asked about any other name that is
    // taken. True or false decides for every name (the command line's --replace).
    std::optional<bool> replace;
};

// A chapter that the conversion is about to capture: its row, its place among the chapters and its title.
struct ChapterStep {
    std::int32_t row = 0;
    int number = 0;
    int count = 0;
    std::string title;
};

// The two conversion commands. Each walks the book's chapters in table order: shows the chapter, waits for
// it to load, lays it out at the page width with its scroll bars hidden, and captures the whole document (a
// row whose path has an anchor: its section, up to the next row's anchor in the same file) one pixel to one.
// Both capture into the page files of tempJPG; Convert to PDF writes one PDF of them, Convert to JPG puts them
// in place as one numbered JPEG file per chapter next to the chosen name. A chapter that cannot be shown or
// captured costs only itself: it is named in the result and the others go on, and what was converted is
// written under the chosen name's incomplete name (IncompleteOutputName), never under the chosen name. The commands
// report nothing themselves: the result says what happened (ReportConversion shows it as the window does).
class BookConverter {
public:
    explicit BookConverter(ConversionContext context);

    ConversionOptions options;
    // Told of each chapter before it is captured (the command-line tool prints it).
    std::function<void(const ChapterStep&)> onChapter;

    // Converts the book: to a picture PDF, to numbered JPEG files, or (ConversionKind::TextPdf) to a PDF of
    // text: every chapter file printed once by the engine (text as text, links kept), merged into one document
    // with one bookmark per row (a row with an anchor at its anchor), the book's title, author and language,
    // and page numbers.
    ConversionResult Convert(ConversionKind kind);
    // The book's metadata for the text PDF (empty fields when not set).
    std::function<BookMetadata()> metadata;
    // The PDF writer's progress report: handles waiting events and moves the progress bar one step.
    void ConvertProgress(const std::string& text, std::int32_t total, std::int32_t done);

    bool Running() const { return running_; }
    // Asks the running conversion to stop at its next wait or step: it writes no PDF and no JPEG file, and
    // (when `quietly`, as when the program closes) asks that no folder be opened.
    void Cancel(bool quietly = false);

private:
    bool Prepare(ConversionResult& result);
    std::string CheckOutput(ConversionKind kind, const std::string& chosen) const;
    TakenName WhenTaken(const std::string& name) const;
    void MakeOutput(ConversionResult& result);
    std::vector<std::int32_t> RowsToConvert() const;
    std::string PageFolder() const;
    void CaptureChapters(ConversionResult& result);
    void CaptureChapter(std::int32_t row, const std::string& fileName, ConversionResult& result);
    void Record(std::int32_t row, const CaptureResult& capture, ConversionResult& result);
    // The size a fixed-layout page declares (its viewport meta, else a picture's own size); nothing for a page
    // that flows, or a fixed one that declares none.
    std::optional<std::pair<int, int>> FixedPageSize(std::int32_t row, const DocumentLayout& layout) const;
    void SettleCaptures(ConversionResult& result, bool wait);
    void PrintChapters(ConversionResult& result);
    bool PrintFile(std::int32_t row, const std::string& pdfPath);
    void FindAnchors(const std::vector<std::int32_t>& rows);
    void ThrowIfCancelled() const;
    void Advance();
    void Skip(ConversionResult& result, std::int32_t row, const std::string& reason);
    void Missing(ConversionResult& result, std::int32_t row, const std::string& reason);

    ConversionContext c_;
    bool running_ = false;
    // The chosen output and whether a file was there when it was chosen.
    std::string chosen_;
    bool chosenExisted_ = false;
    bool cancelled_ = false;
    bool quiet_ = false;
    int progress_ = 0;
    int pageWidth_ = 0;
    int viewportHeight_ = 0;
    // The anchors that the book's rows point to, by file.
    std::map<std::string, std::vector<std::string>> anchorsByFile_;
    // Pages are encoded while the next chapters load; their captures are recorded in row order as they end.
    std::unique_ptr<PageEncoder> encoder_;
    struct Encoding {
        std::int32_t row;
        PendingCapture capture;
    };
    std::deque<Encoding> encoding_;
};

} // namespace qm

// Convert to PDF (text): each chapter file printed once by the engine, merged into one document.
#include "convert/book_converter.h"

#include "convert/text_pdf_outline.h"
#include "diagnostics/log.h"
#include "jpeg2pdf2/jpeg2pdf2.h"
#include "text_pdf/merge_chapter_pdfs.h"

#include <algorithm>
#include <map>
#include <stdexcept>

namespace qm {

namespace {

// A CSS pixel is 1/96 inch; the engine prints it as 3/4 of a point.
constexpr double kPointsPerPixel = 0.75;
// The tallest page common viewers take.
constexpr double kTallestPagePoints = 14400;
constexpr double kHalfInch = 36;

Paper PaperOf(PaperKind kind) {
    if (kind == PaperKind::Letter) {
        return {612, 792, kHalfInch};
    }
    return {595.28, 841.89, kHalfInch}; // A4
}

} // namespace

bool BookConverter::PrintFile(std::int32_t row, const std::string& pdfPath) {
    const ChapterLink link = c_.toc.Row(row).link;
    Paper paper = PaperOf(options.paper);
    if (options.paper == PaperKind::Chapter) {
        // As wide as the page, or the content where it is wider, and as tall as the chapter is laid out there.
        struct Restore {
            BrowserView& browser;
            int height = browser.ViewHeight();
            int width = browser.ViewWidth();
            ~Restore() {
                browser.SetViewHeight(height);
                browser.SetViewWidth(width);
            }
        } restore{c_.browser};
        DocumentLayout layout = c_.browser.LayOut(pageWidth_, viewportHeight_);
        if (layout.width > pageWidth_) {
            layout = c_.browser.LayOut(layout.width, viewportHeight_);
        }
        c_.browser.EndCapture();
        // A row more than the height measured: the engine lays a page out to fractions of a pixel, and a print
        // a fraction taller than its paper would go on to an empty page.
        paper = {std::max(layout.width, pageWidth_) * kPointsPerPixel,
                 std::min(kTallestPagePoints, (std::max(1, layout.height) + 1) * kPointsPerPixel), 0};
    }
    const auto found = anchorsByFile_.find(link.file);
    c_.browser.PrintToPdf(pdfPath, paper, found == anchorsByFile_.end() ? std::vector<std::string>() : found->second);
    return true;
}

void BookConverter::PrintChapters(ConversionResult& result) {
    FindAnchors(c_.toc.ChapterRows());
    const std::vector<std::int32_t> rows = RowsToConvert();
    // Each file once, where its first row stands; the other rows into it become places in it.
    std::map<std::string, std::size_t> index;
    std::vector<std::string> files;
    std::vector<std::int32_t> firstRows;
    for (const std::int32_t row : rows) {
        const std::string file = c_.toc.Row(row).link.file;
        if (index.emplace(file, files.size()).second) {
            files.push_back(file);
            firstRows.push_back(row);
        }
    }
    progress_ = 0;
    c_.window.ShowProgress(std::max(static_cast<int>(files.size()), 1));
    const auto count = static_cast<int>(files.size());
    for (std::size_t n = 0; n < files.size(); ++n) {
        ThrowIfCancelled();
        const std::int32_t row = firstRows[n];
        if (onChapter) {
            onChapter({row, static_cast<int>(n) + 1, count, c_.toc.Row(row).title});
        }
        log::Step step(log::Area::Convert, "printed " + files[n]);
        c_.chapters.ShowRow(row);
        const bool loaded = c_.pump.WaitUntil([this] { return c_.state.flag_complete == 1 || cancelled_; },
                                              options.chapterTimeout + std::chrono::seconds(1));
        ThrowIfCancelled();
        std::string failure;
        if (!loaded) {
            c_.browser.Renew();
            failure = "did not finish loading within " +
                      std::to_string(std::chrono::duration_cast<std::chrono::seconds>(options.chapterTimeout).count()) +
                      " seconds";
        } else {
            c_.chapters.TakeCompletion();
            if (!c_.chapters.LoadFailure().empty()) {
                failure = "could not be shown: " + c_.chapters.LoadFailure();
            }
        }
        if (failure.empty()) {
            const std::string pdf = PageFolder() + "/" + std::to_string(row) + ".pdf";
            try {
                PrintFile(row, pdf);
                result.written.push_back(pdf);
            } catch (const PageNotAnswering& error) {
                c_.browser.Renew();
                failure = error.what();
            } catch (const std::exception& error) {
                failure = error.what();
            }
        }
        if (!failure.empty()) {
            // Every row into the file goes without its page.
            for (const std::int32_t other : rows) {
                if (c_.toc.Row(other).link.file == files[n]) {
                    Skip(result, other, failure);
                }
            }
        }
        Advance();
    }
    std::sort(result.missing.begin(), result.missing.end(),
              [](const MissingChapter& a, const MissingChapter& b) { return a.row < b.row; });
}

} // namespace qm

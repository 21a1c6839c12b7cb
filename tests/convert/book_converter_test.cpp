#include "convert/book_converter.h"

#include "convert/chapter_section.h"
#include "convert/conversion_report.h"
#include "convert/jpeg_file_writer.h"
#include "jpeg2pdf2/jpeg2pdf2.h"
#include "support/fake_page_view.h"
#include "support/jpeg_decode.h"
#include "support/pdf_pages.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "view/chapter_display.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::FakePageView;

struct Chapter {
    std::string title;
    std::string path;
    FakePageView::Page page;
};

// A window's worth of state around a converter: a book of `chapters` (an empty path makes a row without a
// chapter; rows into one file share its page), the reading view on a fake page view 600 x 500, scripted
// dialogs.
class Conversion {
public:
    explicit Conversion(const std::vector<Chapter>& chapters)
        : chapters_(
              state, toc, view, [this] { return bookPath; }, [](const std::string&) {}),
          converter(ConversionContext{state, toc, chapters_, view, dialogs, window, pump, [this] { return bookPath; },
                                      [this] { return tempJPG; }}) {
        state.subTempDir = (dir / "book").string() + "/";
        toc.SetRowCount(static_cast<std::int32_t>(chapters.size()) + 1);
        for (std::size_t i = 0; i < chapters.size(); ++i) {
            const auto row = static_cast<std::int32_t>(i + 1);
            toc.SetCell(0, row, std::to_string(row));
            toc.SetCell(1, row, chapters[i].title);
            toc.SetCell(2, row, chapters[i].path);
            const std::string file = SplitChapterLink(chapters[i].path).file;
            if (!file.empty() && !view.pages.contains(state.subTempDir + file)) {
                view.pages[state.subTempDir + file] = chapters[i].page;
            }
        }
        toc.SetSelectHandler([this](std::int32_t row) { chapters_.RowSelected(row); });
        view.SetDocumentCompleteHandler([this](const LoadOutcome& outcome) { chapters_.DocumentComplete(outcome); });
        fs::create_directories(dir / "out");
        if (!chapters.empty()) {
            toc.SetCurrentRow(1);
            view.DeliverEvents();
        }
    }

    std::string Out(const std::string& name) const { return (dir / "out" / name).string(); }
    std::string PageFile(int row) const { return (fs::path(tempJPG) / (std::to_string(row) + "_W.jpg")).string(); }

    test::TempDir dir;
    std::string bookPath = "/books/Tale.epub";
    std::string tempJPG = (dir / "QMK" / "tempJPG").string();
    ReaderState state;
    TableOfContents toc;
    FakePageView view;
    test::FakeEventPump pump{view};
    test::ScriptedDialogs dialogs;
    test::RecordingShell shell;
    test::RecordingConversionWindow window;

private:
    ChapterDisplay chapters_;

public:
    BookConverter converter;
};

std::pair<int, int> SizeOf(const std::string& file) {
    const test::DecodedJpeg image = test::DecodeJpeg(file);
    return {image.width, image.height};
}

const std::vector<Chapter> kBook = {
    {"One", "Text/one.xhtml", {1200, 500}},
    {"Gap", "", {}},
    // Wider than the page: as wide as its content, laid out again at that width.
    {"Two", "two.html", {900, 650}},
    // Shorter than the viewport: as tall as the viewport a reader sees.
    {"Three", "three.htm", {300, 400}},
};

TEST(PdfConversion, LaysEachChapterOutAtThePageWidthAndWritesOnePdf) {
    Conversion c(kBook);
    c.state.WebZoom = 1.4;
    c.dialogs.saveAnswers = {c.Out("Tale.pdf")};

    const ConversionResult result = c.converter.Convert(ConversionKind::Pdf);

    ASSERT_EQ(c.dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(c.dialogs.saveRequests[0].filter.description, "PDF Document");
    EXPECT_EQ(c.dialogs.saveRequests[0].filter.pattern, "*.pdf");
    EXPECT_EQ(c.dialogs.saveRequests[0].fileName, "Tale");
    EXPECT_EQ(c.dialogs.saveRequests[0].defaultSuffix, "pdf");
    // Page files by grid row, each the page as laid out: no margin cut, nothing added.
    EXPECT_EQ(SizeOf(c.PageFile(1)), std::make_pair(600, 1200));
    EXPECT_FALSE(fs::exists(c.PageFile(2)));
    EXPECT_EQ(SizeOf(c.PageFile(3)), std::make_pair(650, 900));
    EXPECT_EQ(SizeOf(c.PageFile(4)), std::make_pair(600, 500));
    EXPECT_TRUE(result.Complete());
    EXPECT_EQ(result.pdfResult, pdfDone);
    EXPECT_EQ(result.written, (std::vector<std::string>{c.PageFile(1), c.PageFile(3), c.PageFile(4)}));
    EXPECT_EQ(test::CountPdfPages(c.Out("Tale.pdf")), 3);
    // The converter itself says nothing.
    EXPECT_TRUE(c.dialogs.messages.empty());
    EXPECT_TRUE(c.shell.folders.empty());

    EXPECT_EQ(c.state.WebZoom, 1.0);
    EXPECT_TRUE(c.window.maximised);
    EXPECT_EQ(c.window.locks, (std::vector<bool>{true, false}));
    EXPECT_FALSE(c.window.progressShown);
    // Three chapters captured, then the writer's start, three pages and end.
    EXPECT_EQ(c.window.progressRanges, (std::vector<int>{3, 5}));
    EXPECT_EQ(c.window.progress, (std::vector<int>{0, 1, 2, 3, 1, 2, 3, 4, 5, 0}));
    // The view is measured in the viewport a reader sees, then captured at most a tile high, and ends at its
    // own size.
    EXPECT_EQ(c.view.layouts.front(), std::make_pair(600, 500));
    EXPECT_EQ(c.view.ViewHeight(), 500);
    EXPECT_EQ(c.view.ViewWidth(), 600);
    EXPECT_FALSE(c.view.capturing);
}

// Drawn twice as sharp, a page has twice the pixels each way and the PDF's page keeps its size in points.
TEST(PdfConversion, AtScaleTwoPagesHaveTwiceThePixelsAndTheirSize) {
    Conversion c(kBook);
    c.converter.options.scale = 2;
    c.dialogs.saveAnswers = {c.Out("Tale.pdf")};

    const ConversionResult result = c.converter.Convert(ConversionKind::Pdf);

    ASSERT_TRUE(result.Complete());
    EXPECT_EQ(SizeOf(c.PageFile(1)), std::make_pair(1200, 2400));
    EXPECT_EQ(SizeOf(c.PageFile(4)), std::make_pair(1200, 1000));
    // The rows keep their order: row 1's colour at the top of its picture, row 1000's at pixel 2000.
    const test::DecodedJpeg page = test::DecodeJpeg(c.PageFile(1));
    for (const int row : {0, 1000}) {
        const std::uint32_t drawn = page.Pixel(5, 2 * row + 1);
        EXPECT_TRUE(test::NearColour(drawn, FakePageView::RowColour(row))) << row;
    }
    const std::string pdf = test::ReadFile(c.Out("Tale.pdf"));
    EXPECT_NE(pdf.find("/MediaBox [ 0 0 600.00 1200.00 ]"), std::string::npos);
    EXPECT_EQ(c.view.CaptureScale(), 1.0);
}

// A page of fixed layout is laid out and captured at the size it declares, not at the page width.
TEST(PdfConversion, AFixedLayoutPageIsItsOwnSize) {
    std::vector<Chapter> book = kBook;
    book[0].page.declaredWidth = 400;
    book[0].page.declaredHeight = 700;
    Conversion c(book);
    c.state.chapterFacts[FactsKey(c.state.subTempDir + "Text/one.xhtml")].fixedLayout = true;
    c.dialogs.saveAnswers = {c.Out("Tale.pdf")};

    ASSERT_TRUE(c.converter.Convert(ConversionKind::Pdf).Complete());

    EXPECT_EQ(SizeOf(c.PageFile(1)), std::make_pair(400, 700));
    EXPECT_NE(std::find(c.view.layouts.begin(), c.view.layouts.end(), std::make_pair(400, 700)), c.view.layouts.end());
    // The pages that flow keep the page width.
    EXPECT_EQ(SizeOf(c.PageFile(4)), std::make_pair(600, 500));
}

TEST(PdfConversion, PicturesAreTheirOwnSize) {
    Conversion c({{"Bitmap", "Images/page1.jpg", {837, 800, DocumentKind::Bitmap, 600, 837}},
                  {"Drawing", "Images/plan.svg", {600, 600, DocumentKind::Svg, 736, 1162}},
                  {"Scalable", "Images/map.svg", {500, 600, DocumentKind::Svg, 0, 0, 0.5}}});
    c.dialogs.saveAnswers = {c.Out("Tale.pdf")};

    EXPECT_TRUE(c.converter.Convert(ConversionKind::Pdf).Complete());

    EXPECT_EQ(SizeOf(c.PageFile(1)), std::make_pair(600, 837));
    EXPECT_EQ(SizeOf(c.PageFile(2)), std::make_pair(736, 1162));
    // Without a size of its own, a picture is as wide as the page at its own proportions.
    EXPECT_EQ(SizeOf(c.PageFile(3)), std::make_pair(600, 300));
}

TEST(PdfConversion, RowsIntoOneFileShareItOutBySection) {
    const FakePageView::Page file{3000, 600, DocumentKind::Page, 0, 0, 0, {{"s1", 1000}, {"s2", 1800}}};
    Conversion c({{"Whole", "ch.html", file},
                  {"First", "ch.html#s1", file},
                  {"Second", "ch.html#s2", file},
                  {"Lost", "ch.html#nowhere", file}});
    c.dialogs.saveAnswers = {c.Out("Tale.jpg")};

    EXPECT_TRUE(c.converter.Convert(ConversionKind::Jpg).Complete());

    EXPECT_EQ(SizeOf(c.Out("Tale1.jpg")).second, 1000);
    EXPECT_EQ(SizeOf(c.Out("Tale2.jpg")).second, 800);
    EXPECT_EQ(SizeOf(c.Out("Tale3.jpg")).second, 1200);
    // An anchor the file lacks: the whole file.
    EXPECT_EQ(SizeOf(c.Out("Tale4.jpg")).second, 3000);
    EXPECT_EQ(c.view.fragments, (std::vector<std::string>{"", "", "s1", "s2", "nowhere"}));
}

TEST(ChapterSection, FromTheAnchorToTheNextOneBelow) {
    struct Case {
        std::string fragment;
        std::vector<int> tops;
        RowSpan expected;
    };
    const std::vector<std::string> anchors = {"a", "b", "c"};
    const std::vector<Case> cases = {
        {"", {100, 500, 900}, {0, 100}},
        {"a", {100, 500, 900}, {100, 500}},
        {"c", {100, 500, 900}, {900, 1000}},
        // Anchors out of order in the file: the next one below, not the next row's.
        {"a", {100, 900, 500}, {100, 500}},
        {"b", {100, -1, 500}, {0, 1000}},
        // Two anchors at one place share a section; one at the very end keeps a row.
        {"a", {400, 400, 700}, {400, 700}},
        {"c", {100, 500, 1000}, {999, 1000}},
    };
    for (const Case& c : cases) {
        const RowSpan span = ChapterSection(c.fragment, anchors, c.tops, 1000);
        EXPECT_EQ(span.top, c.expected.top) << c.fragment;
        EXPECT_EQ(span.bottom, c.expected.bottom) << c.fragment;
    }
}

TEST(PdfConversion, AChapterThatCannotBeShownCostsOnlyItself) {
    std::vector<Chapter> book = kBook;
    book[0].page.failure = "net::ERR_FILE_NOT_FOUND";
    book[2].page.loads = false;
    book[3].page.hangs = true;
    book.push_back({"Four", "four.html", {700, 600}});
    Conversion c(book);
    c.dialogs.saveAnswers = {c.Out("Tale.pdf")};
    test::WriteFile(c.Out("Tale.pdf"), "a whole book");

    const ConversionResult result = c.converter.Convert(ConversionKind::Pdf);

    ASSERT_EQ(result.missing.size(), 3u);
    EXPECT_EQ(result.missing[0].row, 1);
    EXPECT_EQ(result.missing[0].reason, "could not be shown: net::ERR_FILE_NOT_FOUND");
    EXPECT_EQ(result.missing[1].row, 3);
    EXPECT_EQ(result.missing[1].reason, "did not finish loading within 60 seconds");
    EXPECT_EQ(result.missing[2].row, 4);
    EXPECT_EQ(result.missing[2].reason, "could not be shown: The page did not answer within 10 seconds");
    // Nothing of theirs was captured; the chapter after them was, in a fresh page.
    EXPECT_EQ(result.written, std::vector<std::string>{c.PageFile(5)});
    EXPECT_EQ(c.view.renewals, 2);
    EXPECT_EQ(result.pdfResult, pdfDone);
    EXPECT_FALSE(result.Complete());
    EXPECT_EQ(c.view.failuresShown.front(), "\"Text/one.xhtml\" could not be shown: net::ERR_FILE_NOT_FOUND");
    // What was converted is written beside, under a name that says so; the whole book chosen stays.
    EXPECT_EQ(test::ReadFile(c.Out("Tale.pdf")), "a whole book");
    EXPECT_EQ(result.incompleteOutput, c.Out("Tale.incomplete.pdf"));
    EXPECT_EQ(test::CountPdfPages(c.Out("Tale.incomplete.pdf")), 1);
}

// The chosen name was free when it was chosen: a file that appears there while the book converts (another
// program, another conversion to the same name) is never replaced unasked.
TEST(PdfConversion, AFileThatAppearsMeanwhileIsKeptUnlessTheUserSaysSo) {
    for (const ReplaceAnswer answer : {ReplaceAnswer::No, ReplaceAnswer::Yes}) {
        Conversion c(kBook);
        c.dialogs.saveAnswers = {c.Out("Tale.pdf")};
        c.dialogs.replaceAnswers = {answer};
        c.converter.onChapter = [&c](const ChapterStep&) { test::WriteFile(c.Out("Tale.pdf"), "theirs"); };

        const ConversionResult result = c.converter.Convert(ConversionKind::Pdf);

        if (answer == ReplaceAnswer::No) {
            EXPECT_EQ(test::ReadFile(c.Out("Tale.pdf")), "theirs");
            EXPECT_NE(result.error.find("was kept"), std::string::npos) << result.error;
        } else {
            EXPECT_EQ(test::CountPdfPages(c.Out("Tale.pdf")), 3);
            EXPECT_TRUE(result.Complete());
        }
    }
}

// Without leave to replace (the command line without --replace), a file that appears meanwhile stops the PDF.
TEST(PdfConversion, WithoutLeaveToReplaceAFileThatAppearsMeanwhileStaysAndIsNamed) {
    Conversion c(kBook);
    c.converter.options.replace = false;
    c.dialogs.saveAnswers = {c.Out("Tale.pdf")};
    c.converter.onChapter = [&c](const ChapterStep&) { test::WriteFile(c.Out("Tale.pdf"), "theirs"); };

    const ConversionResult result = c.converter.Convert(ConversionKind::Pdf);

    EXPECT_EQ(test::ReadFile(c.Out("Tale.pdf")), "theirs");
    EXPECT_NE(result.error.find("exists: another program wrote it"), std::string::npos) << result.error;
    EXPECT_FALSE(result.Complete());
}

TEST(PdfConversion, TheOutputIsCheckedBeforeAnyChapter) {
    for (const bool isTheBook : {false, true}) {
        Conversion c(kBook);
        if (isTheBook) {
            c.bookPath = test::WriteFile(c.dir / "out" / "Tale.epub", "the book").string();
            fs::create_symlink(c.bookPath, c.Out("Tale.pdf"));
            c.dialogs.saveAnswers = {c.Out("Tale.pdf")};
        } else {
            c.dialogs.saveAnswers = {(c.dir / "missing" / "Tale.pdf").string()};
        }
        const std::size_t layouts = c.view.layouts.size();

        const ConversionResult result = c.converter.Convert(ConversionKind::Pdf);

        EXPECT_NE(result.error.find(isTheBook ? "is the book itself" : "does not exist"), std::string::npos)
            << result.error;
        EXPECT_EQ(c.view.layouts.size(), layouts);
        EXPECT_TRUE(result.written.empty());
        if (isTheBook) {
            EXPECT_EQ(test::ReadFile(c.bookPath), "the book");
        }
    }
}

// A one-page PDF at `path`, as the engine's printing would leave.
void WriteOnePagePdf(const std::string& path) {
    const std::string picture = path + ".jpg";
    {
        JpegFileWriter writer(picture, 8, 8, 90);
        const std::vector<std::uint8_t> row(8 * 3, 200);
        for (int y = 0; y < 8; ++y) {
            writer.WriteRows(row.data(), 1, row.size());
        }
        writer.Finish();
    }
    ASSERT_EQ(JpegsToPDF({picture}, path, {}), pdfDone);
}

TEST(TextPdfConversion, PrintsEachFileOnceWithTheAnchorsOfItsRows) {
    for (const PaperKind paper : {PaperKind::A4, PaperKind::Chapter}) {
        const FakePageView::Page file{3000, 600, DocumentKind::Page, 0, 0, 0, {{"s1", 1000}}};
        Conversion c({{"Whole", "ch.html", file}, {"First", "ch.html#s1", file}, {"Next", "next.html", {900, 600}}});
        c.view.onPrint = [](const std::string& path, const Paper&) { WriteOnePagePdf(path); };
        c.converter.options.paper = paper;
        c.dialogs.saveAnswers = {c.Out("Tale.pdf")};

        const ConversionResult result = c.converter.Convert(ConversionKind::TextPdf);

        EXPECT_TRUE(result.Complete()) << (result.missing.empty() ? result.error : result.missing[0].reason);
        EXPECT_EQ(result.pdfResult, pdfDone);
        EXPECT_TRUE(fs::exists(c.Out("Tale.pdf")));
        ASSERT_EQ(c.view.printed.size(), 2u);
        EXPECT_EQ(c.view.printed[0].anchors, std::vector<std::string>{"s1"});
        EXPECT_TRUE(c.view.printed[1].anchors.empty());
        if (paper == PaperKind::A4) {
            EXPECT_NEAR(c.view.printed[0].paper.width, 595.28, 0.01);
            EXPECT_EQ(c.view.printed[0].paper.margin, 36);
        } else {
            // As wide as the page and as tall as the chapter (and a row, for the fraction a layout may have), a
            // pixel being three quarters of a point.
            EXPECT_EQ(c.view.printed[0].paper.width, 450);
            EXPECT_EQ(c.view.printed[0].paper.height, 2250.75);
            EXPECT_EQ(c.view.printed[0].paper.margin, 0);
        }
    }
}

// A document of text with chapters missing would pass for the book: none is written.
TEST(TextPdfConversion, AFileThatCannotBeShownMakesNoDocument) {
    Conversion c({{"One", "one.html", {700, 600}}, {"Gone", "gone.html", {700, 600}}});
    c.view.pages[c.state.subTempDir + "gone.html"].failure = "net::ERR_FILE_NOT_FOUND";
    c.view.onPrint = [](const std::string& path, const Paper&) { WriteOnePagePdf(path); };
    c.dialogs.saveAnswers = {c.Out("Tale.pdf")};

    const ConversionResult result = c.converter.Convert(ConversionKind::TextPdf);

    ASSERT_EQ(result.missing.size(), 1u);
    EXPECT_EQ(result.missing[0].row, 2);
    EXPECT_FALSE(fs::exists(c.Out("Tale.pdf")));
}

TEST(PdfConversion, ACancelledSaveDialogKeepsOnlyThePreparations) {
    Conversion c(kBook);
    c.state.WebZoom = 1.4;
    test::WriteFile(fs::path(c.tempJPG) / "old.jpg", "old");
    c.dialogs.saveAnswers = {std::nullopt};

    const ConversionResult result = c.converter.Convert(ConversionKind::Pdf);

    EXPECT_FALSE(result.started);
    EXPECT_TRUE(fs::is_empty(c.tempJPG));
    EXPECT_TRUE(c.window.maximised);
    EXPECT_EQ(c.state.WebZoom, 1.0);
    EXPECT_EQ(c.view.zooms.back(), 1.0);
    EXPECT_EQ(c.view.captures, 0);
}

TEST(ConvertCancel, StopsAtTheNextWaitAndLeavesNoOutput) {
    for (const bool pdf : {true, false}) {
        for (const bool quietly : {false, true}) {
            Conversion c(kBook);
            c.dialogs.saveAnswers = {c.Out(pdf ? "Tale.pdf" : "Tale.jpg")};
            int waits = 0;
            c.pump.duringWait = [&] {
                if (++waits == 3) {
                    c.converter.Cancel(quietly);
                }
            };
            const ConversionResult result =
                pdf ? c.converter.Convert(ConversionKind::Pdf) : c.converter.Convert(ConversionKind::Jpg);

            EXPECT_TRUE(result.cancelled);
            EXPECT_EQ(result.quiet, quietly);
            EXPECT_EQ(c.view.captures, 2);
            EXPECT_FALSE(fs::exists(c.Out("Tale.pdf")));
            EXPECT_FALSE(fs::exists(c.Out("Tale1.jpg")));
            EXPECT_FALSE(c.converter.Running());
        }
    }
}

TEST(JpgConversion, WritesNumberedFilesAndKeepsThoseTheUserKeeps) {
    Conversion c(kBook);
    c.dialogs.saveAnswers = {c.Out("Tale.jpg")};
    test::WriteFile(c.Out("Tale3.jpg"), "kept");
    c.dialogs.replaceAnswers = {ReplaceAnswer::No};

    const ConversionResult result = c.converter.Convert(ConversionKind::Jpg);

    EXPECT_EQ(c.dialogs.saveRequests[0].filter.description, "JPEG Document");
    EXPECT_EQ(c.dialogs.saveRequests[0].filter.pattern, "*.jpg");
    EXPECT_EQ(c.dialogs.saveRequests[0].defaultSuffix, "jpg");
    EXPECT_EQ(SizeOf(c.Out("Tale1.jpg")).second, 1200);
    EXPECT_EQ(test::ReadFile(c.Out("Tale3.jpg")), "kept");
    EXPECT_EQ(SizeOf(c.Out("Tale4.jpg")).second, 500);
    EXPECT_FALSE(fs::exists(c.Out("Tale2.jpg")));
    EXPECT_TRUE(fs::is_empty(c.tempJPG));
    EXPECT_EQ(result.kept, 1);
    EXPECT_EQ(result.written, (std::vector<std::string>{c.Out("Tale1.jpg"), c.Out("Tale4.jpg")}));
    EXPECT_EQ(c.window.progressRanges, std::vector<int>{3});
}

TEST(ConvertProgress, MovesForEveryChapterOfALongBook) {
    std::vector<Chapter> book(200, Chapter{"Short", "c.html", {20, 30}});
    Conversion c(book);
    c.dialogs.saveAnswers = {c.Out("Long.jpg")};
    std::vector<int> shown;
    c.converter.onChapter = [&](const ChapterStep& step) { shown.push_back(step.number); };

    c.converter.Convert(ConversionKind::Jpg);

    ASSERT_EQ(c.window.progressRanges, std::vector<int>{200});
    ASSERT_EQ(c.window.progress.size(), 202u);
    EXPECT_EQ(c.window.progress[200], 200);
    EXPECT_EQ(shown.size(), 200u);
    EXPECT_TRUE(fs::exists(c.Out("Long200.jpg")));
}

// What the window shows for a result: the writer's message, then what went wrong; the last box ends the
// conversion, offering the output (when it is there) and its folder.
TEST(ReportConversion, ShowsTheResultThenWhatFailedAndOffersTheOutput) {
    test::TempDir dir;
    const std::string out = test::WriteFile(dir / "Tale.pdf", "%PDF-1.4").string();
    struct Case {
        const char* name;
        ConversionResult result;
        std::vector<std::string> texts;
        // Whether the last box ended the conversion, and whether it offered to open the output.
        std::vector<bool> endOffersOpen;
    };
    ConversionResult done;
    done.started = true;
    done.output = out;
    done.pdfResult = pdfDone;
    done.written = {"page1.jpg", "page2.jpg"};
    ConversionResult aborted = done;
    aborted.pdfResult = pdfAborted;
    aborted.pdfCause = "Cannot write to \"Tale.pdf\" at byte 4096: No space left on device";
    aborted.output = (dir / "Never.pdf").string();
    ConversionResult missing = done;
    missing.missing = {{3, "Two", "could not be shown: net::ERR_FILE_NOT_FOUND"}};
    ConversionResult empty = done;
    empty.pdfResult = pdfNoFiles;
    empty.output = (dir / "Never.pdf").string();
    ConversionResult cancelled = done;
    cancelled.cancelled = true;
    cancelled.output = (dir / "Never.pdf").string();
    ConversionResult closing = cancelled;
    closing.quiet = true;
    ConversionResult noBook;
    noBook.noBook = true;
    ConversionResult pictures = done;
    pictures.kind = ConversionKind::Jpg;
    pictures.pdfResult = 0;
    pictures.output = (dir / "Tale.jpg").string();
    pictures.written = {test::WriteFile(dir / "Tale1.jpg", "jpeg").string(), (dir / "Tale2.jpg").string()};
    ConversionResult nowhere = done;
    nowhere.output = (dir / "gone" / "Tale.pdf").string();
    const std::vector<Case> cases = {
        {"done", done, {"Successed to build: " + out + "\r\r2 pages"}, {true}},
        {"aborted", aborted, {"\rAborted!\r" + aborted.pdfCause}, {false}},
        {"missing",
         missing,
         {"Successed to build: " + out + "\r\r2 pages",
          "\rThese chapters could not be captured:\rrow 3 \"Two\": could not be shown: net::ERR_FILE_NOT_FOUND"},
         {true}},
        {"empty", empty, {"\rNo files existing!"}, {false}},
        {"cancelled", cancelled, {"\rThe conversion was cancelled; nothing was written."}, {}},
        {"closing", closing, {}, {}},
        {"no book", noBook, {"\rOpen a book first: there is nothing to convert."}, {}},
        {"pictures", pictures, {"\rWrote 2 JPEG files to " + dir.path().string() + "/"}, {true}},
        {"no folder", nowhere, {"Successed to build: " + nowhere.output + "\r\r2 pages"}, {}},
    };
    for (const Case& c : cases) {
        test::ScriptedDialogs dialogs;
        test::RecordingShell shell;
        ReportConversion(c.result, dialogs, shell);
        std::vector<std::string> texts;
        for (const auto& message : dialogs.messages) {
            texts.push_back(message.text);
        }
        EXPECT_EQ(texts, c.texts) << c.name;
        EXPECT_EQ(dialogs.endOffersOpen, c.endOffersOpen) << c.name;
        // Nothing opens unless asked.
        EXPECT_TRUE(shell.folders.empty() && shell.files.empty()) << c.name;
    }

    // The answers: Open opens the output (the first page of JPEG pages), Show in folder its folder.
    for (const auto& [result, answer, file, folder] :
         {std::tuple{done, EndAnswer::Open, out, std::string()},
          std::tuple{pictures, EndAnswer::Open, pictures.written.front(), std::string()},
          std::tuple{done, EndAnswer::ShowFolder, std::string(), dir.path().string() + "/"}}) {
        test::ScriptedDialogs dialogs;
        test::RecordingShell shell;
        dialogs.endAnswers = {answer};
        ReportConversion(result, dialogs, shell);
        EXPECT_EQ(shell.files, file.empty() ? std::vector<std::string>{} : std::vector<std::string>{file});
        EXPECT_EQ(shell.folders, folder.empty() ? std::vector<std::string>{} : std::vector<std::string>{folder});
    }
}

} // namespace
} // namespace qm

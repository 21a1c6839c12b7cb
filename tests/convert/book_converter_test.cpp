#include "convert/book_converter.h"

#include "fake_page_view.h"
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
// chapter), the reading view on a fake page view, scripted dialogs.
class Conversion {
public:
    explicit Conversion(const std::vector<Chapter>& chapters)
        : chapter_(
              state, toc, view, [this] { return bookPath; }, [](const std::string&) {}),
          converter(ConversionContext{state, toc, view, dialogs, shell, window, pump, [this] { return bookPath; },
                                      [this] { return tempJPG; }, [this](std::int32_t row) { SelectRow(row); }}) {
        state.subTempDir = (dir / "book").string() + "/";
        toc.SetRowCount(static_cast<std::int32_t>(chapters.size()) + 1);
        for (std::size_t i = 0; i < chapters.size(); ++i) {
            const auto row = static_cast<std::int32_t>(i + 1);
            toc.SetCell(0, row, std::to_string(row));
            toc.SetCell(1, row, chapters[i].title);
            toc.SetCell(2, row, chapters[i].path);
            view.pages[state.subTempDir + ChapterTargetPath(chapters[i].path)] = chapters[i].page;
        }
        toc.SetSelectHandler([this](std::int32_t row) { chapter_.StringGrid1SelectCell(row); });
        view.SetDocumentCompleteHandler([this] { chapter_.WebBrowser1DocumentComplete(); });
        fs::create_directories(dir / "out");
        if (!chapters.empty()) {
            toc.SetCurrentRow(1);
            view.DeliverEvents();
        }
    }

    // The window's row selection: a row that is current already is shown again.
    void SelectRow(std::int32_t row) {
        if (toc.CurrentRow() == row) {
            chapter_.StringGrid1SelectCell(row);
        } else {
            toc.SetCurrentRow(row);
        }
    }

    std::string Out(const std::string& name) const { return (dir / "out" / name).string(); }

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
    ChapterDisplay chapter_;

public:
    BookConverter converter;
};

// The text of the error that `command` throws; empty when it throws none.
std::string ErrorOf(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "";
}

const std::vector<Chapter> kBook = {
    // Named .xhtml: measured on the root element.
    {"One", "Text/one.xhtml", {1200, 780, 1000, 700, true}},
    {"Gap", "", {}},
    // Others on the body, but never smaller than the document.
    {"Two", "two.html", {900, 600, 950, 650, true}},
    {"Three", "three.htm", {800, 600, 300, 400, true}},
};

TEST(ConverttoPDF1Click, CapturesEachChapterAndWritesOnePdfOfThem) {
    Conversion c(kBook);
    c.state.WebZoom = 1.4;
    c.dialogs.saveAnswers = {c.Out("Tale.pdf")};

    c.converter.ConverttoPDF1Click();

    ASSERT_EQ(c.dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(c.dialogs.saveRequests[0].filter.description, "PDF Document");
    EXPECT_EQ(c.dialogs.saveRequests[0].filter.pattern, "*.pdf");
    EXPECT_EQ(c.dialogs.saveRequests[0].fileName, "Tale");
    EXPECT_EQ(c.dialogs.saveRequests[0].defaultSuffix, "pdf");
    // Page files by grid row, each the page's scroll size plus one scroll-bar width.
    const std::vector<std::pair<std::string, std::pair<int, int>>> pages = {
        {"1_W.jpg", {797, 1217}}, {"3_W.jpg", {667, 967}}, {"4_W.jpg", {617, 817}}};
    for (const auto& [name, size] : pages) {
        const test::DecodedJpeg image = test::DecodeJpeg(fs::path(c.tempJPG) / name);
        EXPECT_EQ(image.width, size.first) << name;
        EXPECT_EQ(image.height, size.second) << name;
    }
    EXPECT_FALSE(fs::exists(fs::path(c.tempJPG) / "2_W.jpg"));
    EXPECT_EQ(test::CountPdfPages(c.Out("Tale.pdf")), 3);
    ASSERT_EQ(c.dialogs.messages.size(), 1u);
    EXPECT_EQ(c.dialogs.messages[0].kind, MessageKind::Plain);
    EXPECT_EQ(c.dialogs.messages[0].caption, "Congratulation");
    EXPECT_EQ(c.dialogs.messages[0].text, "Successed to build: " + c.Out("Tale.pdf"));
    EXPECT_EQ(c.shell.folders, std::vector<std::string>{(c.dir / "out").string() + "/"});

    EXPECT_EQ(c.state.WebZoom, 1.0);
    EXPECT_TRUE(c.window.maximised);
    EXPECT_EQ(c.window.locks, (std::vector<bool>{true, false}));
    EXPECT_FALSE(c.window.progressShown);
    // Three chapters captured, then the writer's start, three pages and end.
    EXPECT_EQ(c.window.progressRanges, (std::vector<int>{3, 5}));
    EXPECT_EQ(c.window.progress, (std::vector<int>{0, 1, 2, 3, 1, 2, 3, 4, 5, 0}));
    EXPECT_EQ(c.view.ViewHeight(), 500);
    EXPECT_EQ(c.view.ViewWidth(), 600);
    EXPECT_EQ(c.view.measured,
              (std::vector<ScrollElement>{ScrollElement::Root, ScrollElement::Body, ScrollElement::Root,
                                          ScrollElement::Body, ScrollElement::Root}));
}

TEST(ConverttoPDF1Click, APictureWithoutBodyIsMeasuredOnItsRoot) {
    Conversion c({{"Picture", "Images/cover.svg", {700, 500, 0, 0, true, false}}});
    c.dialogs.saveAnswers = {c.Out("Tale.pdf")};

    c.converter.ConverttoPDF1Click();

    const test::DecodedJpeg page = test::DecodeJpeg(fs::path(c.tempJPG) / "1_W.jpg");
    EXPECT_EQ(page.width, 517);
    EXPECT_EQ(page.height, 717);
    EXPECT_EQ(c.dialogs.messages.at(0).caption, "Congratulation");
}

TEST(ConverttoPDF1Click, ACancelledSaveDialogKeepsOnlyThePreparations) {
    Conversion c(kBook);
    c.state.WebZoom = 1.4;
    test::WriteFile(fs::path(c.tempJPG) / "old.jpg", "old");
    c.dialogs.saveAnswers = {std::nullopt};

    c.converter.ConverttoPDF1Click();

    EXPECT_TRUE(fs::is_empty(c.tempJPG));
    EXPECT_TRUE(c.window.maximised);
    EXPECT_EQ(c.state.WebZoom, 1.0);
    EXPECT_EQ(c.view.zooms.back(), 1.0);
    EXPECT_EQ(c.view.captures, 0);
    EXPECT_TRUE(c.dialogs.messages.empty());
    EXPECT_TRUE(c.shell.folders.empty());
}

TEST(ConverttoPDF1Click, WithoutABookSaysSo) {
    Conversion c({});
    c.bookPath.clear();
    c.converter.ConverttoPDF1Click();
    c.converter.ConverttoJPG1Click();
    ASSERT_EQ(c.dialogs.messages.size(), 2u);
    EXPECT_EQ(c.dialogs.messages[0].text, "\rOpen a book first: there is nothing to convert.");
    EXPECT_TRUE(c.dialogs.saveRequests.empty());
    EXPECT_FALSE(c.window.maximised);
}

TEST(ConverttoPDF1Click, AChapterThatNeverLoadsEndsTheConversionNamingIt) {
    std::vector<Chapter> book = kBook;
    book[2].page.loads = false;
    Conversion c(book);
    c.dialogs.saveAnswers = {c.Out("Tale.pdf")};

    EXPECT_EQ(ErrorOf([&] { c.converter.ConverttoPDF1Click(); }),
              "Chapter \"Two\" (row 3, two.html) did not finish loading within 60 seconds");
    EXPECT_FALSE(fs::exists(c.Out("Tale.pdf")));
    EXPECT_TRUE(c.dialogs.messages.empty());
    EXPECT_EQ(c.shell.folders.size(), 1u);
    EXPECT_EQ(c.window.locks.back(), false);
    EXPECT_FALSE(c.converter.Running());
}

TEST(ConverttoPDF1Click, ChaptersWithoutACaptureAreNamedAfterThePdfOfTheOthers) {
    std::vector<Chapter> book = kBook;
    book[2].page.bodyWidth = 70000;
    Conversion c(book);
    c.dialogs.saveAnswers = {c.Out("Tale.pdf")};

    EXPECT_EQ(ErrorOf([&] { c.converter.ConverttoPDF1Click(); }),
              "\rThese chapters could not be captured:\rrow 3 \"Two\": the page is 70017 pixels wide; a JPEG file "
              "holds at most 65500");
    EXPECT_EQ(test::CountPdfPages(c.Out("Tale.pdf")), 2);
    ASSERT_EQ(c.dialogs.messages.size(), 1u);
    EXPECT_EQ(c.dialogs.messages[0].caption, "Congratulation");
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
            pdf ? c.converter.ConverttoPDF1Click() : c.converter.ConverttoJPG1Click();

            EXPECT_EQ(c.view.captures, 2);
            EXPECT_FALSE(fs::exists(c.Out("Tale.pdf")));
            EXPECT_FALSE(fs::exists(c.Out("Tale1.jpg")));
            EXPECT_TRUE(c.dialogs.messages.empty());
            EXPECT_EQ(c.shell.folders.size(), quietly ? 0u : 1u);
            EXPECT_FALSE(c.converter.Running());
        }
    }
}

TEST(ConverttoJPG1Click, WritesNumberedFilesAndKeepsThoseTheUserKeeps) {
    Conversion c(kBook);
    c.dialogs.saveAnswers = {c.Out("Tale.jpg")};
    test::WriteFile(c.Out("Tale3.jpg"), "kept");
    c.dialogs.replaceAnswers = {ReplaceAnswer::No};

    c.converter.ConverttoJPG1Click();

    EXPECT_EQ(c.dialogs.saveRequests[0].filter.description, "JPEG Document");
    EXPECT_EQ(c.dialogs.saveRequests[0].filter.pattern, "*.jpg");
    EXPECT_EQ(c.dialogs.saveRequests[0].defaultSuffix, "jpg");
    EXPECT_EQ(test::DecodeJpeg(c.Out("Tale1.jpg")).height, 1217);
    EXPECT_EQ(test::ReadFile(c.Out("Tale3.jpg")), "kept");
    EXPECT_EQ(test::DecodeJpeg(c.Out("Tale4.jpg")).height, 817);
    EXPECT_FALSE(fs::exists(c.Out("Tale2.jpg")));
    EXPECT_TRUE(fs::is_empty(c.tempJPG));
    EXPECT_TRUE(c.dialogs.messages.empty());
    EXPECT_EQ(c.shell.folders.size(), 1u);
    EXPECT_EQ(c.window.progressRanges, std::vector<int>{3});
}

TEST(ConvertProgress, MovesForEveryChapterOfALongBook) {
    std::vector<Chapter> book(200, Chapter{"Short", "c.html", {20, 30, 20, 30, true}});
    Conversion c(book);
    c.dialogs.saveAnswers = {c.Out("Long.jpg")};
    std::vector<int> shown;
    c.converter.onChapter = [&](const ChapterStep& step) { shown.push_back(step.number); };

    c.converter.ConverttoJPG1Click();

    ASSERT_EQ(c.window.progressRanges, std::vector<int>{200});
    ASSERT_EQ(c.window.progress.size(), 202u);
    EXPECT_EQ(c.window.progress[200], 200);
    EXPECT_EQ(shown.size(), 200u);
    EXPECT_TRUE(fs::exists(c.Out("Long200.jpg")));
}

} // namespace
} // namespace qm

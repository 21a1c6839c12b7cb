#include "view/chapter_display.h"

#include "support/fake_page_view.h"
#include "support/temp_dir.h"
#include "view/web_zoom.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::FakePageView;

// A reading view over a two-chapter table whose book lies in a temporary folder.
struct Reader {
    test::TempDir book;
    ReaderState state;
    TableOfContents toc;
    FakePageView view;
    std::string status = "before";
    ChapterDisplay display{state, toc, view, [] { return std::string("/books/Tale.epub"); },
                           [this](const std::string& text) { status = text; }};

    Reader() {
        state.subTempDir = book.path().string() + "/";
        toc.SetRowCount(3);
        toc.SetCell(0, 0, "No.");
        toc.SetCell(1, 0, "Title");
    }
    void SetChapter(std::int32_t row, const std::string& title, const std::string& path) {
        toc.SetCell(1, row, title);
        toc.SetCell(2, row, path);
    }
    std::string Path(const std::string& relative) const { return (book / relative).string(); }
    void Write(const std::string& relative, const std::string& content) const {
        fs::create_directories(fs::path(Path(relative)).parent_path());
        test::WriteFile(Path(relative), content);
    }
};

TEST(RowSelected, HeaderRowChangesNothing) {
    Reader reader;
    reader.state.flag_complete = 0;
    reader.state.flag_null = true;
    reader.display.RowSelected(0);
    EXPECT_TRUE(reader.view.navigations.empty());
    EXPECT_EQ(reader.state.flag_complete, 0);
    EXPECT_TRUE(reader.state.flag_null);
    EXPECT_EQ(reader.status, "before");
}

TEST(RowSelected, RowWithoutPathLoadsNothingAndBlocksZoom) {
    Reader reader;
    reader.SetChapter(1, "Lost", "");
    reader.display.RowSelected(1);
    EXPECT_TRUE(reader.view.navigations.empty());
    EXPECT_EQ(reader.state.flag_complete, 1);
    EXPECT_TRUE(reader.state.flag_null);
    EXPECT_EQ(reader.status, "before");
    ImageZoomInClick(reader.state, reader.view);
    EXPECT_EQ(reader.state.WebZoom, 1.0);
    EXPECT_TRUE(reader.view.zooms.empty());
}

// The chapter's name on disk, the file the browser is sent to (and the anchor), and the name the file has
// afterwards.
struct FileNames {
    const char* name;
    std::string cell;
    std::string onDisk;
    std::string shown;
    std::string fragment;
    std::string afterwards;
};

void PrintTo(const FileNames& c, std::ostream* os) {
    *os << c.name;
}

class ChapterFileNames : public testing::TestWithParam<FileNames> {};

TEST_P(ChapterFileNames, AreShownAsHtml) {
    const FileNames& c = GetParam();
    Reader reader;
    reader.Write(c.onDisk, "chapter");
    reader.SetChapter(1, "One", c.cell);
    reader.display.RowSelected(1);
    EXPECT_EQ(reader.view.navigations, std::vector<std::string>{reader.Path(c.shown)});
    EXPECT_EQ(reader.view.fragments, std::vector<std::string>{c.fragment});
    EXPECT_EQ(test::ReadFile(reader.Path(c.afterwards)), "chapter");
    EXPECT_FALSE(reader.state.flag_null);
    EXPECT_EQ(reader.status, "/books/Tale.epub---One");
}

INSTANTIATE_TEST_SUITE_P(
    Names, ChapterFileNames,
    testing::Values(
        FileNames{"XhtmlBecomesHtml", "Text/ch01.xhtml", "Text/ch01.xhtml", "Text/ch01.html", "", "Text/ch01.html"},
        FileNames{"XmlBecomesHtml", "ch01.xml", "ch01.xml", "ch01.html", "", "ch01.html"},
        FileNames{"OtherLetterCaseKeepsItsName", "ch01.XHTML", "ch01.XHTML", "ch01.XHTML", "", "ch01.XHTML"},
        FileNames{"MixedCaseXmlKeepsItsName", "ch01.Xml", "ch01.Xml", "ch01.Xml", "", "ch01.Xml"},
        FileNames{"HtmlIsShownAsItIs", "ch01.html", "ch01.html", "ch01.html", "", "ch01.html"},
        FileNames{"EscapesNameTheFileAsSpelledOnDisk", "Text/ch%2001.xhtml", "Text/ch 01.xhtml", "Text/ch 01.html", "",
                  "Text/ch 01.html"},
        // The anchor goes to the page as an anchor, never into the file name.
        FileNames{"AnchorStaysAnAnchor", "Text/ch01.xhtml#sec%201", "Text/ch01.xhtml", "Text/ch01.html", "sec%201",
                  "Text/ch01.html"},
        // Folder names change too; the folder of that name does not exist, so the file keeps its name.
        FileNames{"FolderNamesChangeAsWell", "a.xhtml.d/ch.xhtml", "a.xhtml.d/ch.xhtml", "a.html.d/ch.html", "",
                  "a.xhtml.d/ch.xhtml"}),
    [](const auto& p) { return std::string(p.param.name); });

// A book with both ch.xhtml and ch.html: the rename must not replace ch.html.
TEST(RowSelected, RenameNeverReplacesAFile) {
    Reader reader;
    reader.Write("ch.xhtml", "xhtml");
    reader.Write("ch.html", "html");
    reader.SetChapter(1, "One", "ch.xhtml");
    reader.display.RowSelected(1);
    EXPECT_EQ(test::ReadFile(reader.Path("ch.xhtml")), "xhtml");
    EXPECT_EQ(test::ReadFile(reader.Path("ch.html")), "html");
    EXPECT_EQ(reader.view.navigations, std::vector<std::string>{reader.Path("ch.html")});
}

// A chapter path that leads out of the book is refused at once: nothing outside is renamed or shown, and the
// reader or the conversion goes on without waiting for the engine's load time to run out.
TEST(RowSelected, PathsOutOfTheBookAreRefusedAtOnce) {
    for (const std::string cell : {"../../outside.xhtml", "%2e%2e/%2E%2E/outside.xhtml", "Text/../../../outside.xhtml",
                                   "../../book2/ch.xhtml"}) {
        Reader reader;
        reader.state.bookFolder = reader.Path("book");
        reader.state.subTempDir = reader.Path("book/OEBPS") + "/";
        reader.Write("outside.xhtml", "mine");
        reader.Write("book2/ch.xhtml", "mine");
        reader.SetChapter(1, "Out", cell);
        reader.state.flag_complete = 0;
        reader.display.RowSelected(1);
        EXPECT_TRUE(reader.view.navigations.empty()) << cell;
        EXPECT_EQ(reader.state.flag_complete, 1) << cell;
        EXPECT_EQ(reader.display.LoadFailure(), "refused: it is not a file of the book") << cell;
        EXPECT_EQ(test::ReadFile(reader.Path("outside.xhtml")), "mine") << cell;
        EXPECT_EQ(test::ReadFile(reader.Path("book2/ch.xhtml")), "mine") << cell;
    }
}

// The second selection finds the file renamed already and sends the browser to the same page again.
TEST(RowSelected, SelectingTwiceShowsTheSamePageTwice) {
    Reader reader;
    reader.Write("Text/ch01.xhtml", "chapter");
    reader.SetChapter(2, "Two", "Text/ch01.xhtml");
    reader.display.RowSelected(2);
    reader.display.RowSelected(2);
    const std::string page = reader.Path("Text/ch01.html");
    EXPECT_EQ(reader.view.navigations, (std::vector<std::string>{page, page}));
}

TEST(DocumentComplete, PutsZoomCharsetAndBorder) {
    Reader reader;
    reader.state.WebZoom = 1.4;
    reader.display.DocumentComplete({});
    EXPECT_EQ(reader.state.flag_complete, 1);
    EXPECT_EQ(reader.view.zooms, std::vector<double>{1.4});
    EXPECT_EQ(reader.view.charsets, std::vector<std::string>{"utf-8"});
    EXPECT_EQ(reader.view.borderStyles, std::vector<std::string>{"none"});
    EXPECT_EQ(reader.display.LoadFailure(), "");
}

TEST(DocumentComplete, PageWithoutBodyKeepsItsBorderSilently) {
    Reader reader;
    reader.view.hasBody = false;
    reader.display.DocumentComplete({});
    EXPECT_EQ(reader.state.flag_complete, 1);
    EXPECT_TRUE(reader.view.borderStyles.empty());
}

// An error of the zoom ends the handler with the flag already raised, before the character set.
TEST(DocumentComplete, ZoomErrorEndsTheHandler) {
    Reader reader;
    reader.view.zoomFails = true;
    EXPECT_THROW(reader.display.DocumentComplete({}), std::runtime_error);
    EXPECT_EQ(reader.state.flag_complete, 1);
    EXPECT_TRUE(reader.view.charsets.empty());
}

// A file that could not be shown is named in the view instead of the engine's page; a page that stops
// answering once loaded is left behind for a fresh one, so the next chapter shows.
TEST(DocumentComplete, WhatCouldNotBeShownIsSaidSo) {
    Reader reader;
    reader.Write("gone.html", "x");
    reader.SetChapter(1, "Gone", "gone.html");
    reader.display.RowSelected(1);
    reader.display.DocumentComplete({false, "net::ERR_FILE_NOT_FOUND"});
    EXPECT_EQ(reader.state.flag_complete, 1);
    EXPECT_EQ(reader.display.LoadFailure(), "net::ERR_FILE_NOT_FOUND");
    EXPECT_EQ(reader.view.failuresShown,
              std::vector<std::string>{"\"gone.html\" could not be shown: net::ERR_FILE_NOT_FOUND"});
    EXPECT_TRUE(reader.view.zooms.empty());

    reader.view.pages[reader.Path("gone.html")].hangs = true;
    reader.display.RowSelected(1);
    reader.display.DocumentComplete({});
    EXPECT_EQ(reader.view.renewals, 1);
    EXPECT_EQ(reader.display.LoadFailure(), "The page did not answer within 10 seconds");

    reader.display.RowSelected(1);
    EXPECT_EQ(reader.display.LoadFailure(), "");
}

} // namespace
} // namespace qm

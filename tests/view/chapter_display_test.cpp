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

// The chapter's name on disk and its manifest media type, the file the browser is sent to (and the anchor),
// and the name the file has afterwards.
struct FileNames {
    const char* name;
    std::string cell;
    std::string onDisk;
    std::string mediaType;
    std::string shown;
    std::string fragment;
    std::string afterwards;
};

void PrintTo(const FileNames& c, std::ostream* os) {
    *os << c.name;
}

class ChapterFileNames : public testing::TestWithParam<FileNames> {};

// Each chapter is shown as the document type it is: the engine parses a file by its name's ending, so a file
// whose type and ending disagree takes the ending of its type.
TEST_P(ChapterFileNames, AreShownAsTheirDocumentType) {
    const FileNames& c = GetParam();
    Reader reader;
    reader.Write(c.onDisk, "chapter");
    reader.state.chapterFacts[FactsKey(reader.Path(c.onDisk))].mediaType = c.mediaType;
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
        FileNames{"XhtmlStaysXhtml", "Text/ch01.xhtml", "Text/ch01.xhtml", "", "Text/ch01.xhtml", "",
                  "Text/ch01.xhtml"},
        FileNames{"XmlStaysXml", "ch01.xml", "ch01.xml", "application/xhtml+xml", "ch01.xml", "", "ch01.xml"},
        FileNames{"AnEndingInCapitalsCounts", "ch01.XHTML", "ch01.XHTML", "", "ch01.XHTML", "", "ch01.XHTML"},
        FileNames{"HtmlStaysHtml", "ch01.html", "ch01.html", "text/html", "ch01.html", "", "ch01.html"},
        // The manifest's type decides over the name.
        FileNames{"XhtmlNamedHtmlBecomesXhtml", "ch01.html", "ch01.html", "application/xhtml+xml", "ch01.xhtml", "",
                  "ch01.xhtml"},
        FileNames{"HtmlNamedXhtmlBecomesHtml", "ch01.xhtml", "ch01.xhtml", "text/html", "ch01.html", "", "ch01.html"},
        FileNames{"PicturesAreShownAsTheyAre", "cover.jpg", "cover.jpg", "image/jpeg", "cover.jpg", "", "cover.jpg"},
        FileNames{"EscapesNameTheFileAsSpelledOnDisk", "Text/ch%2001.xhtml", "Text/ch 01.xhtml", "", "Text/ch 01.xhtml",
                  "", "Text/ch 01.xhtml"},
        // The anchor goes to the page as an anchor, never into the file name.
        FileNames{"AnchorStaysAnAnchor", "Text/ch01.xhtml#sec%201", "Text/ch01.xhtml", "", "Text/ch01.xhtml", "sec%201",
                  "Text/ch01.xhtml"},
        // Only the file name's ending changes, never a folder's.
        FileNames{"FolderNamesStay", "a.xhtml.d/ch.htm", "a.xhtml.d/ch.htm", "application/xhtml+xml",
                  "a.xhtml.d/ch.xhtml", "", "a.xhtml.d/ch.xhtml"}),
    [](const auto& p) { return std::string(p.param.name); });

// A book with both ch.html and ch.xhtml: showing ch.html as XHTML must not replace ch.xhtml, so it is shown
// under its own name.
TEST(RowSelected, RenameNeverReplacesAFile) {
    Reader reader;
    reader.Write("ch.html", "html");
    reader.Write("ch.xhtml", "xhtml");
    reader.state.chapterFacts[FactsKey(reader.Path("ch.html"))].mediaType = "application/xhtml+xml";
    reader.SetChapter(1, "One", "ch.html");
    reader.display.RowSelected(1);
    EXPECT_EQ(test::ReadFile(reader.Path("ch.xhtml")), "xhtml");
    EXPECT_EQ(test::ReadFile(reader.Path("ch.html")), "html");
    EXPECT_EQ(reader.view.navigations, std::vector<std::string>{reader.Path("ch.html")});
}

// A chapter that the engine, parsing it as XML, finds not well-formed is shown as HTML: loaded again under an
// HTML name before its load completes, and from then on shown so at once.
TEST(DocumentComplete, AChapterThatIsNotWellFormedXmlIsShownAsHtml) {
    Reader reader;
    reader.Write("Text/ch.xhtml", "<p>unclosed");
    reader.view.pages[reader.Path("Text/ch.xhtml")].xmlError = true;
    reader.SetChapter(1, "One", "Text/ch.xhtml#a");
    reader.state.flag_complete = 0;
    reader.display.RowSelected(1);
    reader.display.DocumentComplete({});
    EXPECT_EQ(reader.state.flag_complete, 0);
    EXPECT_EQ(reader.view.navigations,
              (std::vector<std::string>{reader.Path("Text/ch.xhtml"), reader.Path("Text/ch.html")}));
    EXPECT_EQ(reader.view.fragments, (std::vector<std::string>{"a", "a"}));
    reader.display.DocumentComplete({});
    EXPECT_EQ(reader.state.flag_complete, 1);
    EXPECT_EQ(test::ReadFile(reader.Path("Text/ch.html")), "<p>unclosed");

    reader.display.RowSelected(1);
    EXPECT_EQ(reader.view.navigations.back(), reader.Path("Text/ch.html"));
}

// A page of fixed layout is shown whole, fitted to the view, and the zoom steps enlarge it from there; a page
// that flows gets the zoom on its body again.
TEST(DocumentComplete, AFixedLayoutPageIsFittedToTheView) {
    Reader reader;
    reader.Write("fixed.xhtml", "<p>page</p>");
    reader.Write("flows.xhtml", "<p>text</p>");
    reader.state.chapterFacts[FactsKey(reader.Path("fixed.xhtml"))].fixedLayout = true;
    reader.SetChapter(1, "Fixed", "fixed.xhtml");
    reader.SetChapter(2, "Flows", "flows.xhtml");
    reader.display.RowSelected(1);
    reader.display.DocumentComplete({});
    ImageZoomInClick(reader.state, reader.view);
    EXPECT_EQ(reader.view.fits, (std::vector<double>{1.0, 1.2}));
    EXPECT_TRUE(reader.view.zooms.empty());
    reader.display.RowSelected(2);
    reader.display.DocumentComplete({});
    EXPECT_EQ(reader.view.zooms, std::vector<double>{1.2});
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
    reader.Write("Text/ch01.html", "chapter");
    reader.state.chapterFacts[FactsKey(reader.Path("Text/ch01.html"))].mediaType = "application/xhtml+xml";
    reader.SetChapter(2, "Two", "Text/ch01.html");
    reader.display.RowSelected(2);
    reader.display.RowSelected(2);
    const std::string page = reader.Path("Text/ch01.xhtml");
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

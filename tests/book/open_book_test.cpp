#include "book/open_book.h"

#include "book/book_contents.h"

#include "support/corpus.h"
#include "support/temp_dir.h"
#include "zipwriter/zip_writer.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteFile;
using Row = std::array<std::string, TableOfContents::kColumns>;
using Files = std::map<std::string, std::string>;

constexpr const char* kContainer =
    "<?xml version='1.0'?><container version='1.0' xmlns='urn:oasis:names:tc:opendocument:xmlns:container'>"
    "<rootfiles><rootfile full-path='%s' media-type='application/oebps-package+xml'/></rootfiles></container>";

std::string Container(const std::string& packagePath) {
    std::string xml = kContainer;
    xml.replace(xml.find("%s"), 2, packagePath);
    return xml;
}

std::string Ncx(const std::vector<std::array<std::string, 3>>& points) {
    std::string xml = "<?xml version='1.0'?><ncx xmlns='http://www.daisy.org/z3986/2005/ncx/'><navMap>";
    int order = 0;
    for (const auto& [id, label, src] : points) {
        xml += "<navPoint id='" + id + "' playOrder='" + std::to_string(++order) + "'><navLabel><text>" + label +
               "</text></navLabel><content src='" + src + "'/></navPoint>";
    }
    return xml + "</navMap></ncx>";
}

// items: id -> href (with optional "|properties"); spine: idrefs in order.
std::string Opf(const std::vector<std::pair<std::string, std::string>>& items, const std::vector<std::string>& spine) {
    std::string xml = "<?xml version='1.0'?><package xmlns='http://www.idpf.org/2007/opf' version='3.0'><manifest>";
    for (const auto& [id, target] : items) {
        const std::size_t bar = target.find('|');
        const std::string href = target.substr(0, bar);
        const bool isNcx = href.ends_with(".ncx");
        xml += "<item id='" + id + "' href='" + href + "' media-type='" +
               (isNcx ? "application/x-dtbncx+xml" : "application/xhtml+xml") + "'" +
               (bar == std::string::npos ? "" : " properties='" + target.substr(bar + 1) + "'") + "/>";
    }
    xml += "</manifest><spine>";
    for (const std::string& idref : spine) {
        xml += "<itemref idref='" + idref + "'/>";
    }
    return xml + "</spine></package>";
}

// An opening as the window makes it: one state, one table and one pair of documents over several books.
class OpenBookTest : public ::testing::Test {
protected:
    std::string MakeBook(const Files& files, const std::string& name = "book.epub") {
        std::vector<ZipMember> members;
        for (const auto& [path, content] : files) {
            ZipMember member;
            member.name = path;
            member.data = content;
            members.push_back(member);
        }
        const fs::path book = dir_ / name;
        WriteZipFile(book.string(), members);
        return book.string();
    }

    void Open(const std::string& book) { OpenBook(book, folders_, state_, toc_, documents_); }

    std::vector<Row> Rows() const {
        std::vector<Row> rows;
        for (std::int32_t r = 0; r < toc_.RowCount(); ++r) {
            rows.push_back({toc_.Cell(0, r), toc_.Cell(1, r), toc_.Cell(2, r)});
        }
        return rows;
    }

    std::string ErrorOf(const std::string& book) {
        try {
            Open(book);
        } catch (const std::exception& e) {
            return e.what();
        }
        return "(no error)";
    }

    TempDir dir_;
    WorkingFolders folders_ = ComposeWorkingFolders((dir_ / "data").string());
    ReaderState state_;
    TableOfContents toc_;
    BookDocuments documents_;
};

const Row kHeader{"No.", "Title", ""};

// The reader's contents: the navigation nested as the book nests it, entries inside a file too, and the spine
// files no entry names in their places, titled by their <title> or file name.
TEST_F(OpenBookTest, ContentsAreTheWholeNavigationWithEverySpineFile) {
    const std::string book = MakeBook({
        {"mimetype", "application/epub+zip"},
        {"OEBPS/toc.ncx",
         "<ncx xmlns='http://www.daisy.org/z3986/2005/ncx/'><navMap>"
         "<navPoint id='a' playOrder='1'><navLabel><text>One</text></navLabel><content src='one.xhtml'/>"
         "<navPoint id='b' playOrder='2'><navLabel><text>One, part 2</text></navLabel>"
         "<content src='one.xhtml#p2'/></navPoint></navPoint>"
         "<navPoint id='c' playOrder='3'><navLabel><text>Three</text></navLabel><content src='three.xhtml'/>"
         "</navPoint></navMap></ncx>"},
        {"OEBPS/content.opf", Opf({{"cv", "cover.xhtml"},
                                   {"c1", "one.xhtml"},
                                   {"c2", "two%20pages.xhtml"},
                                   {"c3", "three.xhtml"},
                                   {"c4", "end.xhtml"}},
                                  {"cv", "c1", "c2", "c3", "c4"})},
        {"OEBPS/cover.xhtml", "<html><head><title>Cover &amp; more</title></head><body/></html>"},
        {"OEBPS/one.xhtml", "<html/>"},
        {"OEBPS/two pages.xhtml", "<html><head><title/></head></html>"},
        {"OEBPS/three.xhtml", "<html/>"},
    });
    Open(book);
    const std::vector<ContentsEntry> contents = BookContents(state_, toc_);
    std::vector<std::string> shown;
    for (const ContentsEntry& entry : contents) {
        shown.push_back(std::to_string(entry.level) + " " + entry.title + " " + entry.path + " " +
                        std::to_string(entry.row));
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"0 Cover & more cover.xhtml 1", "0 One one.xhtml 2",
                                               "1 One, part 2 one.xhtml#p2 2", "0 two pages.xhtml two pages.xhtml 3",
                                               "0 Three three.xhtml 4", "0 end.xhtml end.xhtml 5"}));
}

TEST_F(OpenBookTest, FillsTheTableFromSpineNavigationAndManifest) {
    const std::string book = MakeBook({
        {"mimetype", "application/epub+zip"},
        {"OEBPS/toc.ncx", Ncx({{"n1", "The Start", "Text/one.xhtml"}, {"n2", "Later On", "Text/two.html"}})},
        {"OEBPS/content.opf", Opf({{"c2", "Text/two.html"}, {"c1", "Text/one.xhtml"}, {"c3", "Text/three.xhtml"}},
                                  {"c2", "c1", "c3", "missing"})},
        {"OEBPS/Text/one.xhtml", "<html/>"},
    });
    Open(book);
    EXPECT_EQ(Rows(), (std::vector<Row>{kHeader,
                                        {"2", "Later On", "Text/two.html"},
                                        {"1", "The Start", "Text/one.xhtml"},
                                        {"", "c3", "Text/three.xhtml"},
                                        {"", "", ""}}));
    EXPECT_EQ(state_.subTempDir, folders_.tempDir + "/OEBPS/");
    EXPECT_EQ(state_.spineIndex, 4);
    EXPECT_TRUE(fs::exists(folders_.tempDir + "/OEBPS/Text/one.xhtml"));

    // A second opening of the same book gives the same table, from fresh folders.
    WriteFile(fs::path(folders_.tempJPG) / "1_W.jpg", "old capture");
    state_.WebZoom = 1.4;
    const std::vector<Row> first = Rows();
    Open(book);
    EXPECT_EQ(Rows(), first);
    EXPECT_EQ(state_.WebZoom, 1.0);
    EXPECT_TRUE(fs::is_directory(folders_.tempJPG));
    EXPECT_TRUE(fs::is_empty(folders_.tempJPG));
}

TEST_F(OpenBookTest, APackageFileAboveTheNavigationFolderIsFoundThroughTheContainer) {
    Files files{
        {"OPS/package.opf", Opf({{"ncx", "nav/toc.ncx"}, {"p1", "pages/p1.xhtml"}}, {"p1"})},
        {"OPS/nav/toc.ncx", Ncx({{"n1", "First Page", "../pages/p1.xhtml"}})},
    };
    // Without a container the package file is only searched below the navigation file's folder.
    const std::string plain = MakeBook(files, "plain.epub");
    EXPECT_EQ(ErrorOf(plain), "\"" + plain +
                                  "\" has no package file: no file in or below its navigation map's folder has "
                                  "\".opf\" in its name (FileName cannot be blank)");

    files["META-INF/container.xml"] = Container("OPS/package.opf");
    Open(MakeBook(files, "with-container.epub"));
    EXPECT_EQ(state_.subTempDir, folders_.tempDir + "/OPS/");
    EXPECT_EQ(Rows(), (std::vector<Row>{kHeader, {"1", "First Page", "pages/p1.xhtml"}}));
}

TEST_F(OpenBookTest, ABookWithoutNavigationMapIsTitledFromItsNavigationDocument) {
    Open(MakeBook({
        {"META-INF/container.xml", Container("EPUB/package.opf")},
        {"EPUB/package.opf",
         Opf({{"nav", "meta/nav.xhtml|nav"}, {"c1", "text/c1.xhtml"}, {"c2", "text/c2.xhtml"}}, {"c1", "c2", "nav"})},
        {"EPUB/meta/nav.xhtml",
         "<html xmlns='http://www.w3.org/1999/xhtml' xmlns:epub='http://www.idpf.org/2007/ops'><body>"
         "<nav epub:type='landmarks'><ol><li><a href='../text/c2.xhtml'>Landmark</a></li></ol></nav>"
         "<nav epub:type='toc'><ol><li><a href='../text/c1.xhtml'>Call me\n   Ishmael</a><ol>"
         "<li><a href='../text/c2.xhtml'><span>The</span> Carpet-Bag</a></li></ol></li></ol></nav></body></html>"},
    }));
    EXPECT_EQ(state_.subTempDir, folders_.tempDir + "/EPUB/");
    EXPECT_EQ(Rows(), (std::vector<Row>{kHeader,
                                        {"1", "Call me Ishmael", "text/c1.xhtml"},
                                        {"2", "The Carpet-Bag", "text/c2.xhtml"},
                                        {"", "nav", "meta/nav.xhtml"}}));
}

// A navigation map with no entry beside the package gives way to the package's navigation document, in the
// plain search as through the container.
TEST_F(OpenBookTest, AnEmptyNavigationMapGivesWayToTheNavigationDocument) {
    const std::string nav = "<html xmlns:epub='http://www.idpf.org/2007/ops'><body><nav epub:type='toc'><ol>"
                            "<li><a href='c1.xhtml'>First</a></li><li><a href='c2.xhtml'>Second</a></li></ol></nav>"
                            "</body></html>";
    const std::vector<Row> expected{kHeader, {"1", "First", "c1.xhtml"}, {"2", "Second", "c2.xhtml"}};
    Open(MakeBook(
        {{"OEBPS/toc.ncx", Ncx({})},
         {"OEBPS/content.opf", Opf({{"nav", "nav.xhtml|nav"}, {"c1", "c1.xhtml"}, {"c2", "c2.xhtml"}}, {"c1", "c2"})},
         {"OEBPS/nav.xhtml", nav}},
        "plain.epub"));
    EXPECT_EQ(Rows(), expected);
    // The map below the package's folder: the plain search cannot pair them, the container can.
    Open(MakeBook({{"META-INF/container.xml", Container("OEBPS/content.opf")},
                   {"OEBPS/map/toc.ncx", Ncx({})},
                   {"OEBPS/content.opf",
                    Opf({{"ncx", "map/toc.ncx"}, {"nav", "nav.xhtml|nav"}, {"c1", "c1.xhtml"}, {"c2", "c2.xhtml"}},
                        {"c1", "c2"})},
                   {"OEBPS/nav.xhtml", nav}},
                  "container.epub"));
    EXPECT_EQ(Rows(), expected);
}

// Titles from the links of a navigation document: laid out as a browser shows them, stored with "&" for each
// space as every navigation title is, and lent to the files that no link names exactly.
struct NavTitleCase {
    const char* label;
    std::string links;      // the items of the table of contents
    std::string firstEntry; // DirIDList[0]
    Row row;                // the row of c1.xhtml
};

class NavTitleTest : public OpenBookTest, public ::testing::WithParamInterface<NavTitleCase> {};

TEST_P(NavTitleTest, LinksGiveTheTitlesThatABrowserShows) {
    Open(MakeBook({
        {"META-INF/container.xml", Container("EPUB/package.opf")},
        {"EPUB/package.opf", Opf({{"nav", "nav.xhtml|nav"}, {"c1", "c1.xhtml"}}, {"c1"})},
        {"EPUB/nav.xhtml", "<html xmlns='http://www.w3.org/1999/xhtml' xmlns:epub='http://www.idpf.org/2007/ops'>"
                           "<body><nav epub:type='toc'><ol>" +
                               GetParam().links + "</ol></nav></body></html>"},
    }));
    ASSERT_FALSE(state_.DirIDList.empty());
    EXPECT_EQ(state_.DirIDList[0], GetParam().firstEntry);
    EXPECT_EQ(Rows(), (std::vector<Row>{kHeader, GetParam().row}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NavTitleTest,
    ::testing::Values(
        NavTitleCase{"SpaceBetweenInlineElements",
                     "<li><a href='c1.xhtml'><span>Chapter</span> <em>Two</em></a></li>",
                     "1;toc-1;c1.xhtml;Chapter&Two",
                     {"1", "Chapter Two", "c1.xhtml"}},
        NavTitleCase{"NoSpaceBetweenElementsGivesNone",
                     "<li><a href='c1.xhtml'><span>Chapter</span><em>Two</em></a></li>",
                     "1;toc-1;c1.xhtml;ChapterTwo",
                     {"1", "ChapterTwo", "c1.xhtml"}},
        NavTitleCase{"RunsOfWhitespaceCollapse",
                     "<li>\n  <a href='c1.xhtml'>\n\t<span>Chapter</span>\n\t\t<em>Two</em>\r\n  of   <b>Three</b>\n"
                     "</a>\n</li>",
                     "1;toc-1;c1.xhtml;Chapter&Two&of&Three",
                     {"1", "Chapter Two of Three", "c1.xhtml"}},
        NavTitleCase{"NoBreakSpacesStay",
                     "<li><a href='c1.xhtml'>Chapter&#160;&#160;<em>Two</em></a></li>",
                     "1;toc-1;c1.xhtml;Chapter\u00a0\u00a0Two",
                     {"1", "Chapter\u00a0\u00a0Two", "c1.xhtml"}},
        NavTitleCase{"FragmentLinksTitleTheFileByTheFirstOfThem",
                     "<li><a href='c1.xhtml#s1'><span>Part</span> <i>One</i></a></li>"
                     "<li><a href='c1.xhtml#s2'>Part Two</a></li>",
                     "1;toc-1;c1.xhtml#s1;Part&One",
                     {"", "Part One", "c1.xhtml"}}),
    [](const ::testing::TestParamInfo<NavTitleCase>& param) { return param.param.label; });

TEST_F(OpenBookTest, FailuresNameTheProblem) {
    // No navigation map and no container: the book is named with what it lacks, and the loader's text follows;
    // on a later opening the navigation document still names the file it read last, which the reset has
    // deleted.
    const std::string noNcx = MakeBook({{"content.opf", Opf({{"a", "a.html"}}, {"a"})}}, "no-ncx.epub");
    EXPECT_EQ(ErrorOf(noNcx), "\"" + noNcx +
                                  "\" has no navigation map: none of its files has \".ncx\" in its name (FileName "
                                  "cannot be blank)");
    Open(MakeBook({{"toc.ncx", Ncx({{"n", "A", "a.html"}})}, {"content.opf", Opf({{"a", "a.html"}}, {"a"})}}));
    EXPECT_NE(ErrorOf(noNcx).find(folders_.tempDir + "/toc.ncx"), std::string::npos) << ErrorOf(noNcx);

    const std::string escaping = MakeBook({{"META-INF/container.xml", Container("../outside.opf")}}, "escape.epub");
    EXPECT_NE(ErrorOf(escaping).find("lies outside the book"), std::string::npos) << ErrorOf(escaping);

    const std::string noRoot = MakeBook({{"META-INF/container.xml", "<container/>"}}, "no-root.epub");
    EXPECT_NE(ErrorOf(noRoot).find("No package file is named"), std::string::npos) << ErrorOf(noRoot);

    const std::string malformed = MakeBook({{"toc.ncx", "<ncx>\n<navMap><navPoint></navMap>"}}, "bad.epub");
    EXPECT_NE(ErrorOf(malformed).find("\nLine: 2\n<navMap><navPoint></navMap>"), std::string::npos)
        << ErrorOf(malformed);

    EXPECT_EQ(ErrorOf((dir_ / "absent.epub").string()).rfind("Cannot open file \"", 0), 0u);
}

TEST_F(OpenBookTest, HostilePackagesNeitherReadOutsideTheBookNorBlowUp) {
    WriteFile(dir_ / "secret.xml", "<a>TOP SECRET</b>");
    // "x?.." is an ordinary folder name inside the book; the ".." after it climb all the same.
    const std::string escape = "x?../../../../secret.xml";
    const std::string viaContainer = MakeBook({{"META-INF/container.xml", Container(escape)}}, "container.epub");
    EXPECT_EQ(ErrorOf(viaContainer).find("TOP SECRET"), std::string::npos);
    EXPECT_NE(ErrorOf(viaContainer).find("lies outside the book"), std::string::npos) << ErrorOf(viaContainer);

    Open(MakeBook({{"META-INF/container.xml", Container("package.opf")},
                   {"package.opf", Opf({{"nav", escape + "|nav"}, {"c1", "c1.xhtml"}}, {"c1"})}},
                  "nav.epub"));
    EXPECT_EQ(Rows(), (std::vector<Row>{kHeader, {"", "c1", "c1.xhtml"}}));

    // Links nested thousands deep, each with its own text: one entry per link, titles of the link's own text.
    const int depth = 20000;
    std::string links;
    for (int i = 0; i < depth; ++i) {
        links += "<a href='c1.xhtml#" + std::to_string(i) + "'>" + std::string(100, 'x') + " ";
    }
    for (int i = 0; i < depth; ++i) {
        links += "</a>";
    }
    Open(MakeBook({{"META-INF/container.xml", Container("package.opf")},
                   {"package.opf", Opf({{"nav", "nav.xhtml|nav"}, {"c1", "c1.xhtml"}}, {"c1"})},
                   {"nav.xhtml",
                    "<html xmlns:epub='http://www.idpf.org/2007/ops'><nav epub:type='toc'>" + links + "</nav></html>"}},
                  "deep.epub"));
    ASSERT_EQ(state_.DirIDList.size(), static_cast<std::size_t>(depth));
    EXPECT_EQ(state_.DirIDList.front(), "1;toc-1;c1.xhtml#0;" + std::string(100, 'x'));
}

TEST_F(OpenBookTest, ABookWithoutSpineSaysSoAndLeavesTheRowsBlank) {
    Open(MakeBook({{"toc.ncx", Ncx({{"n", "A", "a.html"}})}, {"content.opf", Opf({{"a", "a.html"}}, {"a", "a"})}}));
    ASSERT_EQ(toc_.RowCount(), 3);
    toc_.SetCurrentRow(2);
    const std::string empty =
        MakeBook({{"toc.ncx", Ncx({})}, {"content.opf", Opf({{"a", "a.html"}}, {})}}, "empty.epub");
    EXPECT_EQ(ErrorOf(empty), "\"" + empty + "\" has no chapters: its package file lists no spine items");
    EXPECT_EQ(Rows(), (std::vector<Row>{kHeader, {"", "", ""}, {"", "", ""}}));
    EXPECT_EQ(toc_.CurrentRow(), 0);

    const std::string viaContainer =
        MakeBook({{"META-INF/container.xml", Container("p.opf")}, {"p.opf", Opf({{"a", "a.html"}}, {})}}, "epub3.epub");
    EXPECT_EQ(ErrorOf(viaContainer), "\"" + viaContainer + "\" has no chapters: its package file lists no spine items");
}

// Every book of the corpus that opens, with the rows it gives at a few places: its first row, a numbered
// row from the middle and its last row. (The book with a 1 GiB chapter is left to the benchmark.)
struct CorpusBook {
    const char* file;
    int rows; // header included
    std::vector<std::pair<int, Row>> samples;
};

class CorpusOpenTest : public OpenBookTest, public ::testing::WithParamInterface<CorpusBook> {};

TEST_P(CorpusOpenTest, OpensWithTheExpectedRows) {
    QM_SKIP_WITHOUT_CORPUS();
    const CorpusBook& book = GetParam();
    Open(test::CorpusFile(std::string("epub/") + book.file).string());
    ASSERT_EQ(toc_.RowCount(), book.rows);
    const std::vector<Row> rows = Rows();
    EXPECT_EQ(rows[0], kHeader);
    for (const auto& [index, row] : book.samples) {
        EXPECT_EQ(rows[static_cast<std::size_t>(index)], row) << "row " << index;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, CorpusOpenTest,
    ::testing::Values(
        CorpusBook{"calibre-quick_start-eng.epub",
                   15,
                   {{1, {"", "titlepage", "text/titlepage.xhtml"}},
                    {8, {"7", "Task 1: Organizing", "text/task_1_organizing.xhtml"}},
                    {14, {"22", "Where to get help", "text/where_to_get_help.xhtml"}}}},
        CorpusBook{"debian-ubuntu-packaging-guide-ru.epub",
                   18,
                   {{1, {"1", "Руководство разработчика Ubuntu", "ubuntu-packaging-guide/index.xhtml"}},
                    {17, {"", "epub-20", "ubuntu-packaging-guide/kde.xhtml"}}}},
        CorpusBook{
            "epubcheck-content-xhtml-extension-warning.epub", 2, {{1, {"1", "content 001", "content_001.html"}}}},
        CorpusBook{"epubcheck-ocf-filename-duplicate-zip-entry-error.epub",
                   2,
                   {{1, {"1", "content 001", "content_001.xhtml"}}}},
        CorpusBook{"epubcheck-ocf-filename-not-utf8-error.epub", 2, {{1, {"1", "content 001", "content_é.xhtml"}}}},
        CorpusBook{"epubcheck-ocf-filename-utf8-valid.epub", 2, {{1, {"1", "content 001", "content_é.xhtml"}}}},
        CorpusBook{
            "epubcheck-ocf-mimetype-file-missing-error.epub", 2, {{1, {"1", "content 001", "content_001.xhtml"}}}},
        CorpusBook{"epubcheck-ocf-minimal-valid-epub2.epub", 2, {{1, {"1", "Loomings", "content_001.xhtml"}}}},
        CorpusBook{"epubcheck-ops-xhtml-unusual-extension-valid.epub", 2, {{1, {"1", "Loomings", "content_001.foo"}}}},
        CorpusBook{"epubjs-alice.epub",
                   14,
                   {{1, {"", "cover", "cover.xhtml"}},
                    {8, {"6", "Advice From A Caterpillar", "chapter_005.xhtml"}},
                    {13, {"11", "Alice's Evidence", "chapter_010.xhtml"}}}},
        CorpusBook{"epubrs-Metamorphosis-jackson.epub",
                   9,
                   {{1, {"1", "Cover", "OEBPS/front-cover.html"}},
                    {5, {"5", "Make your own books using PressBooks.com", "OEBPS/pressbooks-promo.html"}},
                    {8, {"8", "CHAPTER III", "OEBPS/chapter-003-chapter-iii.html"}}}},
        CorpusBook{"epubrs-book2-utf16-opf.epub",
                   8,
                   {{1, {"1", "Cover", "OEBPS/front-cover.html"}},
                    {4, {"4", "Table Of Contents", "OEBPS/table-of-contents.html"}},
                    {7, {"8", "CHAPTER III", "OEBPS/chapter-003-chapter-iii.html"}}}},
        CorpusBook{"epubrs-test-todo-es-mio.epub",
                   18,
                   {{1, {"", "titlepage.xhtml", "Text/titlepage.xhtml"}},
                    {10, {"9", "Salud", "Text/008.xhtml"}},
                    {17, {"16", "Por qué", "Text/015.xhtml"}}}},
        CorpusBook{"idpf-childrens-literature.epub",
                   4,
                   {{1, {"", "cover", "cover.xhtml"}},
                    {2, {"", "nav", "nav.xhtml"}},
                    {3, {"", "SECTION IV FAIRY STORIES—MODERN FANTASTIC TALES", "s04.xhtml"}}}},
        CorpusBook{"idpf-haruko-jpeg.epub",
                   14,
                   // Its navigation map's points are prefixed, so the walk takes none; its navigation
                   // document titles two pages, the others keep their ids.
                   {{1, {"1", "ハルコさんの彼氏/Haruko San No Kareshi", "images/01.jpg"}},
                    {7, {"", "j07", "images/07.jpg"}},
                    {13, {"2", "この文書について/About this document", "images/AboutThisDocument.png"}}}},
        CorpusBook{"idpf-hefty-water.epub", 2, {{1, {"", "Hefty Water", "heftywater.xhtml"}}}},
        CorpusBook{"idpf-jlreq-in-english.epub",
                   160,
                   {{1, {"", "d4e17", "xhtml/d4e17.xhtml"}},
                    {80, {"", "4.1.6 Processing of Gyou-dori", "xhtml/processing_of_gyoudori.xhtml"}},
                    {159, {"", "J Acknowledgements", "xhtml/acknowledgments.xhtml"}}}},
        CorpusBook{"idpf-kusamakura-japanese-vertical-writing.epub",
                   17,
                   {{1, {"", "表紙", "xhtml/表紙.xhtml"}},
                    {8, {"6", "六", "xhtml/六.xhtml"}},
                    {16, {"14", "この文書について", "xhtml/後付.xhtml"}}}},
        CorpusBook{"idpf-mahabharata.epub",
                   2015,
                   {{1, {"1", "महाभारत", "xhtml/b00000.xhtml"}},
                    {1008, {"1008", "द्रोण पर्व अध्याय २३", "xhtml/b07023.xhtml"}},
                    {2014, {"2014", "स्वर्गारोहण पर्व अध्याय ५", "xhtml/b18005.xhtml"}}}},
        CorpusBook{"idpf-moby-dick.epub",
                   145,
                   {{1, {"", "cover", "cover.xhtml"}},
                    {73, {"71", "Chapter 67. Cutting In.", "chapter_067.xhtml"}},
                    {144, {"", "toc", "toc.xhtml"}}}},
        CorpusBook{"idpf-sous-le-vent_svg-in-spine.epub",
                   14,
                   {{1, {"", "ch1", "Content/pageNum-1.svg"}},
                    {7, {"1", "Commencer la lecture", "Content/pageNum-9.svg"}},
                    {13, {"", "ch15", "Content/pageNum-15.svg"}}}},
        CorpusBook{
            "idpf-wasteland-woff-obf.epub", 2, {{1, {"", "I. THE BURIAL OF THE DEAD", "wasteland-content.xhtml"}}}},
        CorpusBook{"made-bit3-data-descriptors-regime-anticancer-arabic.epub",
                   4,
                   {{1, {"1", "Couverture", "Content/A_cover.xhtml"}},
                    {2, {"2", "Page de titre", "Content/B_titlepage.xhtml"}},
                    {3, {"3", "Commencer la lecture", "Content/C_content.xhtml"}}}},
        CorpusBook{"pandoc-epub2_picture.epub",
                   3,
                   {{1, {"", "cover", "cover.xhtml"}}, {2, {"1", "EPUB Pandoc Test", "EPUB_Pandoc_Test.xhtml"}}}},
        CorpusBook{"pandoc-tiny-all-stored.epub", 2, {{1, {"", "Test", "text/a.xhtml"}}}},
        CorpusBook{"readium-feedbooks_book_6816.epub",
                   576,
                   {{1, {"", "cover", "cover.xml"}},
                    {129, {"140", "Partie 2", "main125.xml"}},
                    {575, {"", "feedbooks", "feedbooks.xml"}}}}),
    [](const ::testing::TestParamInfo<CorpusBook>& param) {
        std::string name = param.param.file;
        name = name.substr(0, name.find('.'));
        for (char& c : name) {
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });

// Every navigation point of this book carries a fragment, so no spine row is found by the exact lookup: the
// 113 files that points lead into take the label of the first of them, the 46 that no point names keep their
// idref.
TEST_F(OpenBookTest, JlreqRowsTakeTheTitleOfTheFirstNavigationPointIntoTheirFile) {
    QM_SKIP_WITHOUT_CORPUS();
    Open(test::CorpusFile("epub/idpf-jlreq-in-english.epub").string());
    ASSERT_EQ(toc_.RowCount(), 160);
    int titled = 0;
    for (std::int32_t r = 1; r < toc_.RowCount(); ++r) {
        const std::string path = toc_.Cell(2, r);
        const std::string idref = path.substr(path.rfind('/') + 1, path.rfind('.') - path.rfind('/') - 1);
        EXPECT_EQ(toc_.Cell(0, r), "") << path;
        titled += toc_.Cell(1, r) != idref;
    }
    EXPECT_EQ(titled, 113);
    EXPECT_EQ(Rows()[4], (Row{"", "1 Introduction", "xhtml/introduction.xhtml"}));
    EXPECT_EQ(Rows()[2], (Row{"", "d4e166", "xhtml/d4e166.xhtml"}));
}

// Broken and hostile books fail with a clear error, and nothing lands outside the working folder.
TEST_F(OpenBookTest, BrokenAndHostileCorpusBooksFailCleanly) {
    QM_SKIP_WITHOUT_CORPUS();
    const std::pair<const char*, const char*> books[] = {
        {"epubcheck-ocf-zip-unreadable-empty-fatal.epub", "Stream read error"},
        {"epubcheck-ocf-zip-unreadable-no-end-header-fatal.epub", "Error reading zip file"},
        {"epubcheck-ocf-zip-unreadable-image-with-epub-extension-fatal.epub", "Error reading zip file"},
        {"made-truncated-in-central-directory.epub", "Error reading zip file"},
        {"made-bad-central-directory-offset.epub", "Invalid Zip Central Header signature"},
        {"made-unsupported-method-bzip2-lzma.epub", "unsupported compression method 12"},
        {"made-path-traversal.epub", "its name has a \"..\" part"},
        {"epubcheck-ocf-container-not-ocf-error.epub", "FileName cannot be blank"},
    };
    for (const auto& [file, error] : books) {
        const std::string book = test::CorpusFile(std::string("epub/") + file).string();
        const std::string text = ErrorOf(book);
        EXPECT_NE(text.find(error), std::string::npos) << file << ": " << text;
        EXPECT_NE(text.find("\"" + book + "\""), std::string::npos) << file << ": " << text;
    }
    for (const fs::path& folder : {fs::temp_directory_path(), dir_.path(), fs::path(folders_.tempDir).parent_path()}) {
        for (const auto& entry : fs::directory_iterator(folder)) {
            EXPECT_EQ(entry.path().filename().string().find("epub_traversal_canary"), std::string::npos)
                << entry.path();
        }
    }
}

} // namespace
} // namespace qm

#include "book/open_book.h"

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
    EXPECT_EQ(ErrorOf(MakeBook(files, "plain.epub")), "FileName cannot be blank");

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

TEST_F(OpenBookTest, FailuresNameTheProblem) {
    // No navigation map and no container: the plain search's error; on a later opening the navigation
    // document still names the file it read last, which the reset has deleted.
    const std::string noNcx = MakeBook({{"content.opf", Opf({{"a", "a.html"}}, {"a"})}}, "no-ncx.epub");
    EXPECT_EQ(ErrorOf(noNcx), "FileName cannot be blank");
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

TEST_F(OpenBookTest, ABookWithoutSpineKeepsTheRowCountAndBlanksTheRows) {
    Open(MakeBook({{"toc.ncx", Ncx({{"n", "A", "a.html"}})}, {"content.opf", Opf({{"a", "a.html"}}, {"a", "a"})}}));
    ASSERT_EQ(toc_.RowCount(), 3);
    toc_.SetCurrentRow(2);
    Open(MakeBook({{"toc.ncx", Ncx({})}, {"content.opf", Opf({{"a", "a.html"}}, {})}}, "empty.epub"));
    EXPECT_EQ(Rows(), (std::vector<Row>{kHeader, {"", "", ""}, {"", "", ""}}));
    EXPECT_EQ(toc_.CurrentRow(), 0);
}

struct CorpusBook {
    const char* file;
    int rows;     // header included
    Row firstRow; // row 1
    Row lastRow;  // row rows - 1
};

class CorpusOpenTest : public OpenBookTest, public ::testing::WithParamInterface<CorpusBook> {};

TEST_P(CorpusOpenTest, OpensWithTheExpectedRows) {
    QM_SKIP_WITHOUT_CORPUS();
    const CorpusBook& book = GetParam();
    Open(test::CorpusFile(std::string("epub/") + book.file).string());
    ASSERT_EQ(toc_.RowCount(), book.rows);
    EXPECT_EQ(Rows()[0], kHeader);
    EXPECT_EQ(Rows()[1], book.firstRow);
    EXPECT_EQ(Rows().back(), book.lastRow);
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, CorpusOpenTest,
    ::testing::Values(CorpusBook{"calibre-quick_start-eng.epub",
                                 15,
                                 {"", "titlepage", "text/titlepage.xhtml"},
                                 {"22", "Where to get help", "text/where_to_get_help.xhtml"}},
                      CorpusBook{"epubrs-Metamorphosis-jackson.epub",
                                 9,
                                 {"1", "Cover", "OEBPS/front-cover.html"},
                                 {"8", "CHAPTER III", "OEBPS/chapter-003-chapter-iii.html"}},
                      CorpusBook{"epubrs-book2-utf16-opf.epub",
                                 8,
                                 {"1", "Cover", "OEBPS/front-cover.html"},
                                 {"8", "CHAPTER III", "OEBPS/chapter-003-chapter-iii.html"}},
                      CorpusBook{"epubcheck-ocf-filename-utf8-valid.epub",
                                 2,
                                 {"1", "content 001", "content_é.xhtml"},
                                 {"1", "content 001", "content_é.xhtml"}},
                      CorpusBook{"idpf-moby-dick.epub", 145, {"", "cover", "cover.xhtml"}, {"", "toc", "toc.xhtml"}},
                      CorpusBook{"idpf-haruko-jpeg.epub",
                                 14,
                                 {"", "j01", "images/01.jpg"},
                                 {"", "AboutThisDocument", "images/AboutThisDocument.png"}},
                      CorpusBook{"made-bit3-data-descriptors-regime-anticancer-arabic.epub",
                                 4,
                                 {"1", "Couverture", "Content/A_cover.xhtml"},
                                 {"3", "Commencer la lecture", "Content/C_content.xhtml"}}),
    [](const ::testing::TestParamInfo<CorpusBook>& param) {
        std::string name = param.param.file;
        name = name.substr(0, name.find('.'));
        for (char& c : name) {
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });

} // namespace
} // namespace qm

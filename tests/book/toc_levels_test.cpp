#include "book/open_book.h"

#include "support/temp_dir.h"
#include "zipwriter/zip_writer.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace qm {
namespace {

using Files = std::map<std::string, std::string>;

// A spine row as the reader sees it in the table: its title and how far it is indented.
struct TitledRow {
    std::string title;
    int level = 0;
    bool operator==(const TitledRow&) const = default;
};

void PrintTo(const TitledRow& row, std::ostream* out) {
    *out << "{\"" << row.title << "\", " << row.level << "}";
}

std::string Point(const std::string& attributes, const std::string& label, const std::string& src,
                  const std::string& nested = "") {
    return "<navPoint " + attributes + "><navLabel><text>" + label + "</text></navLabel><content src='" + src + "'/>" +
           nested + "</navPoint>";
}

std::string Ncx(const std::string& navMap) {
    return "<?xml version='1.0'?><ncx xmlns='http://www.daisy.org/z3986/2005/ncx/'><navMap>" + navMap +
           "</navMap></ncx>";
}

// A package whose manifest lists `items` (id, href, extra attributes) and whose spine lists them all in order.
std::string Opf(const std::vector<std::array<std::string, 3>>& items) {
    std::string manifest;
    std::string spine;
    for (const auto& [id, href, extra] : items) {
        manifest += "<item id='" + id + "' href='" + href + "' " + extra + "/>";
        if (extra.find("dtbncx") == std::string::npos && extra.find("nav") == std::string::npos) {
            spine += "<itemref idref='" + id + "'/>";
        }
    }
    return "<?xml version='1.0'?><package xmlns='http://www.idpf.org/2007/opf' version='3.0'><manifest>" + manifest +
           "</manifest><spine>" + spine + "</spine></package>";
}

const std::string kContainer =
    "<?xml version='1.0'?><container version='1.0' xmlns='urn:oasis:names:tc:opendocument:xmlns:container'>"
    "<rootfiles><rootfile full-path='OPS/package.opf' media-type='application/oebps-package+xml'/></rootfiles>"
    "</container>";

const std::string kNcxItem = "media-type='application/x-dtbncx+xml'";

std::string WriteBook(const test::TempDir& dir, const std::string& name, const Files& files) {
    std::vector<ZipMember> members;
    for (const auto& [member, data] : files) {
        members.push_back(ZipEntry(member, data));
    }
    WriteZipFile((dir / name).string(), members);
    return (dir / name).string();
}

struct LevelCase {
    const char* label;
    Files files;
    std::vector<TitledRow> rows;
};

class TocLevels : public testing::TestWithParam<LevelCase> {};

// Each row is indented as deep as the navigation entry that titles it lies; a row that no entry titles is not.
TEST_P(TocLevels, RowsTakeTheLevelOfTheEntryThatTitlesThem) {
    test::TempDir dir;
    const std::string book = WriteBook(dir, "book.epub", GetParam().files);
    ReaderState state;
    TableOfContents toc;
    BookDocuments documents;
    OpenBook(book, ComposeWorkingFolders((dir / "data").string()), state, toc, documents);

    std::vector<TitledRow> rows;
    for (std::int32_t row = 1; row < toc.RowCount(); ++row) {
        rows.push_back({toc.Cell(1, row), toc.Level(row)});
    }
    EXPECT_EQ(rows, GetParam().rows);
    EXPECT_EQ(toc.Level(0), 0);
}

// Part One > Chapter 1 > Section 1.1, with a point into a later part of Chapter 1 beside the section; a point
// without a play order (which completes no entry) nested in Part One; a file that no point names.
const std::string kNestedMap = Point("id='p1' playOrder='1'", "Part One", "part1.html",
                                     Point("id='p2' playOrder='2'", "Chapter 1", "ch1.html",
                                           Point("id='p3' playOrder='3'", "Section 1.1", "ch1s1.html") +
                                               Point("id='p4' playOrder='4'", "Later in Chapter 1", "ch1.html#later")) +
                                         Point("id='n1'", "Notes", "notes.html#n1")) +
                               Point("id='p5' playOrder='5'", "Part Two", "part2.html");

const std::vector<TitledRow> kNestedRows{{"Part One", 0}, {"Chapter 1", 1}, {"Section 1.1", 2},
                                         {"Notes", 1},    {"Part Two", 0},  {"colophon", 0}};

const std::vector<std::array<std::string, 3>> kNestedItems{
    {"part1", "part1.html", ""}, {"ch1", "ch1.html", ""},     {"ch1s1", "ch1s1.html", ""},
    {"notes", "notes.html", ""}, {"part2", "part2.html", ""}, {"colophon", "colophon.html", ""}};

INSTANTIATE_TEST_SUITE_P(
    Books, TocLevels,
    testing::Values(
        LevelCase{"NestedNcxBesideThePackage",
                  {{"OPS/toc.ncx", Ncx(kNestedMap)}, {"OPS/package.opf", Opf(kNestedItems)}},
                  kNestedRows},
        // Read through the container; the map's paths are rebased onto the package's folder.
        LevelCase{"NestedNcxBelowThePackage",
                  {{"META-INF/container.xml", kContainer},
                   {"OPS/nav/toc.ncx", Ncx(Point("id='a' playOrder='1'", "Top", "../top.html",
                                                 Point("id='b' playOrder='2'", "Inner", "../inner.html")))},
                   {"OPS/package.opf",
                    Opf({{"ncx", "nav/toc.ncx", kNcxItem}, {"top", "top.html", ""}, {"inner", "inner.html", ""}})}},
                  {{"Top", 0}, {"Inner", 1}}},
        // Lists nested in list items; a heading item without a link still nests its list; the landmarks nav
        // titles nothing.
        LevelCase{
            "NestedNavigationDocument",
            {{"META-INF/container.xml", kContainer},
             {"OPS/nav.xhtml",
              "<html xmlns='http://www.w3.org/1999/xhtml' xmlns:epub='http://www.idpf.org/2007/ops'><body>"
              "<nav epub:type='landmarks'><ol><li><a href='cover.xhtml'>Cover</a></li></ol></nav>"
              "<div><nav epub:type='toc'><h1>Contents</h1><ol>"
              "<li><a href='part1.xhtml'>Part One</a><ol>"
              "<li><a href='ch1.xhtml'>Chapter 1</a><ol><li><a href='ch1s1.xhtml'>Section</a></li></ol></li>"
              "<li><span>Appendices</span><ol><li><a href='app.xhtml#a'>Appendix A</a></li></ol></li>"
              "</ol></li>"
              "<li><a href='part2.xhtml'>Part Two</a></li>"
              "</ol></nav></div></body></html>"},
             {"OPS/package.opf", Opf({{"nav", "nav.xhtml", "properties='nav'"},
                                      {"cover", "cover.xhtml", ""},
                                      {"part1", "part1.xhtml", ""},
                                      {"ch1", "ch1.xhtml", ""},
                                      {"ch1s1", "ch1s1.xhtml", ""},
                                      {"app", "app.xhtml", ""},
                                      {"part2", "part2.xhtml", ""}})}},
            {{"cover", 0}, {"Part One", 0}, {"Chapter 1", 1}, {"Section", 2}, {"Appendix A", 2}, {"Part Two", 0}}}),
    [](const testing::TestParamInfo<LevelCase>& c) { return c.param.label; });

// A later opening clears the levels with the rest of the table, also when it fails and leaves the rows blank.
TEST(TocLevelsAcrossOpenings, AreClearedWithTheTable) {
    test::TempDir dir;
    const std::string nested =
        WriteBook(dir, "nested.epub", {{"toc.ncx", Ncx(kNestedMap)}, {"p.opf", Opf(kNestedItems)}});
    const std::string noSpine = WriteBook(dir, "empty.epub", {{"toc.ncx", Ncx(kNestedMap)}, {"p.opf", Opf({})}});
    const WorkingFolders folders = ComposeWorkingFolders((dir / "data").string());
    ReaderState state;
    TableOfContents toc;
    BookDocuments documents;
    OpenBook(nested, folders, state, toc, documents);
    ASSERT_EQ(toc.Level(3), 2);
    EXPECT_THROW(OpenBook(noSpine, folders, state, toc, documents), std::runtime_error);
    ASSERT_EQ(toc.RowCount(), 7);
    for (std::int32_t row = 0; row < toc.RowCount(); ++row) {
        EXPECT_EQ(toc.Level(row), 0) << "row " << row;
    }
}

} // namespace
} // namespace qm

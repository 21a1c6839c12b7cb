#include "book/ncx_reader.h"
#include "book/opf_reader.h"

#include "book/reader_state.h"
#include "book/table_of_contents.h"
#include "platform/xml/xml_document.h"
#include "support/small_stack.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace qm {
namespace {

using test::TempDir;
using test::WriteFile;
using List = std::vector<std::string>;
using Row = std::array<std::string, TableOfContents::kColumns>;

void LoadText(XmlDocument& doc, const std::string& xml) {
    TempDir dir;
    doc.LoadFromFile(WriteFile(dir / "doc.xml", xml).string());
}

List ReadNcx(const std::string& xml) {
    XmlDocument doc;
    LoadText(doc, xml);
    ReaderState state;
    ReadNcxNode(state, doc.DocumentElement());
    return state.DirIDList;
}

std::string Ncx(const std::string& body) {
    return "<?xml version='1.0' encoding='UTF-8'?>\n"
           "<ncx xmlns='http://www.daisy.org/z3986/2005/ncx/' xmlns:ncx='http://www.daisy.org/z3986/2005/ncx/' "
           "version='2005-1'>" +
           body + "</ncx>";
}

std::string Point(const std::string& attributes, const std::string& label, const std::string& content,
                  const std::string& nested = "") {
    return "<navPoint " + attributes + "><navLabel><text>" + label + "</text></navLabel><content " + content + "/>" +
           nested + "</navPoint>";
}

// Rows 1 .. RowCount() - 1; row 0 is the open command's header and not the walk's business.
std::vector<Row> SpineRows(const TableOfContents& toc) {
    std::vector<Row> rows;
    for (std::int32_t r = 1; r < toc.RowCount(); ++r) {
        rows.push_back({toc.Cell(0, r), toc.Cell(1, r), toc.Cell(2, r)});
    }
    return rows;
}

void ReadOpf(ReaderState& state, TableOfContents& toc, const std::string& xml) {
    XmlDocument doc;
    LoadText(doc, xml);
    ReadOpfNode(state, toc, doc.DocumentElement());
}

std::string Opf(const std::string& body) {
    return "<?xml version='1.0' encoding='UTF-8'?>\n"
           "<package xmlns='http://www.idpf.org/2007/opf' xmlns:opf='http://www.idpf.org/2007/opf' version='2.0'>"
           "<metadata><dc:title xmlns:dc='http://purl.org/dc/elements/1.1/'>T</dc:title></metadata>" +
           body + "</package>";
}

const std::string kManifest = "<manifest>"
                              "<item id='c1' href='c1.html' media-type='application/xhtml+xml'/>"
                              "<item href='c2.html' media-type='application/xhtml+xml' id='c2'/>"
                              "<item media-type='application/xhtml+xml' id='c3' href='c3.html'/>"
                              "</manifest>";

std::string Spine(const List& idrefs) {
    std::string spine = "<spine toc='ncx'>";
    for (const std::string& idref : idrefs) {
        spine += "<itemref idref='" + idref + "'/>";
    }
    return spine + "</spine>";
}

struct NcxCase {
    const char* label;
    std::string xml;
    List entries;
};

class NcxWalk : public testing::TestWithParam<NcxCase> {};

TEST_P(NcxWalk, AppendsTheEntriesThatThePendingValuesComplete) {
    EXPECT_EQ(ReadNcx(GetParam().xml), GetParam().entries);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NcxWalk,
    testing::Values(
        NcxCase{"TypicalMapNestedThreeLevels",
                Ncx("<head><meta name='dtb:uid' content='urn:x'/><meta name='dtb:depth' content='3'/></head>"
                    "<docTitle><text>The Book</text></docTitle><docAuthor><text>An Author</text></docAuthor>"
                    "<navMap>" +
                    Point("id='np1' playOrder='1'", "Chapter One", "src='chapter1.html'",
                          Point("id='np2' playOrder='2'", "Section 1.1", "src='chapter1.html#s1'",
                                Point("id='np3' playOrder='3'", "Section 1.1.1", "src='chapter1.html#p1'"))) +
                    Point("id='np4' playOrder='4'", "Chapter Two", "src='chapter2.html'") + "</navMap>"),
                {"1;np1;chapter1.html;Chapter&One", "2;np2;chapter1.html#s1;Section&1.1",
                 "3;np3;chapter1.html#p1;Section&1.1.1", "4;np4;chapter2.html;Chapter&Two"}},
        NcxCase{"AmpersandInLabelSitsNextToReplacedSpaces",
                Ncx("<navMap>" + Point("id='a' playOrder='1'", "Cats &amp; Dogs", "src='a.html'") + "</navMap>"),
                {"1;a;a.html;Cats&&&Dogs"}},
        NcxCase{"DocTitleTextIsDiscarded",
                Ncx("<docTitle><text>The Book</text></docTitle>"
                    "<navMap><navPoint id='a' playOrder='1'><content src='a.html'/></navPoint></navMap>"),
                {"1;a;a.html;"}},
        NcxCase{"DocTitleInOtherCaseIsKept",
                Ncx("<doctitle><text>The Book</text></doctitle>"
                    "<navMap><navPoint id='a' playOrder='1'><content src='a.html'/></navPoint></navMap>"),
                {"1;a;a.html;The&Book"}},
        NcxCase{"DocTitleWithPrefixIsKept",
                Ncx("<ncx:docTitle><ncx:text>The Book</ncx:text></ncx:docTitle>"
                    "<navMap><navPoint id='a' playOrder='1'><content src='a.html'/></navPoint></navMap>"),
                {"1;a;a.html;The&Book"}},
        NcxCase{"DocAuthorDiscardsPendingPlayOrder",
                Ncx("<navMap><navPoint id='a' playOrder='1'/></navMap><docAuthor><text>X</text></docAuthor>"
                    "<navMap><navPoint id='b'><content src='b.html'/></navPoint></navMap>"),
                {}},
        NcxCase{"PrefixedNamesAreNotRecognised",
                Ncx("<ncx:navMap><ncx:navPoint id='a' playOrder='1'><ncx:navLabel><ncx:text>A</ncx:text>"
                    "</ncx:navLabel><ncx:content src='a.html'/></ncx:navPoint></ncx:navMap>"),
                {}},
        NcxCase{"NamesAndAttributeNamesInAnyLetterCase",
                Ncx("<navMap><NAVPOINT ID='a' PlayOrder='7'><navLabel><text>A</text></navLabel>"
                    "<Content SRC='a.html'/></NAVPOINT></navMap>"),
                {"7;a;a.html;A"}},
        NcxCase{"FirstPointWithoutPlayOrderShiftsEntries",
                Ncx("<navMap>" + Point("id='p1'", "One", "src='one.html'") +
                    Point("id='p2' playOrder='2'", "Two", "src='two.html'") +
                    Point("id='p3' playOrder='3'", "Three", "src='three.html'") + "</navMap>"),
                {"2;p2;one.html;One", ";p3;two.html;Two"}},
        NcxCase{"SecondContentAttributeBecomesThePendingPath",
                Ncx("<navMap>" + Point("id='p1' playOrder='1'", "A", "src='a.html' id='c1'") +
                    Point("id='p2' playOrder='2'", "B", "src='b.html'") + "</navMap>"),
                {"1;p1;a.html;A", ";p2;c1;"}},
        NcxCase{"TargetsAreNotReadButTheirTextIsTaken",
                Ncx("<navMap><navPoint id='p1' playOrder='1'><navLabel><text>One</text></navLabel>"
                    "<navTarget id='t1' playOrder='9'><navLabel><text>Target</text></navLabel></navTarget>"
                    "<content src='one.html'/></navPoint></navMap>"
                    "<pageList><pageTarget id='pg' playOrder='5' type='normal'><navLabel><text>5</text>"
                    "</navLabel><content src='p.html'/></pageTarget></pageList>"),
                {"1;p1;one.html;Target"}},
        NcxCase{"LabelInCDataOrWithACommentIsNoText",
                Ncx("<navMap>" + Point("id='a' playOrder='1'", "<![CDATA[Raw]]>", "src='a.html'") +
                    Point("id='b' playOrder='2'", "B<!-- note -->", "src='b.html'") + "</navMap>"),
                {"1;a;a.html;", "2;b;b.html;"}},
        NcxCase{"AnyTextElementGivesTheTitle",
                Ncx("<navMap><navPoint id='a' playOrder='1'><navLabel>Direct</navLabel><content src='a.html'/>"
                    "</navPoint></navMap>"),
                {"1;a;a.html;Direct"}},
        NcxCase{"NoNavigationPoints", Ncx("<navMap><navInfo><text>Contents</text></navInfo></navMap>"), {}}),
    [](const testing::TestParamInfo<NcxCase>& c) { return c.param.label; });

struct OpfCase {
    const char* label;
    List navigation; // DirIDList as the navigation walk left it
    std::string xml;
    std::vector<Row> rows;
};

class OpfWalk : public testing::TestWithParam<OpfCase> {};

TEST_P(OpfWalk, AppendsOneRowPerSpineReference) {
    ReaderState state;
    state.DirIDList = GetParam().navigation;
    TableOfContents toc;
    ReadOpf(state, toc, GetParam().xml);
    EXPECT_EQ(SpineRows(toc), GetParam().rows);
    EXPECT_EQ(state.spineIndex, static_cast<std::int32_t>(GetParam().rows.size()));
    EXPECT_EQ(state.DirIDList, GetParam().navigation);
}

const Row kBlank{"", "", ""};

INSTANTIATE_TEST_SUITE_P(
    Cases, OpfWalk,
    testing::Values(
        OpfCase{"RowsFollowTheSpineNotTheNavigationMap",
                {"1;n3;c3.html;Three", "2;n2;c2.html;Chapter&Two"},
                Opf(kManifest + Spine({"c2", "c3", "c1"})),
                {{"2", "Chapter Two", "c2.html"}, {"1", "Three", "c3.html"}, {"", "c1", "c1.html"}}},
        OpfCase{"FragmentPathDoesNotMatchTheBareFile",
                {"1;n1;c1.html#part2;Part&Two"},
                Opf(kManifest + Spine({"c1"})),
                {{"", "c1", "c1.html"}}},
        OpfCase{"LaterNavigationEntryForTheSameFileWins",
                {"1;a;c1.html;First", "2;b;c1.html;Second"},
                Opf(kManifest + Spine({"c1"})),
                {{"2", "Second", "c1.html"}}},
        OpfCase{"LaterManifestItemWithTheSameIdWins",
                {},
                Opf("<manifest><item id='c1' href='a.html'/><item id='c1' href='b.html'/></manifest>" + Spine({"c1"})),
                {{"", "c1", "b.html"}}},
        OpfCase{"RepeatedReferenceGivesTwoEqualRows",
                {"1;n1;c1.html;One"},
                Opf(kManifest + Spine({"c1", "c1"})),
                {{"1", "One", "c1.html"}, {"1", "One", "c1.html"}}},
        OpfCase{"UnknownIdrefGivesABlankRowThatCounts",
                {},
                Opf(kManifest + Spine({"nowhere", "c1"})),
                {kBlank, {"", "c1", "c1.html"}}},
        OpfCase{"IdrefMatchingOnlyAnHrefGivesABlankRow",
                {},
                Opf("<manifest><item id='x' href='c1'/></manifest>" + Spine({"c1", "x"})),
                {kBlank, {"", "x", "c1"}}},
        OpfCase{"NavigationEntryFoundByAnotherFieldGivesABlankRow",
                {"1;c1.html;other.html;Other"},
                Opf(kManifest + Spine({"c1"})),
                {kBlank}},
        OpfCase{"HrefWithASpaceIsNeverFoundInTheNavigationMap",
                {"1;n1;my chapter.html;Mine"},
                Opf("<manifest><item id='c1' href='my chapter.html'/></manifest>" + Spine({"c1"})),
                {{"", "c1", "my chapter.html"}}},
        OpfCase{"HrefIsTrimmed",
                {"1;n1;c1.html;One"},
                Opf("<manifest><item id='c1' href=' c1.html\t'/></manifest>" + Spine({"c1"})),
                {{"1", "One", "c1.html"}}},
        OpfCase{"ItemsWithAnotherPrefixGiveBlankRows",
                {},
                Opf("<manifest><ns0:item xmlns:ns0='urn:x' id='c1' href='c1.html'/></manifest>" + Spine({"c1", "c1"})),
                {kBlank, kBlank}},
        OpfCase{"OpfPrefixAnyCaseAndAnyItemrefPrefix",
                {},
                "<opf:package xmlns:opf='http://www.idpf.org/2007/opf'><opf:manifest>"
                "<OPF:ITEM ID='c1' HREF='c1.html'/></opf:manifest><opf:spine><x:ItemRef IDREF='c1'/>"
                "<MyItemRefs idref='c1'/></opf:spine></opf:package>",
                {{"", "c1", "c1.html"}, {"", "c1", "c1.html"}}},
        OpfCase{"OtherItemrefAttributesAreIgnored",
                {},
                Opf(kManifest + "<spine><itemref linear='no' idref='c2' properties='page-spread-left'/></spine>"),
                {{"", "c2", "c2.html"}}},
        OpfCase{"SpineBeforeManifestGivesBlankRows",
                {"1;n1;c1.html;One"},
                Opf(Spine({"c1", "c2"}) + kManifest),
                {kBlank, kBlank}},
        OpfCase{"ItemCompletesAcrossElements",
                {},
                Opf("<manifest><item id='a'/><item media-type='x' href='b.html'/></manifest>" + Spine({"a"})),
                {{"", "a", "b.html"}}},
        OpfCase{"ManifestElementClearsAPendingItem",
                {},
                Opf("<guide><item id='stray'/></guide><manifest><item href='c1.html'/><item id='c1'/></manifest>" +
                    Spine({"c1", "stray"})),
                {{"", "c1", "c1.html"}, kBlank}},
        OpfCase{"ManifestIsMatchedCaseSensitively",
                {},
                Opf("<guide><item id='stray'/></guide><Manifest><item href='c1.html'/></Manifest>" + Spine({"stray"})),
                {{"", "stray", "c1.html"}}}),
    [](const testing::TestParamInfo<OpfCase>& c) { return c.param.label; });

TEST(OpfWalkRowCount, UntouchedWithoutSpineReferencesAndSetToTheReferencesOtherwise) {
    ReaderState state;
    TableOfContents toc;
    toc.SetRowCount(5);
    ReadOpf(state, toc, Opf(kManifest + "<spine toc='ncx'/>"));
    EXPECT_EQ(toc.RowCount(), 5);
    EXPECT_EQ(state.spineIndex, 0);
    EXPECT_EQ(state.SubIDList, (List{"c1;c1.html", "c2;c2.html", "c3;c3.html"}));

    ReaderState next;
    toc.SetRowCount(10);
    toc.BlankAllCells();
    ReadOpf(next, toc, Opf(kManifest + Spine({"c1", "c2"})));
    EXPECT_EQ(toc.RowCount(), 3);
}

// Both walks over one book, as the open command runs them.
std::vector<Row> ReadBook(const std::string& ncx, const std::string& opf, ReaderState& state) {
    XmlDocument navigation;
    LoadText(navigation, ncx);
    ReadNcxNode(state, navigation.DocumentElement());
    TableOfContents toc;
    ReadOpf(state, toc, opf);
    return SpineRows(toc);
}

TEST(NcxAndOpf, TitlesKeepAmpersandsAsSpacesAndStopAtASemicolon) {
    ReaderState state;
    const auto rows = ReadBook(Ncx("<navMap>" + Point("id='n1' playOrder='1'", "Cats &amp; Dogs", "src='c1.html'") +
                                   Point("id='n2' playOrder='2'", "Part; Two", "src='c2.html'") + "</navMap>"),
                               Opf(kManifest + Spine({"c1", "c2"})), state);
    EXPECT_EQ(rows, (std::vector<Row>{{"1", "Cats   Dogs", "c1.html"}, {"2", "Part", "c2.html"}}));
}

// Rows that no navigation entry names exactly take the label of the first navigation point into their file.
struct FallbackCase {
    const char* label;
    std::string navMap; // the body of the navMap
    std::vector<Row> rows;
};

class TitleFallback : public testing::TestWithParam<FallbackCase> {};

TEST_P(TitleFallback, TitlesRowsThatTheExactLookupLeavesToTheirIdref) {
    ReaderState state;
    EXPECT_EQ(ReadBook(Ncx("<navMap>" + GetParam().navMap + "</navMap>"), Opf(kManifest + Spine({"c1", "c2"})), state),
              GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TitleFallback,
    testing::Values(FallbackCase{"FirstPointIntoTheFileGivesTheTitle",
                                 Point("id='a' playOrder='1'", "Part One", "src='c1.html#one'") +
                                     Point("id='b' playOrder='2'", "Part Two", "src='c1.html#two'") +
                                     Point("id='c' playOrder='3'", "Other", "src='c2.html#x'"),
                                 {{"", "Part One", "c1.html"}, {"", "Other", "c2.html"}}},
                    FallbackCase{"AnExactEntryKeepsItsNumberAndTitle",
                                 Point("id='a' playOrder='1'", "Early", "src='c1.html#top'") +
                                     Point("id='b' playOrder='2'", "Chapter One", "src='c1.html'"),
                                 {{"2", "Chapter One", "c1.html"}, {"", "c2", "c2.html"}}},
                    FallbackCase{"PointsWithoutPlayOrderStillTitleTheirFiles",
                                 Point("id='a'", "Alpha", "src='c1.html#a'") + Point("id='b'", "Beta", "src='c2.html'"),
                                 {{"", "Alpha", "c1.html"}, {"", "Beta", "c2.html"}}},
                    FallbackCase{"PathsAreComparedAsWrittenApartFromTheFragment",
                                 Point("id='a' playOrder='1'", "Dot", "src='./c1.html#a'") +
                                     Point("id='b' playOrder='2'", "Upper", "src='C1.html#b'") +
                                     Point("id='c' playOrder='3'", "Empty fragment", "src='c2.html#'"),
                                 {{"", "c1", "c1.html"}, {"", "Empty fragment", "c2.html"}}},
                    FallbackCase{"LabelWhitespaceIsCollapsed",
                                 Point("id='a' playOrder='1'", "\n    Part\t\tOne  ", "src='c1.html#a'"),
                                 {{"", "Part One", "c1.html"}, {"", "c2", "c2.html"}}},
                    FallbackCase{"APointWithoutLabelIsPassedOver",
                                 "<navPoint id='a' playOrder='1'><content src='c1.html#a'/></navPoint>" +
                                     Point("id='b' playOrder='2'", "Second", "src='c1.html#b'"),
                                 {{"", "Second", "c1.html"}, {"", "c2", "c2.html"}}},
                    FallbackCase{"APointNestedInALabelKeepsItsTextToItself",
                                 "<navPoint id='a'><navLabel><text>Outer</text>" +
                                     Point("id='b'", "Inner", "src='c2.html#b'") +
                                     "</navLabel><content src='c1.html#a'/></navPoint>",
                                 {{"", "Outer", "c1.html"}, {"", "Inner", "c2.html"}}},
                    FallbackCase{"ABlankRowStaysBlank",
                                 Point("id='c1.html' playOrder='1'", "Elsewhere", "src='other.html'") +
                                     Point("id='b' playOrder='2'", "Inside", "src='c1.html#b'"),
                                 {{"", "", ""}, {"", "c2", "c2.html"}}}),
    [](const testing::TestParamInfo<FallbackCase>& c) { return c.param.label; });

struct TitleCase {
    const char* label;
    std::string package;
    std::string title;
};

class BookTitle : public testing::TestWithParam<TitleCase> {};

TEST_P(BookTitle, ComesFromTheFirstTitleOfTheMetadata) {
    XmlDocument doc;
    LoadText(doc, GetParam().package);
    EXPECT_EQ(PackageTitle(doc.DocumentElement()), GetParam().title);
}

const std::string kDc = "xmlns:dc='http://purl.org/dc/elements/1.1/'";

INSTANTIATE_TEST_SUITE_P(Packages, BookTitle,
                         testing::Values(TitleCase{"DcTitleWithItsWhitespaceCollapsed",
                                                   "<package><metadata " + kDc +
                                                       "><dc:creator>A</dc:creator><dc:title>\n  The <b>Long</b>\t Way "
                                                       "</dc:title><dc:title>Second</dc:title></metadata></package>",
                                                   "The Long Way"},
                                         TitleCase{"OldStyleMetadataInOtherLetterCase",
                                                   "<package><metadata><dc-metadata " + kDc +
                                                       "><dc:Title>Old</dc:Title></dc-metadata></metadata>"
                                                       "</package>",
                                                   "Old"},
                                         TitleCase{"TitlesOutsideTheMetadataDoNotCount",
                                                   "<package><title>Stray</title><metadata " + kDc +
                                                       "><dc:creator>A</dc:creator></metadata>"
                                                       "<guide><title>Guide</title></guide></package>",
                                                   ""}),
                         [](const testing::TestParamInfo<TitleCase>& c) { return c.param.label; });

TEST(NcxAndOpf, ATableThatWouldCopyOneHugeTitleIntoManyRowsIsRefused) {
    ReaderState state;
    std::string spine;
    for (int i = 0; i < 100; ++i) {
        spine += "<itemref idref='c1'/>";
    }
    const std::string ncx =
        Ncx("<navMap>" + Point("id='n1' playOrder='1'", std::string(1 << 20, 'x'), "src='c1.html'") + "</navMap>");
    try {
        ReadBook(ncx, Opf(kManifest + "<spine>" + spine + "</spine>"), state);
        FAIL() << "100 rows of a 1 MiB title were accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "The table of contents of this book holds more than 64 MiB of text");
    }
}

std::string Fixture(const std::string& relative) {
    return test::ReadFile(std::filesystem::path(QM_FIXTURES_DIR) / "ncx_opf" / relative);
}

TEST(NcxAndOpf, CalibreQuickStartGuide) {
    ReaderState state;
    const auto rows =
        ReadBook(Fixture("calibre-quick-start/toc.ncx"), Fixture("calibre-quick-start/content.opf"), state);
    EXPECT_EQ(state.DirIDList.size(), 22u);
    const std::vector<Row> expected{
        {"", "titlepage", "text/titlepage.xhtml"},
        {"1", "Calibre Quick Start Guide", "text/internal_titlepage.xhtml"},
        {"2", "Table of Contents", "text/toc.xhtml"},
        {"3", "Introduction", "text/introduction.xhtml"},
        {"4", "Installing calibre", "text/installing_calibre.xhtml"},
        {"5", "The Main Library Window, aka the GUI", "text/the_main_gui_window.xhtml"},
        {"6", "Common Tasks", "text/common_tasks.xhtml"},
        {"7", "Task 1: Organizing", "text/task_1_organizing.xhtml"},
        {"8", "Task 2: Conversion", "text/task_2_conversion.xhtml"},
        {"16", "Task 3: The e-book editor", "text/task_3_the_ebook_editor.xhtml"},
        {"17", "Task 4: Downloading News", "text/task_4_downloading_news.xhtml"},
        {"18", "Task 5: Interacting with e-book readers", "text/task_5_interacting_with_ebook_readers.xhtml"},
        {"21", "Task 6: The e-book viewer", "text/task_6_the_ebook_viewer.xhtml"},
        {"22", "Where to get help", "text/where_to_get_help.xhtml"},
    };
    EXPECT_EQ(rows, expected);
}

// Its navigation points carry no playOrder, so no entry is ever completed: the chapter that its points lead
// into takes the label of the first of them, the files that no point names keep their idref.
TEST(NcxAndOpf, ChildrensLiteratureWithoutPlayOrder) {
    ReaderState state;
    const auto rows =
        ReadBook(Fixture("childrens-literature/toc.ncx"), Fixture("childrens-literature/package.opf"), state);
    EXPECT_TRUE(state.DirIDList.empty());
    EXPECT_EQ(state.NavTitleList.size(), 22u);
    EXPECT_EQ(rows, (std::vector<Row>{{"", "cover", "cover.xhtml"},
                                      {"", "nav", "nav.xhtml"},
                                      {"", "SECTION IV FAIRY STORIES—MODERN FANTASTIC TALES", "s04.xhtml"}}));
}

// The map names chapters without the folder that the manifest gives them; only the first one matches.
TEST(NcxAndOpf, UbuntuPackagingGuideWithCyrillicLabels) {
    ReaderState state;
    const auto rows =
        ReadBook(Fixture("ubuntu-packaging-guide-ru/toc.ncx"), Fixture("ubuntu-packaging-guide-ru/content.opf"), state);
    ASSERT_EQ(rows.size(), 17u);
    EXPECT_EQ(rows[0], (Row{"1", "Руководство разработчика Ubuntu", "ubuntu-packaging-guide/index.xhtml"}));
    EXPECT_EQ(rows[1], (Row{"", "epub-19", "ubuntu-packaging-guide/introduction-to-ubuntu-development.xhtml"}));
    EXPECT_EQ(rows[16], (Row{"", "epub-20", "ubuntu-packaging-guide/kde.xhtml"}));
}

TEST(NcxAndOpf, DeeplyNestedFilesAreWalkedWithoutRecursion) {
    constexpr int kDepth = 50'000;
    std::string ncx = "<ncx><navMap>";
    std::string opf = "<package><manifest><item id='c1' href='c1.html'/></manifest>";
    for (int i = 0; i < kDepth; ++i) {
        ncx += "<navPoint id='p' playOrder='1'><navLabel><text>T</text></navLabel><content src='c1.html'/>";
        opf += "<spine><itemref idref='c1'/>";
    }
    for (int i = 0; i < kDepth; ++i) {
        ncx += "</navPoint>";
        opf += "</spine>";
    }
    ncx += "</navMap></ncx>";
    opf += "</package>";
    XmlDocument navigation;
    LoadText(navigation, ncx);
    XmlDocument package;
    LoadText(package, opf);
    ReaderState state;
    TableOfContents toc;
    test::RunOnSmallStack([&] {
        ReadNcxNode(state, navigation.DocumentElement());
        ReadOpfNode(state, toc, package.DocumentElement());
    });
    EXPECT_EQ(state.DirIDList.size(), static_cast<std::size_t>(kDepth));
    ASSERT_EQ(toc.RowCount(), kDepth + 1);
    EXPECT_EQ(SpineRows(toc).back(), (Row{"1", "T", "c1.html"}));
}

} // namespace
} // namespace qm

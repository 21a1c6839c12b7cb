#include "search/book_text_index.h"

#include "book/table_of_contents.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qm {
namespace {

TableOfContents Rows(const std::vector<std::pair<std::string, std::string>>& titledPaths) {
    TableOfContents toc;
    toc.SetRowCount(static_cast<std::int32_t>(titledPaths.size()) + 1);
    for (std::size_t i = 0; i < titledPaths.size(); ++i) {
        const auto row = static_cast<std::int32_t>(i + 1);
        toc.SetCell(0, row, std::to_string(row));
        toc.SetCell(1, row, titledPaths[i].first);
        toc.SetCell(2, row, titledPaths[i].second);
    }
    return toc;
}

class BookTextIndexTest : public testing::Test {
protected:
    void SetUp() override {
        const std::string book = (dir_ / "book").string();
        test::WriteFile(book + "/OEBPS/one.xhtml",
                        "<html><head><title>Hatter</title></head><body><p>The Hat<em>ter</em> and the "
                        "hatter&#x2019;s tea; caf&eacute; HATTER.</p></body></html>");
        test::WriteFile(book + "/OEBPS/two three.xhtml",
                        "<body><p>\xe5\x90\xbe\xe8\xbc\xa9\xe3\x81\xaf\xe7\x8c\xab\xe3\x81\xa7\xe3\x81\x82\xe3\x82"
                        "\x8b</p><p dir='rtl'>\xd9\x83\xd9\x90\xd8\xaa\xd9\x8e\xd8\xa7\xd8\xa8\xd9\x8c</p></body>");
        test::WriteFile((dir_ / "secret.xhtml").string(), "<p>Hatter outside the book</p>");
        const TableOfContents toc = Rows({{"One", "one.xhtml"},
                                          {"One, part two", "one.xhtml#part2"},
                                          {"Two", "two%20three.xhtml"},
                                          {"Outside", "../../secret.xhtml"},
                                          {"Missing", "gone.xhtml"}});
        chapters_ = ChaptersToIndex(toc, book + "/OEBPS/", book);
        index_ = BookTextIndex(chapters_);
    }

    test::TempDir dir_;
    std::vector<IndexedChapter> chapters_;
    BookTextIndex index_;
};

TEST_F(BookTextIndexTest, EachFileOfTheBookOnceAtItsFirstRow) {
    ASSERT_EQ(chapters_.size(), 3U);
    EXPECT_EQ(chapters_[0].row, 1);
    EXPECT_EQ(chapters_[1].row, 3);
    EXPECT_EQ(chapters_[1].title, "Two");
    EXPECT_EQ(chapters_[2].title, "Missing");
}

TEST_F(BookTextIndexTest, FindsEveryMatchInReadingOrderWithoutCaseAcrossTags) {
    const std::vector<TextMatch> matches = index_.Find("hatter");
    ASSERT_EQ(matches.size(), 3U);
    for (std::size_t i = 0; i < matches.size(); ++i) {
        EXPECT_EQ(matches[i].row, 1);
        EXPECT_EQ(matches[i].occurrence, i);
    }
    EXPECT_EQ(matches[0].context, "The Hatter and the hatter\xe2\x80\x99s tea; caf\xc3\xa9 HATTER.");
    // Diacritics and white space in the query.
    EXPECT_EQ(index_.Find("CAFE").size(), 1U);
    EXPECT_EQ(index_.Find("  the\n hatter ").size(), 2U);
    EXPECT_TRUE(index_.Find(" \t").empty());
    EXPECT_TRUE(index_.Find("outside the book").empty());
}

TEST_F(BookTextIndexTest, FindsCjkAndRightToLeftText) {
    const std::vector<TextMatch> cat = index_.Find("\xe7\x8c\xab");
    ASSERT_EQ(cat.size(), 1U);
    EXPECT_EQ(cat[0].row, 3);
    EXPECT_EQ(cat[0].title, "Two");
    // Without its vowel marks.
    EXPECT_EQ(index_.Find("\xd9\x83\xd8\xaa\xd8\xa7\xd8\xa8").size(), 1U);
}

TEST(BookTextIndexContext, CutsAtWordsAndMarksTheCut) {
    test::TempDir dir;
    std::string words;
    for (int i = 0; i < 40; ++i) {
        words += "word" + std::to_string(i) + " ";
    }
    test::WriteFile((dir / "c.xhtml").string(), "<p>" + words + "\xc3\xa9t\xc3\xa9 " + words + "</p>");
    const BookTextIndex index({{1, "C", (dir / "c.xhtml").string()}});
    const std::vector<TextMatch> matches = index.Find("ete");
    ASSERT_EQ(matches.size(), 1U);
    const std::string& context = matches[0].context;
    EXPECT_EQ(context.rfind("\xe2\x80\xa6word", 0), 0U) << context;
    EXPECT_NE(context.find(" \xc3\xa9t\xc3\xa9 "), std::string::npos) << context;
    EXPECT_EQ(context.substr(context.size() - 3), "\xe2\x80\xa6") << context;
    EXPECT_LT(context.size(), 120U);
}

} // namespace
} // namespace qm

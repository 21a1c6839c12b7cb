#include "book/table_of_contents.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace qm {
namespace {

TEST(TableOfContents, StartsWithOnlyTheHeaderRow) {
    TableOfContents toc;
    EXPECT_EQ(toc.RowCount(), 1);
    EXPECT_EQ(toc.CurrentRow(), 0);
    EXPECT_THROW(toc.SetCurrentRow(1), std::out_of_range);
}

TEST(TableOfContents, ChangingTheCurrentRowRunsTheHandlerOnlyOnAChange) {
    TableOfContents toc;
    toc.SetRowCount(3);
    std::vector<int> selected;
    toc.SetSelectHandler([&](int row) { selected.push_back(row); });
    toc.SetCurrentRow(0);
    toc.SetCurrentRow(2);
    toc.SetCurrentRow(2);
    toc.SetCurrentRow(1);
    EXPECT_EQ(selected, (std::vector<int>{2, 1}));
    toc.SetCurrentRowQuietly(2);
    EXPECT_EQ(toc.CurrentRow(), 2);
    EXPECT_EQ(selected, (std::vector<int>{2, 1}));
    EXPECT_THROW(toc.SetCurrentRowQuietly(3), std::out_of_range);
    try {
        toc.SetCurrentRow(3);
        FAIL() << "row 3 of 3 was accepted";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "Grid index out of range");
    }
}

TEST(TableOfContents, BlankingKeepsTheRowCountAndGrowingAddsBlankRows) {
    TableOfContents toc;
    toc.SetRowCount(2);
    toc.SetCell(1, 1, "Chapter");
    toc.BlankAllCells();
    EXPECT_EQ(toc.RowCount(), 2);
    EXPECT_EQ(toc.Cell(1, 1), "");
    toc.SetRowCount(4);
    EXPECT_EQ(toc.Cell(2, 3), "");
    EXPECT_THROW(toc.Cell(3, 0), std::out_of_range);
}

TEST(TableOfContents, LevelsFollowTheRowsAndGoWithBlanking) {
    TableOfContents toc;
    toc.SetRowCount(3);
    toc.SetLevel(1, 2);
    toc.SetLevel(2, -1);
    EXPECT_EQ(toc.Level(1), 2);
    EXPECT_EQ(toc.Level(2), 0);
    toc.SetRowCount(2);
    toc.SetRowCount(4);
    EXPECT_EQ(toc.Level(1), 2);
    EXPECT_EQ(toc.Level(3), 0);
    toc.BlankAllCells();
    EXPECT_EQ(toc.Level(1), 0);
    EXPECT_THROW(toc.Level(4), std::out_of_range);
    EXPECT_THROW(toc.SetLevel(-1, 1), std::out_of_range);
}

} // namespace
} // namespace qm

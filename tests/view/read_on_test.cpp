#include "view/chapter_sequence.h"
#include "view/read_on.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qm {
namespace {

constexpr PageEdges kMiddle{false, false};
constexpr PageEdges kTop{true, false};
constexpr PageEdges kBottom{false, true};
constexpr PageEdges kWhole{true, true};

// Moves in order, each with its edges and freshness, and the steps they come to.
struct Press {
    PageMove move;
    PageEdges edges;
    bool fresh;
    ReadOnStep step;
};

struct Walk {
    const char* name;
    std::vector<Press> presses;
};

class ReadOnWalks : public testing::TestWithParam<Walk> {};

TEST_P(ReadOnWalks, StepsAreAsExpected) {
    ReadOn readOn;
    int i = 0;
    for (const Press& press : GetParam().presses) {
        EXPECT_EQ(readOn.Move(press.move, press.edges, press.fresh), press.step) << "press " << i;
        ++i;
    }
}

using enum PageMove;
using enum ReadOnStep;

INSTANTIATE_TEST_SUITE_P(
    Table, ReadOnWalks,
    testing::Values(
        // Scrolling to the end, one press held there, the next crosses.
        Walk{"OnePressMoreAtTheEnd",
             {{Forward, kMiddle, true, Scroll},
              {Forward, kBottom, true, Hold},
              {Forward, kBottom, true, NextChapterTop}}},
        Walk{"BackAtTheTop", {{Back, kTop, true, Hold}, {Back, kTop, true, PreviousChapterEnd}}},
        // A held key's repeats, or a wheel that keeps turning, never cross; a fresh press after them does.
        Walk{"RepeatsNeverCross",
             {{Forward, kBottom, false, Hold},
              {Forward, kBottom, false, Hold},
              {Forward, kBottom, false, Hold},
              {Forward, kBottom, true, NextChapterTop}}},
        // A move the other way, or scrolling away, lets go of the hold.
        Walk{"TurningBackLetsGo",
             {{Forward, kBottom, true, Hold},
              {Back, kBottom, true, Scroll},
              {Forward, kBottom, true, Hold},
              {Forward, kBottom, true, NextChapterTop}}},
        Walk{"HoldAtTheEndIsNotHoldAtTheTop", {{Forward, kWhole, false, Hold}, {Back, kWhole, false, Hold}}},
        // A page that fits the view turns at once with a fresh press, either way.
        Walk{"APageThatFitsTurnsAtOnce",
             {{Forward, kWhole, true, NextChapterTop}, {Back, kWhole, true, PreviousChapterEnd}}},
        Walk{"WholeChapters",
             {{NextChapter, kMiddle, false, NextChapterTop}, {PreviousChapter, kMiddle, false, PreviousChapterStart}}}),
    [](const testing::TestParamInfo<Walk>& walk) { return walk.param.name; });

TEST(ChapterSequence, RowsOfOneFileInARowAreOneChapter) {
    TableOfContents toc;
    toc.SetRowCount(7);
    const char* paths[] = {"", "Text/one.xhtml",   "Text/two.xhtml#a",  "Text/two.xhtml#b",
                           "", "Text/three.xhtml", "Text/one.xhtml#end"};
    for (std::int32_t row = 1; row < 7; ++row) {
        toc.SetCell(2, row, paths[row]);
    }
    const ChapterSequence chapters(toc);
    ASSERT_EQ(chapters.Count(), 4);
    EXPECT_EQ(chapters.File(1), "Text/two.xhtml");
    EXPECT_EQ(chapters.FirstRow(1), 2);
    EXPECT_EQ(chapters.LastRow(1), 3);
    EXPECT_EQ(chapters.ChapterOfRow(3), 1);
    EXPECT_EQ(chapters.ChapterOfRow(4), -1);
    EXPECT_EQ(chapters.ChapterOfRow(5), 2);
    // A file the table comes back to later is a chapter again where it comes back.
    EXPECT_EQ(chapters.ChapterOfRow(6), 3);
    EXPECT_EQ(chapters.ChapterOfRow(0), -1);
    EXPECT_EQ(chapters.ChapterOfRow(99), -1);
}

} // namespace
} // namespace qm

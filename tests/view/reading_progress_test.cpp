#include "view/reading_progress.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace qm {
namespace {

struct TextCase {
    const char* name;
    const char* content;
    std::size_t length;
};

class TextLengthCases : public testing::TestWithParam<TextCase> {};

TEST_P(TextLengthCases, CountsTheReadersText) {
    test::TempDir dir;
    const std::string path = (dir / "chapter.xhtml").string();
    test::WriteFile(path, GetParam().content);
    EXPECT_EQ(TextLength(path), GetParam().length);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TextLengthCases,
    testing::Values(
        TextCase{"TitleAndStyleLeftOut",
                 "<html><head><title>Long title</title><style>p{x:y}</style></head><body><p>ab c</p></body></html>", 3},
        TextCase{"ScriptsAndCommentsLeftOut",
                 "<body><script>var a = '<p>';</script><!-- a <b> note -->d<SCRIPT src='x.js'></SCRIPT></body>", 1},
        TextCase{"EntitiesAndWideCharactersCountOnce", "<body>&amp;&#x4E00;\xe4\xb8\x80\xc3\xa9 &nbsp;</body>", 5},
        TextCase{"NoBodyCountsEverything", "<svg><text>page 4</text></svg>", 5},
        TextCase{"AnUnclosedTagEndsTheCount", "<body>ab<p class='x", 2},
        TextCase{"SelfClosedTitleInXhtml", "<html><head><title/></head><body><p>xyz</p></body></html>", 3}),
    [](const testing::TestParamInfo<TextCase>& textCase) { return textCase.param.name; });

TEST(TextLength, AMissingFileHoldsNone) {
    EXPECT_EQ(TextLength("/nonexistent/chapter.xhtml"), 0u);
}

// Three chapters of 10, 30 and 60 characters; the third row is a section of the second file, and the fourth
// comes back to the first file, which counts where it was read first.
TEST(ReadingProgress, TheShareOfTextBeforeThePlace) {
    test::TempDir dir;
    test::WriteFile((dir / "a.html").string(), "<body>" + std::string(10, 'a') + "</body>");
    test::WriteFile((dir / "b.html").string(), "<body>" + std::string(30, 'b') + "</body>");
    test::WriteFile((dir / "c.html").string(), "<body>" + std::string(60, 'c') + "</body>");
    TableOfContents toc;
    toc.SetRowCount(6);
    const char* paths[] = {"", "a.html", "b.html", "b.html#s", "c.html", "a.html#again"};
    for (std::int32_t row = 1; row < 6; ++row) {
        toc.SetCell(2, row, paths[row]);
    }
    const ChapterSequence chapters(toc);
    const ReadingProgress progress(chapters, [&](const std::string& file) { return (dir / file).string(); });
    EXPECT_EQ(progress.Percent(0, 0.0), 0);
    EXPECT_EQ(progress.Percent(1, 0.0), 10);
    EXPECT_EQ(progress.Percent(1, 0.5), 25);
    EXPECT_EQ(progress.Percent(2, 1.0), 100);
    EXPECT_EQ(progress.Percent(3, 0.5), 100);
    EXPECT_EQ(progress.Percent(2, 7.0), 100);
    EXPECT_EQ(progress.Percent(9, 0.5), 0);
    EXPECT_EQ(ReadingStatusText("Gulls", 2, 13, 24), "Gulls \u00b7 chapter 2 of 13 \u00b7 24 %");
}

} // namespace
} // namespace qm

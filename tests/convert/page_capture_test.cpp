#include "convert/page_capture.h"

#include "support/fake_page_view.h"
#include "support/jpeg_decode.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::FakePageView;

// Every `step`-th row of the image holds the document row of the same number: nothing lost, doubled or
// shifted where pieces meet. Rows where red wraps are skipped (JPEG rings at such sharp edges).
void ExpectRowsInPlace(const test::DecodedJpeg& image, int firstRow, int step = 7) {
    for (int y = 0; y < image.height; y += step) {
        const int row = firstRow + y;
        if ((row % 64) < 4 || (row % 64) > 60) {
            continue;
        }
        ASSERT_TRUE(test::NearColour(image.Pixel(image.width / 2, y), FakePageView::RowColour(row), 2))
            << "image row " << y << " should show document row " << row;
    }
}

struct AreaCase {
    const char* name;
    int documentHeight;
    PageArea area;
    std::vector<int> fileHeights; // of the file and its continuations
};

void PrintTo(const AreaCase& c, std::ostream* os) {
    *os << c.name;
}

class CaptureAreaTest : public testing::TestWithParam<AreaCase> {};

// The view is laid out as the converter leaves it: as wide as the page and at most a tile (plus the foot row)
// high.
TEST_P(CaptureAreaTest, WritesTheAreaOnePixelToOne) {
    const AreaCase& c = GetParam();
    test::TempDir dir;
    FakePageView view;
    view.pages[""] = {c.documentHeight, c.area.width};
    view.viewHeight = std::min(c.documentHeight, kCaptureTileRows) + 1;
    view.viewWidth = c.area.width;
    test::ScriptedDialogs dialogs;
    const std::string file = (dir / "1_W.jpg").string();

    const CaptureResult result = CaptureViewToJPEG(view, dialogs, file, c.area, 100);

    ASSERT_EQ(result.failure, "");
    ASSERT_EQ(result.files.size(), c.fileHeights.size());
    int firstRow = c.area.top;
    for (std::size_t part = 0; part < result.files.size(); ++part) {
        EXPECT_EQ(result.files[part],
                  part == 0 ? file : (dir / ("1_W_part" + std::to_string(part + 1) + ".jpg")).string());
        const test::DecodedJpeg image = test::DecodeJpeg(result.files[part]);
        EXPECT_EQ(image.width, c.area.width);
        EXPECT_EQ(image.height, c.fileHeights[part]);
        EXPECT_EQ(image.components, 3);
        EXPECT_FALSE(image.progressive);
        ExpectRowsInPlace(image, firstRow);
        firstRow += image.height;
    }
    EXPECT_FALSE(view.capturing);
}

INSTANTIATE_TEST_SUITE_P(
    Areas, CaptureAreaTest,
    testing::Values(AreaCase{"OnePiece", 1217, {0, 1217, 797}, {1217}}, AreaCase{"Tiles", 9000, {0, 9000, 800}, {9000}},
                    AreaCase{"ExactlyOneTile", kCaptureTileRows, {0, kCaptureTileRows, 300}, {kCaptureTileRows}},
                    AreaCase{"SectionInTheMiddle", 9000, {2500, 4000, 400}, {4000}},
                    AreaCase{"SectionAtTheEnd", 9000, {8000, 1000, 400}, {1000}},
                    AreaCase{"ContinuationFiles", 70000, {0, 70000, 64}, {65500, 4500}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(CaptureViewToJPEG, AsksBeforeReplacingAndKeepsTheFileOnNo) {
    test::TempDir dir;
    FakePageView view;
    test::ScriptedDialogs dialogs;
    const fs::path file = test::WriteFile(dir / "Tale1.jpg", "old");

    dialogs.replaceAnswers = {ReplaceAnswer::No, ReplaceAnswer::All, ReplaceAnswer::Yes};
    const CaptureResult kept = CaptureViewToJPEG(view, dialogs, file, {0, 499, 583}, 100);
    EXPECT_TRUE(kept.declined);
    EXPECT_TRUE(kept.files.empty());
    EXPECT_EQ(test::ReadFile(file), "old");
    EXPECT_EQ(view.captures, 0);

    // All has no lasting effect: the next capture of the same name asks again.
    EXPECT_EQ(CaptureViewToJPEG(view, dialogs, file, {0, 499, 583}, 100).files.size(), 1u);
    EXPECT_EQ(CaptureViewToJPEG(view, dialogs, file, {0, 499, 583}, 100).files.size(), 1u);
    EXPECT_EQ(test::DecodeJpeg(file).width, 583);
    ASSERT_EQ(dialogs.replaceQuestions.size(), 3u);
    EXPECT_EQ(dialogs.replaceQuestions[0],
              "This folder already contains this file name!\r\rWould you like to replace the existing file?");
}

TEST(CaptureViewToJPEG, AFailureLeavesNoneOfTheCapturesFiles) {
    test::TempDir dir;
    test::ScriptedDialogs dialogs;
    {
        // The view stops answering after the first continuation file has been finished.
        FakePageView view;
        view.pages[""] = {70000, 64};
        view.viewHeight = kCaptureTileRows;
        view.failCapture = 17;
        const CaptureResult result = CaptureViewToJPEG(view, dialogs, (dir / "1_W.jpg").string(), {0, 70000, 64}, 100);
        EXPECT_TRUE(result.files.empty());
        EXPECT_NE(result.failure.find("no new frame"), std::string::npos) << result.failure;
        EXPECT_FALSE(view.capturing);
    }
    {
        FakePageView view;
        const CaptureResult result = CaptureViewToJPEG(view, dialogs, (dir / "2_W.jpg").string(), {0, 500, 70000}, 100);
        EXPECT_NE(result.failure.find("70000 pixels wide"), std::string::npos) << result.failure;
        EXPECT_EQ(view.captures, 0);
    }
    {
        // A page that scrolls itself back while it is captured would repeat its first rows.
        FakePageView view;
        view.pages[""] = {9000, 300};
        view.viewHeight = kCaptureTileRows;
        view.scrollsBackTo = 0;
        const CaptureResult result = CaptureViewToJPEG(view, dialogs, (dir / "3_W.jpg").string(), {0, 9000, 300}, 100);
        EXPECT_TRUE(result.files.empty());
        EXPECT_NE(result.failure.find("could not show the page's rows from 4096"), std::string::npos) << result.failure;
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

} // namespace
} // namespace qm

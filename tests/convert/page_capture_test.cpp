#include "convert/page_capture.h"

#include "fake_page_view.h"
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

struct SizeCase {
    int height;
    int width;
    int margin;
    std::vector<int> fileHeights; // of the file and its continuations
    bool tiled;
};

class CaptureSizeTest : public testing::TestWithParam<SizeCase> {};

TEST_P(CaptureSizeTest, WritesThePageOnePixelToOneLessTheMargin) {
    const SizeCase& size = GetParam();
    test::TempDir dir;
    FakePageView view;
    view.pages[""] = {size.height, size.width, size.height, size.width, true};
    view.viewHeight = std::min(size.height, kCaptureTileRows);
    view.viewWidth = size.width;
    test::ScriptedDialogs dialogs;
    const std::string file = (dir / "1_W.jpg").string();

    const CaptureResult result = CaptureViewToJPEG(view, dialogs, file, size.height, size.width, size.margin, 100);

    ASSERT_EQ(result.failure, "");
    ASSERT_EQ(result.files.size(), size.fileHeights.size());
    int firstRow = 0;
    for (std::size_t part = 0; part < result.files.size(); ++part) {
        EXPECT_EQ(result.files[part],
                  part == 0 ? file : (dir / ("1_W_part" + std::to_string(part + 1) + ".jpg")).string());
        const test::DecodedJpeg image = test::DecodeJpeg(result.files[part]);
        EXPECT_EQ(image.width, size.width - size.margin);
        EXPECT_EQ(image.height, size.fileHeights[part]);
        EXPECT_EQ(image.components, 3);
        EXPECT_FALSE(image.progressive);
        ExpectRowsInPlace(image, firstRow);
        firstRow += image.height;
    }
    // A tall page is never shown whole: the view is one piece high while it is captured.
    EXPECT_EQ(view.heightsSet.empty(), !size.tiled);
    for (const int height : view.heightsSet) {
        EXPECT_LE(height, kCaptureTileRows);
    }
    EXPECT_FALSE(view.capturing);
}

INSTANTIATE_TEST_SUITE_P(Sizes, CaptureSizeTest,
                         testing::Values(SizeCase{1234, 814, 17, {1217}, false}, SizeCase{5000, 800, 17, {4983}, true},
                                         SizeCase{500, 600, 0, {500}, false},
                                         SizeCase{kCaptureTileRows, 300, 1, {kCaptureTileRows - 1}, false},
                                         SizeCase{70017, 64, 17, {65500, 4500}, true}));

TEST(CaptureViewToJPEG, AsksBeforeReplacingAndKeepsTheFileOnNo) {
    test::TempDir dir;
    FakePageView view;
    test::ScriptedDialogs dialogs;
    const fs::path file = test::WriteFile(dir / "Tale1.jpg", "old");

    dialogs.replaceAnswers = {ReplaceAnswer::No, ReplaceAnswer::All, ReplaceAnswer::Yes};
    const CaptureResult kept = CaptureViewToJPEG(view, dialogs, file, 500, 600, 17, 100);
    EXPECT_TRUE(kept.declined);
    EXPECT_TRUE(kept.files.empty());
    EXPECT_EQ(test::ReadFile(file), "old");
    EXPECT_EQ(view.captures, 0);

    // All has no lasting effect: the next capture of the same name asks again.
    EXPECT_EQ(CaptureViewToJPEG(view, dialogs, file, 500, 600, 17, 100).files.size(), 1u);
    EXPECT_EQ(CaptureViewToJPEG(view, dialogs, file, 500, 600, 17, 100).files.size(), 1u);
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
        view.pages[""] = {70017, 64, 70017, 64, true};
        view.failCapture = 17;
        const CaptureResult result = CaptureViewToJPEG(view, dialogs, (dir / "1_W.jpg").string(), 70017, 64, 17, 100);
        EXPECT_TRUE(result.files.empty());
        EXPECT_NE(result.failure.find("no new frame"), std::string::npos) << result.failure;
        EXPECT_FALSE(view.capturing);
    }
    {
        FakePageView view;
        const CaptureResult result = CaptureViewToJPEG(view, dialogs, (dir / "2_W.jpg").string(), 500, 70000, 17, 100);
        EXPECT_NE(result.failure.find("69983 pixels wide"), std::string::npos) << result.failure;
        EXPECT_EQ(view.captures, 0);
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

} // namespace
} // namespace qm

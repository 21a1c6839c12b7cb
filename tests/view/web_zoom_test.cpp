#include "view/web_zoom.h"

#include "support/fake_page_view.h"

#include <gtest/gtest.h>

#include <charconv>
#include <string>
#include <vector>

namespace qm {
namespace {

using test::FakePageView;

// The factor as the shortest text that reads back as the same double.
std::string Exact(double value) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

using Command = void (*)(ReaderState&, BrowserView&);

struct Ladder {
    const char* name;
    Command command;
    std::vector<std::string> after;
};

class WebZoomLadder : public testing::TestWithParam<Ladder> {};

// Every click from 1.0, and the factor after it; a click that changes nothing makes no browser call.
TEST_P(WebZoomLadder, StepsFromOneToTheEndAndStops) {
    const Ladder& ladder = GetParam();
    ReaderState state;
    FakePageView view;
    std::vector<std::string> applied;
    for (const std::string& expected : ladder.after) {
        const double before = state.WebZoom;
        ladder.command(state, view);
        EXPECT_EQ(Exact(state.WebZoom), expected);
        if (state.WebZoom != before) {
            applied.push_back(expected);
        }
    }
    std::vector<std::string> calls;
    for (const double zoom : view.zooms) {
        calls.push_back(Exact(zoom));
    }
    EXPECT_EQ(calls, applied);
}

INSTANTIATE_TEST_SUITE_P(Zoom, WebZoomLadder,
                         testing::Values(Ladder{"InToTheTopAndOnceMore",
                                                ImageZoomInClick,
                                                {"1.2", "1.4", "1.5999999999999999", "1.7999999999999998",
                                                 "1.9999999999999998", "2.1999999999999997", "2.4", "2.6",
                                                 "2.8000000000000003", "3.0000000000000004", "3.0000000000000004"}},
                                         Ladder{"OutToTheBottomAndOnceMore",
                                                ImageZoomOutClick,
                                                {"0.8", "0.6000000000000001", "0.4000000000000001",
                                                 "0.20000000000000007", "0.20000000000000007"}}),
                         [](const auto& p) { return std::string(p.param.name); });

// A step up and a step down give back the very value they started from, anywhere on the ladder.
TEST(WebZoom, StepsAreReversible) {
    ReaderState climb;
    FakePageView view;
    while (climb.WebZoom > kWebZoomBottom) {
        ImageZoomOutClick(climb, view);
    }
    for (int i = 0; i < 14; ++i) {
        ReaderState probe;
        probe.WebZoom = climb.WebZoom;
        ImageZoomInClick(probe, view);
        ImageZoomOutClick(probe, view);
        EXPECT_EQ(Exact(probe.WebZoom), Exact(climb.WebZoom));
        ImageZoomInClick(climb, view);
    }
    EXPECT_EQ(Exact(climb.WebZoom), "3.0000000000000004");
}

// The limits are tested before the step: 0.4000000000000001 is above 0.3, so one more step is taken.
TEST(WebZoom, BottomLimitIsTestedBeforeTheStep) {
    ReaderState state;
    state.WebZoom = 0.4000000000000001;
    FakePageView view;
    ImageZoomOutClick(state, view);
    EXPECT_EQ(Exact(state.WebZoom), "0.20000000000000007");
    EXPECT_EQ(view.zooms.size(), 1u);
}

TEST(WebZoom, OriginalSizeAppliesEvenAtOne) {
    ReaderState state;
    FakePageView view;
    ImageOriginalClick(state, view);
    EXPECT_EQ(view.zooms, std::vector<double>{1.0});
    state.WebZoom = 2.4;
    ImageOriginalClick(state, view);
    EXPECT_EQ(view.zooms, (std::vector<double>{1.0, 1.0}));
    EXPECT_EQ(state.WebZoom, 1.0);
}

// While the selected row shows no page, no command changes the factor or calls the browser.
TEST(WebZoom, NoCommandWhileNoPage) {
    for (const Command command : {ImageZoomInClick, ImageZoomOutClick, ImageOriginalClick}) {
        ReaderState state;
        state.WebZoom = 1.4;
        state.flag_null = true;
        FakePageView view;
        command(state, view);
        EXPECT_EQ(state.WebZoom, 1.4);
        EXPECT_TRUE(view.zooms.empty());
    }
}

TEST(WebZoom, BrowserErrorLeavesTheNewFactor) {
    ReaderState state;
    FakePageView view;
    view.zoomFails = true;
    EXPECT_THROW(ImageZoomInClick(state, view), std::runtime_error);
    EXPECT_EQ(Exact(state.WebZoom), "1.2");
}

} // namespace
} // namespace qm

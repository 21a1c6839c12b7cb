#pragma once

#include "convert/conversion_window.h"
#include "platform/browser_view.h"
#include "platform/event_pump.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace qm::test {

// A page view without a browser. Each page is a set of scroll sizes; a capture paints every row of the
// document in a colour made from its row number (RowColour), so that a stitched image shows which row of the
// document each of its rows came from.
class FakePageView final : public BrowserView {
public:
    struct Page {
        int rootHeight = 600;
        int rootWidth = 700;
        int bodyHeight = 500;
        int bodyWidth = 680;
        bool loads = true;
        bool hasBody = true;
    };

    // Red climbs by 4 a row and wraps every 64 rows; green counts the wraps. A row shifted by one changes red
    // by 4, more than JPEG at quality 100 moves a smooth gradient.
    static std::uint32_t RowColour(int row) {
        return (static_cast<std::uint32_t>((row * 4) % 256) << 16) |
               (static_cast<std::uint32_t>((row / 64) % 256) << 8) | 0x80;
    }

    std::map<std::string, Page> pages; // by the path navigated to; others are Page{}
    std::vector<std::string> navigations;
    std::vector<ScrollElement> measured;
    std::vector<int> heightsSet;
    int captures = 0;
    int failCapture = 0; // the capture with this number (from 1) throws
    int captureExtent = 0;
    bool capturing = false;
    std::function<void()> onDocumentComplete;
    bool completePending = false;
    int viewHeight = 500;
    int viewWidth = 600;
    int scrollY = 0;
    std::vector<double> zooms;

    const Page& Shown() const {
        static const Page standard;
        const auto found = pages.find(navigations.empty() ? std::string() : navigations.back());
        return found == pages.end() ? standard : found->second;
    }
    // Raises the document-complete notification of the last navigation, as the browser does from its queue.
    void DeliverEvents() {
        if (completePending) {
            completePending = false;
            onDocumentComplete();
        }
    }

    void Navigate(const std::string& path) override {
        navigations.push_back(path);
        scrollY = 0;
        completePending = Shown().loads;
    }
    void SetDocumentCompleteHandler(std::function<void()> handler) override { onDocumentComplete = std::move(handler); }
    void ApplyZoom(double factor) override { zooms.push_back(factor); }
    void SetCharSet(const std::string&) override {}
    void SetBodyBorderStyle(const std::string&) override {}
    int ScrollHeight(ScrollElement element) override {
        measured.push_back(element);
        if (element == ScrollElement::Body && !Shown().hasBody) {
            throw std::runtime_error("The page has no body to measure its scrollHeight");
        }
        return element == ScrollElement::Root ? Shown().rootHeight : Shown().bodyHeight;
    }
    int ScrollWidth(ScrollElement element) override {
        return element == ScrollElement::Root ? Shown().rootWidth : Shown().bodyWidth;
    }
    int ViewHeight() const override { return viewHeight; }
    int ViewWidth() const override { return viewWidth; }
    void SetViewHeight(int height) override {
        heightsSet.push_back(height);
        viewHeight = height;
    }
    void SetViewWidth(int width) override { viewWidth = width; }
    ScrollPosition ScrollTo(int, int y) override {
        const int document = std::max({Shown().rootHeight, capturing ? captureExtent : 0, viewHeight});
        scrollY = std::clamp(y, 0, document - viewHeight);
        return {0, scrollY};
    }
    RgbImage CaptureView() override {
        if (++captures == failCapture) {
            throw std::runtime_error("The page view rendered no new frame within 5 seconds");
        }
        RgbImage image;
        image.width = viewWidth;
        image.height = viewHeight - 1;
        image.rgb.resize(static_cast<std::size_t>(image.width) * image.height * 3);
        for (int y = 0; y < image.height; ++y) {
            const std::uint32_t colour = RowColour(scrollY + y);
            std::uint8_t* row = image.rgb.data() + static_cast<std::size_t>(y) * image.width * 3;
            for (int x = 0; x < image.width; ++x) {
                row[x * 3] = static_cast<std::uint8_t>(colour >> 16);
                row[x * 3 + 1] = static_cast<std::uint8_t>(colour >> 8);
                row[x * 3 + 2] = static_cast<std::uint8_t>(colour);
            }
        }
        return image;
    }
    void BeginCapture(int documentHeight) override {
        capturing = true;
        captureExtent = documentHeight;
    }
    void EndCapture() override { capturing = false; }
};

// The event queue of a FakePageView: waiting delivers its notification at once. `duringWait` runs first in
// every wait, as an event the user sends would.
class FakeEventPump final : public EventPump {
public:
    explicit FakeEventPump(FakePageView& view) : view_(view) {}
    std::function<void()> duringWait;

    void ProcessEvents() override { view_.DeliverEvents(); }
    bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds) override {
        if (duringWait) {
            duringWait();
        }
        view_.DeliverEvents();
        return done();
    }

private:
    FakePageView& view_;
};

// A window that remembers what the conversion did to it.
class RecordingConversionWindow final : public ConversionWindow {
public:
    int scrollBarWidth = 17;
    bool browserShown = false;
    bool maximised = false;
    std::vector<int> progressRanges;
    std::vector<int> progress;
    bool progressShown = false;
    std::vector<bool> locks;

    void ShowBrowser() override { browserShown = true; }
    void Maximise() override { maximised = true; }
    int ScrollBarWidth() const override { return scrollBarWidth; }
    void ShowProgress(int steps) override {
        progressRanges.push_back(steps);
        progressShown = true;
    }
    void SetProgress(int done) override { progress.push_back(done); }
    void HideProgress() override { progressShown = false; }
    void LockInput(bool locked) override { locks.push_back(locked); }
};

} // namespace qm::test

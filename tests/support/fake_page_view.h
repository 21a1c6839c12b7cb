#pragma once

#include "convert/conversion_window.h"
#include "platform/ui/browser_view.h"
#include "platform/ui/event_pump.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace qm::test {

// A page view without a browser, for the reading view and the conversion. Each page is a document of a given
// size; a capture paints every row of the document in a colour made from its row number (RowColour), so that
// a stitched image shows which row of the document each of its rows came from. It remembers what was asked
// of it; the document-complete notification of a navigation comes when the test (or FakeEventPump) delivers
// events.
class FakePageView final : public BrowserView {
public:
    struct Page {
        int height = 600;
        int width = 700;
        DocumentKind kind = DocumentKind::Page;
        int intrinsicWidth = 0;
        int intrinsicHeight = 0;
        double aspectRatio = 0;
        // Anchors by fragment: the row each begins at.
        std::map<std::string, int> anchors;
        // What the load gives: no notification at all, a failure with this reason, a page that then stops
        // answering.
        bool loads = true;
        std::string failure;
        bool hangs = false;
        // Loaded as XML, the engine would find it not well-formed.
        bool xmlError = false;
        // The size a fixed-layout page declares in its viewport meta.
        int declaredWidth = 0;
        int declaredHeight = 0;
    };

    // Red climbs by 4 a row and wraps every 64 rows; green counts the wraps. A row shifted by one changes red
    // by 4, more than JPEG at quality 100 moves a smooth gradient.
    static std::uint32_t RowColour(int row) {
        return (static_cast<std::uint32_t>((row * 4) % 256) << 16) |
               (static_cast<std::uint32_t>((row / 64) % 256) << 8) | 0x80;
    }

    std::map<std::string, Page> pages; // by the path navigated to; others are Page{}
    std::vector<std::string> navigations;
    std::vector<std::string> fragments;
    std::vector<std::pair<int, int>> layouts; // width, height of each LayOut
    std::vector<std::string> failuresShown;
    std::string bookFolder;
    double captureScale = 1.0;
    std::vector<double> zooms;
    std::vector<double> fits;
    bool lookSuspended = false;
    std::vector<std::string> charsets;
    std::vector<std::string> borderStyles;
    int captures = 0;
    int failCapture = 0; // the capture with this number (from 1) throws
    int renewals = 0;
    int captureExtent = 0;
    bool capturing = false;
    bool hasBody = true;
    bool zoomFails = false;
    bool completePending = false;
    int viewHeight = 500;
    int viewWidth = 600;
    int scrollY = 0;
    // Where the page scrolls itself back to when captured (-1: it does not).
    int scrollsBackTo = -1;

    const Page& Shown() const {
        static const Page standard;
        const auto found = pages.find(navigations.empty() ? std::string() : navigations.back());
        return found == pages.end() ? standard : found->second;
    }
    // Raises the document-complete notification of the last navigation, as the browser does from its queue.
    void DeliverEvents() {
        if (completePending && onDocumentComplete) {
            completePending = false;
            const Page& page = Shown();
            onDocumentComplete(page.failure.empty() ? LoadOutcome{} : LoadOutcome{false, page.failure});
        }
    }

    void SetBookFolder(const std::string& folder) override { bookFolder = folder; }
    void Navigate(const std::string& path, const std::string& fragment) override {
        navigations.push_back(path);
        fragments.push_back(fragment);
        scrollY = 0;
        completePending = Shown().loads;
    }
    void SetDocumentCompleteHandler(std::function<void(const LoadOutcome&)> handler) override {
        onDocumentComplete = std::move(handler);
    }
    void FitPage(double zoom) override { fits.push_back(zoom); }
    void SetReadingStyleSuspended(bool suspended) override { lookSuspended = suspended; }
    void ApplyZoom(double factor) override {
        ThrowIfHung();
        if (zoomFails) {
            throw std::runtime_error("zoom refused");
        }
        zooms.push_back(factor);
    }
    void SetCharSet(const std::string& charset) override { charsets.push_back(charset); }
    void SetBodyBorderStyle(const std::string& style) override {
        ThrowIfHung();
        if (!hasBody) {
            throw std::runtime_error("The page has no body");
        }
        borderStyles.push_back(style);
    }
    void SetResponseLimit(std::chrono::milliseconds) override {}
    void SetLoadLimit(std::chrono::milliseconds) override {}
    int ViewHeight() const override { return viewHeight; }
    int ViewWidth() const override { return viewWidth; }
    void SetViewHeight(int height) override { viewHeight = height; }
    void SetViewWidth(int width) override { viewWidth = width; }
    DocumentLayout LayOut(int width, int height) override {
        ThrowIfHung();
        layouts.emplace_back(width, height);
        viewWidth = width;
        viewHeight = height;
        const Page& page = Shown();
        DocumentLayout layout;
        layout.kind = page.kind;
        // As in a browser, the root's scroll size is at least the viewport's.
        layout.width = std::max(page.width, width);
        layout.height = std::max(page.height, height);
        layout.intrinsicWidth = page.intrinsicWidth;
        layout.intrinsicHeight = page.intrinsicHeight;
        layout.aspectRatio = page.aspectRatio;
        layout.declaredWidth = page.declaredWidth;
        layout.declaredHeight = page.declaredHeight;
        return layout;
    }
    std::vector<int> AnchorTops(const std::vector<std::string>& names) override {
        std::vector<int> tops;
        for (const std::string& name : names) {
            const auto found = Shown().anchors.find(name);
            tops.push_back(found == Shown().anchors.end() ? -1 : found->second);
        }
        return tops;
    }
    ScrollPosition ScrollTo(int, int y) override {
        const int document = std::max({Shown().height, capturing ? captureExtent : 0, viewHeight});
        scrollY = std::clamp(y, 0, document - viewHeight);
        return {0, scrollY};
    }
    ViewImage CaptureView(int top) override {
        ScrollTo(0, top);
        ThrowIfHung();
        if (++captures == failCapture) {
            throw std::runtime_error("The page view rendered no new frame within 5 seconds");
        }
        if (scrollsBackTo >= 0) {
            scrollY = scrollsBackTo;
        }
        ViewImage image;
        image.width = static_cast<int>(std::lround(viewWidth * captureScale));
        image.height = static_cast<int>(std::lround(viewHeight * captureScale));
        image.scrollY = scrollY;
        image.stride = static_cast<std::size_t>(image.width) * 3;
        auto rgb = std::make_shared<std::vector<std::uint8_t>>(image.stride * image.height);
        for (int y = 0; y < image.height; ++y) {
            const std::uint32_t colour = RowColour(scrollY + static_cast<int>(y / captureScale));
            std::uint8_t* row = rgb->data() + image.stride * y;
            for (int x = 0; x < image.width; ++x) {
                row[x * 3] = static_cast<std::uint8_t>(colour >> 16);
                row[x * 3 + 1] = static_cast<std::uint8_t>(colour >> 8);
                row[x * 3 + 2] = static_cast<std::uint8_t>(colour);
            }
        }
        image.pixels = rgb->data();
        image.owner = rgb;
        return image;
    }
    void BeginCapture(int documentHeight) override {
        capturing = true;
        captureExtent = documentHeight;
    }
    void EndCapture() override { capturing = false; }
    void PrintToPdf(const std::string& path, const Paper& paper, const std::vector<std::string>& anchors) override {
        ThrowIfHung();
        printed.push_back({path, paper, anchors});
        if (onPrint) {
            onPrint(path, paper);
        }
    }
    void ShowFailure(const std::string& text) override { failuresShown.push_back(text); }
    void SetCaptureScale(double scale) override { captureScale = scale; }
    double CaptureScale() const override { return captureScale; }
    bool ShowsXmlError() override {
        const auto found = navigations.empty() ? pages.end() : pages.find(navigations.back());
        return found != pages.end() && found->second.xmlError;
    }
    void Renew() override {
        ++renewals;
        completePending = false;
        if (!navigations.empty()) {
            pages[navigations.back()].hangs = false;
        }
    }

    std::function<void(const LoadOutcome&)> onDocumentComplete;
    struct Printed {
        std::string path;
        Paper paper;
        std::vector<std::string> anchors;
    };
    std::vector<Printed> printed;
    // Writes the printed file; a test that merges what was printed makes real PDFs here.
    std::function<void(const std::string& path, const Paper& paper)> onPrint;

private:
    void ThrowIfHung() const {
        if (Shown().hangs) {
            throw PageNotAnswering("The page did not answer within 10 seconds");
        }
    }
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
    bool browserShown = false;
    bool maximised = false;
    std::vector<int> progressRanges;
    std::vector<int> progress;
    bool progressShown = false;
    std::vector<bool> locks;

    void ShowBrowser() override { browserShown = true; }
    void Maximise() override { maximised = true; }
    void ShowProgress(int steps) override {
        progressRanges.push_back(steps);
        progressShown = true;
    }
    void SetProgress(int done) override { progress.push_back(done); }
    void HideProgress() override { progressShown = false; }
    void LockInput(bool locked) override { locks.push_back(locked); }
};

} // namespace qm::test

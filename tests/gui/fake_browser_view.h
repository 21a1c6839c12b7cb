#pragma once

#include "platform/browser_view.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace qm::test {

// A page view that loads nothing and remembers every call of the reading view; a test raises the
// document-complete notification itself.
class FakeBrowserView final : public BrowserView {
public:
    std::vector<std::string> navigations;
    std::vector<double> zooms;
    std::vector<std::string> charsets;
    std::vector<std::string> borderStyles;
    // What the page in the view does not have or refuses.
    bool hasBody = true;
    bool zoomFails = false;

    void Navigate(const std::string& path) override { navigations.push_back(path); }
    void SetDocumentCompleteHandler(std::function<void()>) override {}
    void ApplyZoom(double factor) override {
        if (zoomFails) {
            throw std::runtime_error("zoom refused");
        }
        zooms.push_back(factor);
    }
    void SetCharSet(const std::string& charset) override { charsets.push_back(charset); }
    void SetBodyBorderStyle(const std::string& style) override {
        if (!hasBody) {
            throw std::runtime_error("The page has no body");
        }
        borderStyles.push_back(style);
    }

    // The conversion's operations are no part of the reading view.
    int ScrollHeight(ScrollElement) override { throw std::logic_error("not used by the reading view"); }
    int ScrollWidth(ScrollElement) override { throw std::logic_error("not used by the reading view"); }
    int ViewHeight() const override { throw std::logic_error("not used by the reading view"); }
    int ViewWidth() const override { throw std::logic_error("not used by the reading view"); }
    void SetViewHeight(int) override { throw std::logic_error("not used by the reading view"); }
    void SetViewWidth(int) override { throw std::logic_error("not used by the reading view"); }
    ScrollPosition ScrollTo(int, int) override { throw std::logic_error("not used by the reading view"); }
    RgbImage CaptureView() override { throw std::logic_error("not used by the reading view"); }
    void BeginCapture(int) override { throw std::logic_error("not used by the reading view"); }
    void EndCapture() override { throw std::logic_error("not used by the reading view"); }
};

} // namespace qm::test

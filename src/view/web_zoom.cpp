#include "view/web_zoom.h"

namespace qm {

void ApplyWebZoom(const ReaderState& state, BrowserView& browser) {
    if (state.fixedPage) {
        browser.FitPage(state.WebZoom);
    } else {
        browser.ApplyZoom(state.WebZoom);
    }
}

void ImageZoomInClick(ReaderState& state, BrowserView& browser) {
    if (state.flag_null || state.WebZoom >= kWebZoomTop) {
        return;
    }
    state.WebZoom = state.WebZoom + kWebZoomStep;
    ApplyWebZoom(state, browser);
}

void ImageZoomOutClick(ReaderState& state, BrowserView& browser) {
    if (state.flag_null || state.WebZoom <= kWebZoomBottom) {
        return;
    }
    state.WebZoom = state.WebZoom - kWebZoomStep;
    ApplyWebZoom(state, browser);
}

void ImageOriginalClick(ReaderState& state, BrowserView& browser) {
    if (state.flag_null) {
        return;
    }
    state.WebZoom = 1.0;
    ApplyWebZoom(state, browser);
}

} // namespace qm

#pragma once

#include "book/reader_state.h"
#include "platform/ui/browser_view.h"

namespace qm {

// One zoom step, and the limits tested before a step is taken. Steps are plain additions to the factor, so
// from 1.0 the factor climbs 1.2, 1.4, 1.5999999999999999, ... 3.0000000000000004 and falls 0.8, ...
// 0.20000000000000007; a step up and a step down give back the value they started from.
inline constexpr double kWebZoomStep = 0.2;
inline constexpr double kWebZoomTop = 3.0;
inline constexpr double kWebZoomBottom = 0.3;

// Puts state.WebZoom on the body of the document shown in `browser`; a page of fixed layout (state.fixedPage) is
// fitted to the view instead, WebZoom times (BrowserView::FitPage).
void ApplyWebZoom(const ReaderState& state, BrowserView& browser);

// The three zoom commands. None does anything while state.flag_null is set (the selected row shows no page);
// zoom in and out do nothing, not even a browser call, at the top and the bottom of the ladder. Original size
// applies 1.0 also when the factor is 1.0 already. An error of the browser propagates with WebZoom already
// changed.
void ImageZoomInClick(ReaderState& state, BrowserView& browser);
void ImageZoomOutClick(ReaderState& state, BrowserView& browser);
void ImageOriginalClick(ReaderState& state, BrowserView& browser);

} // namespace qm

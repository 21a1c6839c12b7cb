#include "mainwindow/frame_hit_test.h"

namespace qm {

HitTestCode FrameHitTest(int x, int y, int left, int top, int width, int height) {
    constexpr int band = 6;
    const bool right = x >= left + width - band;
    const bool bottom = y >= top + height - band;
    const bool leftEdge = x <= left + band;
    const bool topEdge = y <= top + band;
    if (right && bottom) {
        return HTBOTTOMRIGHT;
    }
    if (leftEdge && topEdge) {
        return HTTOPLEFT;
    }
    if (leftEdge && bottom) {
        return HTBOTTOMLEFT;
    }
    if (right) {
        return HTRIGHT;
    }
    if (bottom) {
        return HTBOTTOM;
    }
    if (leftEdge) {
        return HTLEFT;
    }
    if (topEdge) {
        return HTTOP;
    }
    return HTCLIENT;
}

} // namespace qm

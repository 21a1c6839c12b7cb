#pragma once

namespace qm {

// Answers of the frame's hit test, with the values the window system gives them.
enum HitTestCode : int {
    HTCLIENT = 1, // not in the resize band: the control under the pointer gets the event
    HTLEFT = 10,
    HTRIGHT = 11,
    HTTOP = 12,
    HTTOPLEFT = 13,
    HTBOTTOM = 15,
    HTBOTTOMLEFT = 16,
    HTBOTTOMRIGHT = 17,
};

// Where the point (x, y) lies in the resize band of a window at (left, top) of size width x height, all in
// screen pixels. The right and bottom bands are 6 pixels wide, the left and top ones 7; the top-right corner
// answers HTRIGHT.
HitTestCode FrameHitTest(int x, int y, int left, int top, int width, int height);

} // namespace qm

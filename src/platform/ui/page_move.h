#pragma once

namespace qm {

// A move the reader asks of the page by a key or the wheel: on or back by a screen (Space, Page Down, Down,
// the wheel; and back), or by a whole chapter (Ctrl+Page Down, Ctrl+Page Up).
enum class PageMove { Forward, Back, NextChapter, PreviousChapter };

// Where the page shown stands: scrolled to its top, to its bottom (a page that fits the view is at both).
struct PageEdges {
    bool top = true;
    bool bottom = true;
};

} // namespace qm

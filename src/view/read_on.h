#pragma once

#include "platform/ui/page_move.h"

#include <optional>

namespace qm {

// What a move comes to: the page scrolls as it would anyway; the move is held at the chapter's edge; or the
// reader goes on to the next chapter's top, back to the previous chapter's end, or to its start.
enum class ReadOnStep { Scroll, Hold, NextChapterTop, PreviousChapterEnd, PreviousChapterStart };

// Reading on across chapters. Within a chapter a move scrolls; at its end a move is held once, so that a
// chapter boundary takes one deliberate press more than a screen does, and the next fresh move in the same
// direction crosses it. A held key's repeats and a wheel that keeps turning never cross: only a fresh move
// does. A page that fits the view has nothing to scroll, and a fresh move turns it at once.
class ReadOn {
public:
    // `fresh`: a key's first press (not its repeat), a wheel turn after a pause.
    ReadOnStep Move(PageMove move, PageEdges edges, bool fresh);
    // Another chapter is shown: nothing is held any more.
    void Reset() { held_.reset(); }
    bool Holding() const { return held_.has_value(); }

private:
    std::optional<PageMove> held_;
};

} // namespace qm

#include "view/read_on.h"

namespace qm {

ReadOnStep ReadOn::Move(PageMove move, PageEdges edges, bool fresh) {
    switch (move) {
    case PageMove::NextChapter:
        held_.reset();
        return ReadOnStep::NextChapterTop;
    case PageMove::PreviousChapter:
        held_.reset();
        return ReadOnStep::PreviousChapterStart;
    case PageMove::Forward:
    case PageMove::Back:
        break;
    }
    const bool forward = move == PageMove::Forward;
    if (!(forward ? edges.bottom : edges.top)) {
        held_.reset();
        return ReadOnStep::Scroll;
    }
    const ReadOnStep cross = forward ? ReadOnStep::NextChapterTop : ReadOnStep::PreviousChapterEnd;
    if (fresh && (held_ == move || (edges.top && edges.bottom))) {
        held_.reset();
        return cross;
    }
    held_ = move;
    return ReadOnStep::Hold;
}

} // namespace qm

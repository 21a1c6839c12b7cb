#include "platform/qt/page_move_keys.h"

#include <QKeyEvent>
#include <QWheelEvent>

namespace qm {

std::optional<PageMove> PageMoveOfKey(const QKeyEvent& key) {
    // The keypad's modifier comes with its keys; it changes nothing here.
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::ControlModifier) {
        switch (key.key()) {
        case Qt::Key_PageDown:
            return PageMove::NextChapter;
        case Qt::Key_PageUp:
            return PageMove::PreviousChapter;
        default:
            return std::nullopt;
        }
    }
    if (modifiers == Qt::ShiftModifier && key.key() == Qt::Key_Space) {
        return PageMove::Back;
    }
    if (modifiers != Qt::NoModifier) {
        return std::nullopt;
    }
    switch (key.key()) {
    case Qt::Key_Space:
    case Qt::Key_PageDown:
    case Qt::Key_Down:
        return PageMove::Forward;
    case Qt::Key_PageUp:
    case Qt::Key_Up:
        return PageMove::Back;
    default:
        return std::nullopt;
    }
}

std::optional<PageMove> PageMoveOfWheel(const QWheelEvent& wheel) {
    const int delta = wheel.angleDelta().y();
    if (wheel.modifiers() != Qt::NoModifier || delta == 0) {
        return std::nullopt;
    }
    return delta < 0 ? PageMove::Forward : PageMove::Back;
}

} // namespace qm

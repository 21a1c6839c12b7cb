#pragma once

#include "platform/ui/page_move.h"

#include <optional>

class QKeyEvent;
class QWheelEvent;

namespace qm {

// The page move a key asks for: Space, Page Down and Down on (with Shift, Space goes back), Page Up and Up
// back, Ctrl+Page Down and Ctrl+Page Up a whole chapter; none for any other key.
std::optional<PageMove> PageMoveOfKey(const QKeyEvent& key);
// A turn of the wheel without modifiers: towards the reader on, away from the reader back.
std::optional<PageMove> PageMoveOfWheel(const QWheelEvent& wheel);

} // namespace qm

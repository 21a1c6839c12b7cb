#pragma once

class QPainter;
class QRect;

namespace qm {

// Paints `area` as a piece of the frame laid over the page: the frame's colour, a light line along its top and
// left, a dark one along its bottom and right (the find bar, the reading settings).
void PaintFramePiece(QPainter& painter, const QRect& area);

} // namespace qm

#pragma once

#include <QColor>
#include <QPainter>
#include <QRectF>

namespace qm::art {

// The program's mark: a quill feather from the bottom-left to the top-right corner of `box`.
void PaintQuill(QPainter& painter, const QRectF& box, QColor feather, QColor shaft);

} // namespace qm::art

#include "mainwindow/frame_piece.h"

#include "mainwindow/theme.h"

#include <QPainter>

namespace qm {

void PaintFramePiece(QPainter& painter, const QRect& area) {
    painter.fillRect(area, QColor::fromRgb(theme::kFrame));
    painter.setPen(QColor::fromRgb(theme::kFrameLight));
    painter.drawLine(area.topLeft(), area.topRight());
    painter.drawLine(area.topLeft(), area.bottomLeft());
    painter.setPen(QColor::fromRgb(theme::kFrameDark));
    painter.drawLine(area.bottomLeft(), area.bottomRight());
    painter.drawLine(area.topRight(), area.bottomRight());
}

} // namespace qm

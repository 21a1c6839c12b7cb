#include "quill.h"

#include <QPainterPath>

namespace qm::art {

void PaintQuill(QPainter& painter, const QRectF& box, QColor feather, QColor shaft) {
    auto at = [&box](double x, double y) {
        return QPointF(box.left() + x * box.width(), box.top() + y * box.height());
    };
    QPainterPath vane;
    vane.moveTo(at(0.16, 0.84));
    vane.cubicTo(at(0.22, 0.46), at(0.52, 0.12), at(0.95, 0.04));
    vane.cubicTo(at(0.90, 0.36), at(0.62, 0.72), at(0.16, 0.84));
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(feather);
    painter.drawPath(vane);
    // Two lines in the vane, where the barbs part.
    painter.setPen(QPen(feather.darker(135), box.width() * 0.03, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(at(0.55, 0.42), at(0.78, 0.40));
    painter.drawLine(at(0.40, 0.60), at(0.52, 0.70));
    painter.setPen(QPen(shaft, box.width() * 0.045, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(at(0.04, 0.97), at(0.80, 0.22));
    painter.restore();
}

} // namespace qm::art

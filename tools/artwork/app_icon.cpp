#include "app_icon.h"

#include "art_painter.h"
#include "mainwindow/theme.h"
#include "quill.h"

#include <QLinearGradient>
#include <QPainterPath>

namespace qm::art {

QImage PaintAppIcon(int size) {
    Canvas canvas(size, size);
    QPainter& p = canvas.painter();
    p.scale(size / 256.0, size / 256.0);

    QLinearGradient tile(0, 16, 0, 240);
    tile.setColorAt(0, QColor::fromRgb(theme::kTitleTop).lighter(115));
    tile.setColorAt(1, QColor::fromRgb(theme::kTitleBottom));
    p.setPen(QPen(QColor::fromRgb(theme::kFrameDark), 3));
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(14, 14, 228, 228), 46, 46);

    // An open book: two pages curving up from the spine.
    const QColor paper(0xF7, 0xF4, 0xEC);
    p.setPen(QPen(QColor(0xC9, 0xC2, 0xB0), 2));
    p.setBrush(paper);
    for (const int side : {-1, 1}) {
        QPainterPath page;
        page.moveTo(128, 200);
        page.cubicTo(128 + side * 30, 186, 128 + side * 70, 186, 128 + side * 96, 196);
        page.lineTo(128 + side * 96, 110);
        page.cubicTo(128 + side * 70, 100, 128 + side * 30, 100, 128, 114);
        page.closeSubpath();
        p.drawPath(page);
        p.setPen(QPen(QColor(0xB8, 0xC4, 0xCF), 4, Qt::SolidLine, Qt::RoundCap));
        for (int line = 0; line < 4; ++line) {
            const double y = 128 + line * 15;
            p.drawLine(QPointF(128 + side * 18, y + 2), QPointF(128 + side * 78, y - 3));
        }
        p.setPen(QPen(QColor(0xC9, 0xC2, 0xB0), 2));
    }
    PaintQuill(p, QRectF(112, 30, 110, 120), QColor::fromRgb(theme::kAccent), QColor(0x7A, 0x4E, 0x12));
    return canvas.Finish();
}

} // namespace qm::art

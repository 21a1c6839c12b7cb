#include "mainwindow/panel.h"

#include <QPainter>

namespace qm {

TPanel::TPanel(QWidget* parent, const QString& name, QColor colour, int bevel)
    : QWidget(parent), colour_(colour), bevel_(bevel) {
    setObjectName(name);
    setMouseTracking(true);
}

void TPanel::SetColour(QColor colour) {
    colour_ = colour;
    update();
}

void TPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), colour_);
    const QColor light = colour_.lighter(175);
    const QColor dark = colour_.darker(220);
    for (int i = 0; i < bevel_; ++i) {
        const QRect edge = rect().adjusted(i, i, -i - 1, -i - 1);
        // The outer lines are the strongest, as on a raised button.
        const int fade = 100 + 25 * i;
        painter.setPen(light.darker(fade));
        painter.drawLine(edge.topLeft(), edge.topRight());
        painter.drawLine(edge.topLeft(), edge.bottomLeft());
        painter.setPen(dark.lighter(fade));
        painter.drawLine(edge.bottomLeft(), edge.bottomRight());
        painter.drawLine(edge.topRight(), edge.bottomRight());
    }
}

} // namespace qm

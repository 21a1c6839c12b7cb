#include "mainwindow/status_label.h"

#include <QPainter>

namespace qm {

TStatusLabel::TStatusLabel(QWidget* parent, const QString& name, Qt::TextElideMode elide)
    : QLabel(parent), elide_(elide) {
    setObjectName(name);
    setTextFormat(Qt::PlainText);
}

void TStatusLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect room = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), elide_, room.width());
    painter.drawText(room, Qt::AlignLeft | Qt::AlignVCenter, shown);
}

} // namespace qm

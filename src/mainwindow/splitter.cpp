#include "mainwindow/splitter.h"

#include <QMouseEvent>

namespace qm {

TSplitter::TSplitter(QWidget* parent, const QString& name) : QWidget(parent) {
    setObjectName(name);
    setCursor(Qt::SplitHCursor);
    setMouseTracking(true);
}

void TSplitter::mousePressEvent(QMouseEvent* event) {
    grab_ = event->position().toPoint().x() - width() / 2;
}

void TSplitter::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons().testFlag(Qt::LeftButton)) {
        emit Dragged(mapToParent(event->position().toPoint()).x() - grab_);
    }
}

void TSplitter::mouseDoubleClickEvent(QMouseEvent*) {
    emit DblClick();
}

} // namespace qm

#include "mainwindow/picture.h"

#include <QMouseEvent>

namespace qm {

TPicture::TPicture(QWidget* parent, const QString& name, const QPixmap& picture, bool stretch) : QLabel(parent) {
    setObjectName(name);
    setPixmap(picture);
    setScaledContents(stretch);
    setMouseTracking(true);
    if (!stretch) {
        setFixedSize(picture.size());
    }
}

void TPicture::mousePressEvent(QMouseEvent* event) {
    emit MouseDown(event->button());
}

void TPicture::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons().testFlag(Qt::LeftButton)) {
        emit LeftDrag();
    }
}

void TPicture::mouseDoubleClickEvent(QMouseEvent*) {
    emit DblClick();
}

} // namespace qm

#include "mainwindow/picture_button.h"

#include <QGraphicsOpacityEffect>
#include <QMouseEvent>
#include <QPointer>

#include <stdexcept>

namespace qm {

namespace {

const QLabel& StatePicture(const QWidget& store, const QString& name) {
    const auto* picture = store.findChild<QLabel*>(name, Qt::FindDirectChildrenOnly);
    if (picture == nullptr) {
        throw std::logic_error("The picture store has no picture " + name.toStdString());
    }
    return *picture;
}

} // namespace

TPictureButton::TPictureButton(QWidget* parent, const QString& name, const QWidget& store, ButtonPicture afterRelease)
    : QLabel(parent), pictures_{&StatePicture(store, name + "Norm"), &StatePicture(store, name + "Enter"),
                                &StatePicture(store, name + "Down")},
      afterRelease_(afterRelease) {
    setObjectName(name);
    setMouseTracking(true);
    setFixedSize(pictures_[0]->pixmap().size());
    ShowPicture(ButtonPicture::Norm);
}

void TPictureButton::ShowPicture(ButtonPicture picture) {
    shown_ = picture;
    setPixmap(pictures_[static_cast<int>(picture)]->pixmap());
}

void TPictureButton::enterEvent(QEnterEvent*) {
    ShowPicture(ButtonPicture::Enter);
}

void TPictureButton::leaveEvent(QEvent*) {
    ShowPicture(ButtonPicture::Norm);
}

void TPictureButton::mousePressEvent(QMouseEvent*) {
    ShowPicture(ButtonPicture::Down);
}

void TPictureButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        // The command may close the window; the button must still exist to show its release picture.
        const QPointer<TPictureButton> self(this);
        emit Click();
        if (self.isNull()) {
            return;
        }
    }
    ShowPicture(afterRelease_);
}

void TPictureButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        if (isEnabled()) {
            setGraphicsEffect(nullptr);
        } else {
            auto* faded = new QGraphicsOpacityEffect(this);
            faded->setOpacity(0.35);
            setGraphicsEffect(faded);
        }
    }
    QLabel::changeEvent(event);
}

} // namespace qm

#include "mainwindow/picture_button.h"

#include "mainwindow/theme.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QGraphicsOpacityEffect>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include <mutex>
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

// Without this a picture button would be a picture to a screen reader: a button, pressed by its press action.
class PictureButtonAccessible final : public QAccessibleWidget {
public:
    explicit PictureButtonAccessible(TPictureButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Description) {
            return widget()->toolTip();
        }
        return QAccessibleWidget::text(kind);
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override {
        if (action == pressAction() && widget()->isEnabled()) {
            static_cast<TPictureButton*>(widget())->Press();
        }
    }
};

QAccessibleInterface* PictureButtonAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String(TPictureButton::staticMetaObject.className()) && object != nullptr &&
        object->isWidgetType()) {
        return new PictureButtonAccessible(static_cast<TPictureButton*>(object));
    }
    return nullptr;
}

// The focus ring: the accent colour, inside the button's edge.
constexpr int kFocusRingWidth = 2;
constexpr qreal kFocusRingRadius = 4;

} // namespace

TPictureButton::TPictureButton(QWidget* parent, const QString& name, const QWidget& store, ButtonPicture afterRelease)
    : QLabel(parent), pictures_{&StatePicture(store, name + "Norm"), &StatePicture(store, name + "Enter"),
                                &StatePicture(store, name + "Down")},
      afterRelease_(afterRelease) {
    static std::once_flag accessible;
    std::call_once(accessible, [] { QAccessible::installFactory(PictureButtonAccessibleFactory); });
    setObjectName(name);
    setMouseTracking(true);
    // Tab reaches the button; a click leaves the keyboard where it was (on the page, mostly).
    setFocusPolicy(Qt::TabFocus);
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

bool TPictureButton::EmitClick() {
    // The command may close the window; the button must still exist to show its release picture.
    const QPointer<TPictureButton> self(this);
    emit Click();
    return !self.isNull();
}

void TPictureButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && !EmitClick()) {
        return;
    }
    ShowPicture(afterRelease_);
}

void TPictureButton::Press() {
    ShowPicture(ButtonPicture::Down);
    repaint();
    if (EmitClick()) {
        ShowPicture(hasFocus() ? ButtonPicture::Enter : afterRelease_);
    }
}

void TPictureButton::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) && !event->isAutoRepeat()) {
        Press();
        return;
    }
    QLabel::keyPressEvent(event);
}

void TPictureButton::focusInEvent(QFocusEvent* event) {
    ShowPicture(ButtonPicture::Enter);
    QLabel::focusInEvent(event);
}

void TPictureButton::focusOutEvent(QFocusEvent* event) {
    ShowPicture(underMouse() ? ButtonPicture::Enter : ButtonPicture::Norm);
    QLabel::focusOutEvent(event);
}

void TPictureButton::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (hasFocus()) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor::fromRgb(theme::kAccent), kFocusRingWidth));
        const qreal inset = kFocusRingWidth / 2.0;
        painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), kFocusRingRadius,
                                kFocusRingRadius);
    }
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

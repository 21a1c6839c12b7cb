#pragma once

#include <QLabel>

namespace qm {

// A picture control of the frame: shows its picture at the picture's size, or stretched over its cell, and
// reports presses, drags with the left button held, and double-clicks.
class TPicture final : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TPicture)

public:
    TPicture(QWidget* parent, const QString& name, const QPixmap& picture, bool stretch);

signals:
    void MouseDown(Qt::MouseButton button);
    void LeftDrag();
    void DblClick();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

} // namespace qm

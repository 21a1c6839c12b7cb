#pragma once

#include <QWidget>

namespace qm {

// The splitter between the table of contents and the page area: an invisible handle over the frame strips
// where the two meet. Dragging it with the left button reports where the pointer is; a double-click asks for
// the table's first width back.
class TSplitter final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TSplitter)

public:
    TSplitter(QWidget* parent, const QString& name);

signals:
    // The pointer, in the splitter's parent, while the left button drags the handle: `x` is where the
    // boundary should be, the handle's centre following the pointer as it did when grabbed.
    void Dragged(int x);
    void DblClick();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // Where the handle was grabbed, from its centre.
    int grab_ = 0;
};

} // namespace qm

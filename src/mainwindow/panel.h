#pragma once

#include <QColor>
#include <QWidget>

namespace qm {

// A panel of the skinned frame: a flat area in one colour, with an optional raised bevel drawn inside its
// edge. Panels track the pointer, so that the window can offer its resize band over them.
class TPanel final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TPanel)

public:
    TPanel(QWidget* parent, const QString& name, QColor colour, int bevel = 0);

    QColor Colour() const { return colour_; }
    void SetColour(QColor colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_;
    int bevel_;
};

} // namespace qm

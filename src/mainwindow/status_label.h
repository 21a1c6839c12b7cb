#pragma once

#include <QLabel>

namespace qm {

// A caption of one line that keeps its full text but, when the line is too long for the label, shows it
// shortened: the status line in the middle, where a long title is least informative; the book's title in the
// title bar at its end.
class TStatusLabel final : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TStatusLabel)

public:
    TStatusLabel(QWidget* parent, const QString& name, Qt::TextElideMode elide = Qt::ElideMiddle);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::TextElideMode elide_;
};

} // namespace qm

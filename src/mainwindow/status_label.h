#pragma once

#include <QLabel>

namespace qm {

// The status caption: one line of text that keeps its full text but, when the line is too long for the
// label, shows it shortened in the middle, where a long book path is least informative.
class TStatusLabel final : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TStatusLabel)

public:
    TStatusLabel(QWidget* parent, const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace qm

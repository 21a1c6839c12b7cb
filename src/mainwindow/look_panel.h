#pragma once

#include "view/reading_look.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QPushButton;
class QSpinBox;

namespace qm {

// The reading settings: the publisher's styles or the reader's own look (theme, font, size, line spacing,
// margins, text width). It only tells (LookChanged at every change, Closed); the window puts the look on the
// page and keeps it, and closes it on Esc.
class TLookPanel final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TLookPanel)

public:
    TLookPanel(QWidget* parent, const QString& name);

    // Shows the panel with `look` in its controls and the first of them focused.
    void Open(const ReadingLook& look);
    ReadingLook Look() const;

    QCheckBox* CheckPublisher;
    QComboBox* ComboTheme;
    QComboBox* ComboFont;
    QSpinBox* SpinFontSize;
    QComboBox* ComboSpacing;
    QDoubleSpinBox* SpinMargin;
    QSpinBox* SpinWidth;
    QPushButton* ButtonDefaults;
    QPushButton* ButtonClose;

signals:
    void LookChanged(const ReadingLook& look);
    void Closed();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Show(const ReadingLook& look);
    void Changed();
    // The look's controls are off while the publisher's styles are chosen.
    void EnableOwnLook();
};

} // namespace qm

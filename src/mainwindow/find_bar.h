#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QToolButton;

namespace qm {

// The bar that finds text in the page: a field for the text, previous and next, the count of matches, and a
// close button. It only asks (Find, Closed); the window searches the page and answers with ShowMatches.
// Enter finds the next match, Shift+Enter the previous one; a change of the text searches from the top.
class TFindBar final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFindBar)

public:
    TFindBar(QWidget* parent, const QString& name);

    QString Text() const;
    // Shows the bar with its field focused and its text selected, to be typed over.
    void Open();
    // "3 of 12" for the third of twelve matches, "No match" for none; nothing while the text is empty.
    void ShowMatches(int active, int count);

    QLineEdit* EditFind;
    QToolButton* ButtonPrevious;
    QToolButton* ButtonNext;
    QLabel* LabelMatches;
    QToolButton* ButtonClose;

signals:
    // `text` is to be found after the current match, or before it when `backward`; an empty text clears the
    // page's marks.
    void Find(const QString& text, bool backward);
    void Closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace qm

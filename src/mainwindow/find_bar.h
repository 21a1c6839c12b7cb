#pragma once

#include "search/book_text_index.h"

#include <QWidget>

#include <vector>

class QLabel;
class QLineEdit;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace qm {

// The bar that finds text in the page: a field for the text, previous and next, the count of matches, and a
// close button. It only asks (Find, Closed); the window searches the page and answers with ShowMatches.
// Enter finds the next match, Shift+Enter the previous one; a change of the text searches from the top.
// With "Book" pressed it searches the whole book instead: Enter asks (FindInBook), the window answers with
// ShowBookMatches, and the matches stand under the field grouped by chapter, each with the words around it;
// Down goes to them, and Enter or a click on one asks to show it (OpenMatch).
class TFindBar final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFindBar)

public:
    TFindBar(QWidget* parent, const QString& name);

    QString Text() const;
    // Shows the bar with its field focused and its text selected, to be typed over; searching the chapter or,
    // with `wholeBook`, the book.
    void Open(bool wholeBook = false);
    bool SearchesWholeBook() const;
    // The matches of the whole book in reading order; "No match" for none.
    void ShowBookMatches(const std::vector<TextMatch>& matches);
    // How tall the bar wants to be: one row, or with the book's matches, up to `room`.
    int WantedHeight(int room) const;
    // "3 of 12" for the third of twelve matches, "No match" for none; nothing while the text is empty.
    void ShowMatches(int active, int count);

    QLineEdit* EditFind;
    QToolButton* ButtonPrevious;
    QToolButton* ButtonNext;
    QLabel* LabelMatches;
    QToolButton* ButtonClose;
    QToolButton* ButtonWholeBook;
    // The book's matches: one item per chapter, its matches under it.
    QTreeWidget* TreeMatches;

signals:
    // `text` is to be found after the current match, or before it when `backward`; an empty text clears the
    // page's marks.
    void Find(const QString& text, bool backward);
    void Closed();
    void FindInBook(const QString& text);
    // The `occurrence`-th match (from 0) of the chapter of row `row`.
    void OpenMatch(int row, int occurrence);
    // The bar changed its height.
    void Resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetWholeBook(bool wholeBook);
    void AskToOpen(const QTreeWidgetItem* item);
};

} // namespace qm

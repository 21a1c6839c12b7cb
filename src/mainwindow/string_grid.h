#pragma once

#include "book/table_of_contents.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QTableView>

#include <array>
#include <cstdint>
#include <functional>

namespace qm {

// The table of contents as the grid shows it: three columns, the first drawn as a fixed column that is never
// selected, row 0 (the header row) an ordinary row.
class TocModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TocModel)

public:
    // The title's nesting level (TableOfContents::Level), an int, for the title column.
    static constexpr int kLevelRole = Qt::UserRole + 1;

    TocModel(const TableOfContents& toc, QObject* parent);

    int rowCount(const QModelIndex& parent) const override;
    int columnCount(const QModelIndex& parent) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The table's rows and cells changed.
    void Refresh();
    // The fixed number column's colour.
    void SetFixedColour(QColor colour);

private:
    const TableOfContents& toc_;
    QColor fixedColour_;
};

// The grid StringGrid1: a view on the table of contents whose current row is the table's current row. A row
// the user moves to is made current in the table (which runs its select handler); a row the program makes
// current is shown with SyncCurrentRow. Titles are indented by their level and shown whole as tooltips. While
// the grid is shown, the title column takes the width that the number and path columns leave, so that a title
// is cut only where the grid ends (with an ellipsis); hidden, the columns keep the widths set.
class TStringGrid final : public QTableView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TStringGrid)

public:
    // `select` runs for a row the user moved to; it must not throw.
    TStringGrid(QWidget* parent, const QString& name, const TableOfContents& toc,
                std::function<void(std::int32_t)> select);

    // Shows the table again after its rows or cells changed, keeping its current row and column widths.
    void Refresh();
    // Shows the table's current row as current.
    void SyncCurrentRow();
    void SetColumnWidths(const std::array<int, TableOfContents::kColumns>& widths);
    // The grid's colours: its ground, text, the current row's mark and the fixed column.
    void SetColours(QColor ground, QColor text, QColor current, QColor fixed);
    // The indent of a title of `level`: a step a level, at most half the title column's width.
    int TitleIndent(int level) const;

    // Scrolls rows only: the grid has no horizontal scroll bar, and the number column stays in view.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

protected:
    bool viewportEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void FitTitleColumn();

    std::array<int, TableOfContents::kColumns> columnWidths_{};
    const TableOfContents& toc_;
    TocModel* model_;
    std::function<void(std::int32_t)> select_;
    bool syncing_ = false;
};

} // namespace qm

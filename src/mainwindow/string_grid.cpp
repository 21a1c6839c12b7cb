#include "mainwindow/string_grid.h"

#include "mainwindow/theme.h"

#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>

namespace qm {

namespace {

// The number column is only 20 pixels wide: its text is drawn without the cell's inner margins and never
// shortened, so that "No." and numbers up to three digits show whole.
class NumberColumnDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem wide = option;
        wide.textElideMode = Qt::ElideNone;
        const int margin =
            option.widget->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option.widget) + 1;
        wide.rect.adjust(-margin, 0, margin, 0);
        painter->save();
        painter->setClipRect(option.rect);
        QStyledItemDelegate::paint(painter, wide, index);
        painter->restore();
    }
};

// Titles stand in from the cell's left edge by their level; the selection and the background still cover the
// whole cell.
class TitleColumnDelegate final : public QStyledItemDelegate {
public:
    explicit TitleColumnDelegate(TStringGrid& grid) : QStyledItemDelegate(&grid), grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const int indent = grid_.TitleIndent(index.data(TocModel::kLevelRole).toInt());
        if (indent == 0) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        QStyle* style = option.widget != nullptr ? option.widget->style() : QApplication::style();
        QStyleOptionViewItem background = cell;
        background.text.clear();
        style->drawControl(QStyle::CE_ItemViewItem, &background, painter, option.widget);
        QStyleOptionViewItem text = cell;
        text.rect.adjust(indent, 0, 0, 0);
        text.state &= ~QStyle::State_HasFocus;
        style->drawControl(QStyle::CE_ItemViewItem, &text, painter, option.widget);
    }

private:
    const TStringGrid& grid_;
};

// A title is stepped in this far a level, and a deep one no further than kDeepestIndentedLevel.
constexpr int kIndentStep = 12;
constexpr int kDeepestIndentedLevel = 6;

} // namespace

int TocModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : toc_.RowCount();
}

int TocModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : TableOfContents::kColumns;
}

QVariant TocModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= toc_.RowCount()) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(toc_.Cell(index.column(), index.row()));
    case Qt::ToolTipRole:
        return index.column() == 1 ? QString::fromStdString(toc_.Cell(1, index.row())) : QVariant();
    case kLevelRole:
        return index.column() == 1 ? toc_.Level(index.row()) : 0;
    case Qt::BackgroundRole:
        return index.column() == 0 ? QBrush(fixedColour_) : QVariant();
    case Qt::TextAlignmentRole:
        return index.column() == 0 ? QVariant(Qt::AlignCenter) : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

Qt::ItemFlags TocModel::flags(const QModelIndex& index) const {
    // The number column is fixed: it is never selected and the cursor never enters it.
    if (!index.isValid() || index.column() == 0) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

TocModel::TocModel(const TableOfContents& toc, QObject* parent)
    : QAbstractTableModel(parent), toc_(toc), fixedColour_(QColor::fromRgb(theme::kGridFixed)) {}

void TocModel::SetFixedColour(QColor colour) {
    fixedColour_ = colour;
    if (rowCount({}) > 0) {
        emit dataChanged(index(0, 0), index(rowCount({}) - 1, 0), {Qt::BackgroundRole});
    }
}

void TocModel::Refresh() {
    beginResetModel();
    endResetModel();
}

TStringGrid::TStringGrid(QWidget* parent, const QString& name, const TableOfContents& toc,
                         std::function<void(std::int32_t)> select)
    : QTableView(parent), toc_(toc), model_(new TocModel(toc, this)), select_(std::move(select)) {
    setObjectName(name);
    setModel(model_);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QFont cells = font();
    cells.setPixelSize(12);
    setFont(cells);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
    setEditTriggers(NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setShowGrid(false);
    setTabKeyNavigation(false);
    setItemDelegateForColumn(0, new NumberColumnDelegate(this));
    setItemDelegateForColumn(1, new TitleColumnDelegate(*this));
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                if (!syncing_ && current.isValid() && current.row() != toc_.CurrentRow()) {
                    select_(current.row());
                }
            });
}

void TStringGrid::SetColours(QColor ground, QColor text, QColor current, QColor fixed) {
    QPalette grid = palette();
    grid.setColor(QPalette::Base, ground);
    grid.setColor(QPalette::Text, text);
    grid.setColor(QPalette::Highlight, current);
    grid.setColor(QPalette::HighlightedText, text);
    grid.setColor(QPalette::Disabled, QPalette::Text, QColor::fromRgb(theme::kGridTextLocked));
    grid.setColor(QPalette::Disabled, QPalette::HighlightedText, QColor::fromRgb(theme::kGridTextLocked));
    setPalette(grid);
    model_->SetFixedColour(fixed);
}

void TStringGrid::Refresh() {
    syncing_ = true;
    model_->Refresh();
    syncing_ = false;
    SetColumnWidths(columnWidths_);
    SyncCurrentRow();
}

void TStringGrid::SetColumnWidths(const std::array<int, TableOfContents::kColumns>& widths) {
    columnWidths_ = widths;
    for (int column = 0; column < TableOfContents::kColumns; ++column) {
        setColumnWidth(column, widths[static_cast<std::size_t>(column)]);
    }
    FitTitleColumn();
}

void TStringGrid::FitTitleColumn() {
    if (!isVisible()) {
        return;
    }
    const int title = viewport()->width() - columnWidths_[0] - columnWidths_[2];
    if (title > 0 && title != columnWidth(1)) {
        setColumnWidth(1, title);
    }
}

int TStringGrid::TitleIndent(int level) const {
    return std::min({level, kDeepestIndentedLevel, columnWidth(1) / 2 / kIndentStep}) * kIndentStep;
}

bool TStringGrid::viewportEvent(QEvent* event) {
    // The vertical scroll bar comes and goes with the rows and narrows the viewport without resizing the grid.
    if (event->type() == QEvent::Resize) {
        FitTitleColumn();
    }
    return QTableView::viewportEvent(event);
}

void TStringGrid::showEvent(QShowEvent* event) {
    QTableView::showEvent(event);
    FitTitleColumn();
}

void TStringGrid::scrollTo(const QModelIndex& index, ScrollHint hint) {
    QTableView::scrollTo(index, hint);
    horizontalScrollBar()->setValue(0);
}

void TStringGrid::SyncCurrentRow() {
    const QModelIndex row = model_->index(toc_.CurrentRow(), 1);
    if (!row.isValid() || currentIndex().row() == row.row()) {
        return;
    }
    syncing_ = true;
    selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(row);
    syncing_ = false;
}

} // namespace qm

#include "mainwindow/contents_tree.h"

#include "mainwindow/theme.h"

#include <QHeaderView>

namespace qm {

namespace {

constexpr int kIndexRole = Qt::UserRole;

} // namespace

TContentsTree::TContentsTree(QWidget* parent, const QString& name) : QTreeWidget(parent) {
    setObjectName(name);
    setAccessibleName(tr("Contents"));
    setFrameShape(QFrame::NoFrame);
    setHeaderHidden(true);
    setColumnCount(2);
    setUniformRowHeights(true);
    setTextElideMode(Qt::ElideRight);
    setIndentation(12);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::Stretch);
    header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    setStyleSheet(QString("QTreeWidget { background: %1; color: %2; }"
                          "QTreeWidget::item:selected { background: %3; color: %2; }")
                      .arg(QColor::fromRgb(theme::kGrid).name(), QColor::fromRgb(theme::kGridText).name(),
                           QColor::fromRgb(theme::kGridSelected).name()));
    const auto choose = [this](QTreeWidgetItem* item) {
        if (item != nullptr) {
            emit EntryChosen(item->data(0, kIndexRole).toInt());
        }
    };
    connect(this, &QTreeWidget::itemClicked, this, choose);
    connect(this, &QTreeWidget::itemActivated, this, choose);
}

void TContentsTree::SetContents(const std::vector<ContentsEntry>& contents,
                                const std::vector<std::string>& rowNumbers) {
    clear();
    contents_ = contents;
    // The last item of each level, to hang deeper entries under; an entry deeper than its predecessor allows
    // hangs under the deepest one there is.
    std::vector<QTreeWidgetItem*> parents;
    for (std::size_t i = 0; i < contents_.size(); ++i) {
        const ContentsEntry& entry = contents_[i];
        const auto level = std::min(static_cast<std::size_t>(std::max(entry.level, 0)), parents.size());
        parents.resize(level);
        auto* item = parents.empty() ? new QTreeWidgetItem(this) : new QTreeWidgetItem(parents.back());
        item->setText(0, QString::fromStdString(entry.title));
        item->setToolTip(0, QString::fromStdString(entry.title));
        const std::size_t row = static_cast<std::size_t>(entry.row);
        if (entry.row > 0 && row < rowNumbers.size()) {
            item->setText(1, QString::fromStdString(rowNumbers[row]));
            item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
            item->setForeground(1, QColor::fromRgb(theme::kGridFixed).darker(160));
        }
        if (entry.row <= 0) {
            item->setDisabled(true);
        }
        item->setData(0, kIndexRole, static_cast<int>(i));
        parents.push_back(item);
    }
    expandAll();
}

void TContentsTree::FollowRow(std::int32_t row) {
    const QTreeWidgetItem* marked = currentItem();
    if (marked != nullptr && Entry(marked->data(0, kIndexRole).toInt()).row == row) {
        return;
    }
    for (QTreeWidgetItemIterator it(this); *it != nullptr; ++it) {
        if (Entry((*it)->data(0, kIndexRole).toInt()).row == row) {
            const QSignalBlocker quiet(this);
            setCurrentItem(*it);
            scrollToItem(*it);
            return;
        }
    }
}

} // namespace qm

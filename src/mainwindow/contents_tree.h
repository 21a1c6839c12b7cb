#pragma once

#include "book/book_contents.h"

#include <QTreeWidget>

#include <cstdint>
#include <vector>

namespace qm {

// The book's contents as a tree that folds: every entry of its navigation nested as the book nests it, and
// beside each title the number of the table row (the chapter a conversion makes a page of) that shows it.
// Choosing an entry (a click, Enter) asks for it (EntryChosen); FollowRow marks the entry of the row shown.
class TContentsTree final : public QTreeWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TContentsTree)

public:
    TContentsTree(QWidget* parent, const QString& name);

    void SetContents(const std::vector<ContentsEntry>& contents, const std::vector<std::string>& rowNumbers);
    const ContentsEntry& Entry(int index) const { return contents_.at(static_cast<std::size_t>(index)); }
    // Marks the first entry of `row`, unless the marked entry is one of that row already.
    void FollowRow(std::int32_t row);

signals:
    void EntryChosen(int index);

private:
    std::vector<ContentsEntry> contents_;
};

} // namespace qm

#include "view/chapter_sequence.h"

namespace qm {

ChapterSequence::ChapterSequence(const TableOfContents& toc) : chapterOfRow_(toc.RowCount(), -1) {
    for (std::int32_t row = 1; row < toc.RowCount(); ++row) {
        const TocRow entry = toc.Row(row);
        if (!entry.HasChapter()) {
            continue;
        }
        if (chapters_.empty() || chapters_.back().file != entry.link.file || chapters_.back().lastRow != row - 1) {
            chapters_.push_back({entry.link.file, row, row});
        } else {
            chapters_.back().lastRow = row;
        }
        chapterOfRow_[row] = Count() - 1;
    }
}

int ChapterSequence::ChapterOfRow(std::int32_t row) const {
    return row >= 0 && row < static_cast<std::int32_t>(chapterOfRow_.size()) ? chapterOfRow_[row] : -1;
}

} // namespace qm

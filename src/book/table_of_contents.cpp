#include "book/table_of_contents.h"

#include "book/string_fields.h"

#include <algorithm>
#include <stdexcept>

namespace qm {

namespace {
[[noreturn]] void ThrowOutOfRange() {
    throw std::out_of_range("Grid index out of range");
}
} // namespace

void TableOfContents::SetRowCount(std::int32_t count) {
    if (count < 0) {
        ThrowOutOfRange();
    }
    rows_.resize(static_cast<std::size_t>(count));
    levels_.resize(static_cast<std::size_t>(count));
    currentRow_ = std::clamp(currentRow_, 0, std::max(count - 1, 0));
}

const std::string& TableOfContents::Cell(int col, std::int32_t row) const {
    if (col < 0 || col >= kColumns || row < 0 || row >= RowCount()) {
        ThrowOutOfRange();
    }
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

ChapterLink SplitChapterLink(const std::string& path) {
    const std::size_t hash = path.find('#');
    if (hash == std::string::npos) {
        return {path, {}};
    }
    return {path.substr(0, hash), path.substr(hash + 1)};
}

TocRow TableOfContents::Row(std::int32_t row) const {
    TocRow value;
    value.row = row;
    value.number = Cell(0, row);
    value.title = Cell(1, row);
    value.path = Trim(Cell(2, row));
    value.link = SplitChapterLink(value.path);
    value.level = Level(row);
    return value;
}

std::vector<std::int32_t> TableOfContents::ChapterRows() const {
    std::vector<std::int32_t> rows;
    for (std::int32_t row = 1; row < RowCount(); ++row) {
        if (!Trim(Cell(2, row)).empty()) {
            rows.push_back(row);
        }
    }
    return rows;
}

void TableOfContents::SetCell(int col, std::int32_t row, std::string text) {
    if (col < 0 || col >= kColumns || row < 0 || row >= RowCount()) {
        ThrowOutOfRange();
    }
    rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = std::move(text);
}

void TableOfContents::BlankAllCells() {
    for (auto& row : rows_) {
        for (auto& cell : row) {
            cell.clear();
        }
    }
    std::fill(levels_.begin(), levels_.end(), 0);
}

int TableOfContents::Level(std::int32_t row) const {
    if (row < 0 || row >= RowCount()) {
        ThrowOutOfRange();
    }
    return levels_[static_cast<std::size_t>(row)];
}

void TableOfContents::SetLevel(std::int32_t row, int level) {
    if (row < 0 || row >= RowCount()) {
        ThrowOutOfRange();
    }
    levels_[static_cast<std::size_t>(row)] = std::max(level, 0);
}

void TableOfContents::SetCurrentRowQuietly(std::int32_t row) {
    if (row < 0 || row >= RowCount()) {
        ThrowOutOfRange();
    }
    currentRow_ = row;
}

void TableOfContents::SetCurrentRow(std::int32_t row) {
    if (row < 0 || row >= RowCount()) {
        ThrowOutOfRange();
    }
    if (row == currentRow_) {
        return;
    }
    currentRow_ = row;
    if (onSelect_) {
        onSelect_(row);
    }
}

} // namespace qm

#include "book/table_of_contents.h"

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
    currentRow_ = std::clamp(currentRow_, 0, std::max(count - 1, 0));
}

const std::string& TableOfContents::Cell(int col, std::int32_t row) const {
    if (col < 0 || col >= kColumns || row < 0 || row >= RowCount()) {
        ThrowOutOfRange();
    }
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
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

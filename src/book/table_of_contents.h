#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qm {

// A chapter path of the table split at its first "#": the file (an href, as written in the table) and the
// anchor in it.
struct ChapterLink {
    std::string file;
    std::string fragment;
};
ChapterLink SplitChapterLink(const std::string& path);

// One row of the table as a value: what its three cells and its level say.
struct TocRow {
    // Its place in the table (1 for the first chapter row).
    std::int32_t row = 0;
    // The number and title as shown.
    std::string number;
    std::string title;
    // The chapter path, relative to subTempDir, with its #fragment (white space around it left out); empty for
    // a row that shows no chapter.
    std::string path;
    // The path split at its "#" (SplitChapterLink).
    ChapterLink link;
    // How deep the book's navigation nests the entry that titles it.
    int level = 0;

    bool HasChapter() const { return !path.empty(); }
};

// The table of contents as data: three text columns (number, title, chapter path relative to subTempDir),
// row 0 the header row, and beside them each row's nesting level. The grid of the window shows it; the open
// command and the package walk fill it.
class TableOfContents {
public:
    static constexpr int kColumns = 3;
    using SelectHandler = std::function<void(std::int32_t row)>;

    std::int32_t RowCount() const { return static_cast<std::int32_t>(rows_.size()); }
    // New rows are blank; rows beyond the count are dropped. The current row is kept inside the new range.
    void SetRowCount(std::int32_t count);

    // Throws std::out_of_range("Grid index out of range") for a cell outside the table. The grid reads cells to
    // show them, the open command writes them; everything else reads rows (Row).
    const std::string& Cell(int col, std::int32_t row) const;

    // Row `row` as a value; throws like Cell.
    TocRow Row(std::int32_t row) const;
    // The rows that show a chapter (a path), in table order: the rows a conversion converts.
    std::vector<std::int32_t> ChapterRows() const;
    void SetCell(int col, std::int32_t row, std::string text);
    // Blanks every cell of every row and sets every level to 0; the row count stays.
    void BlankAllCells();

    // The nesting level of the navigation entry that titles row `row`: 0 for an entry at the top of the
    // navigation, 1 for one nested in it, and so on; 0 for a row that no entry titles. Not a column: the grid
    // shows it as the title's indent. Both throw like Cell; a negative level is taken as 0.
    int Level(std::int32_t row) const;
    void SetLevel(std::int32_t row, int level);

    std::int32_t CurrentRow() const { return currentRow_; }
    // Makes `row` current. A change of row runs the select handler for the new row; making the current row
    // current again does nothing. A row outside 0 .. RowCount() - 1 throws "Grid index out of range".
    void SetCurrentRow(std::int32_t row);
    void SetSelectHandler(SelectHandler handler) { onSelect_ = std::move(handler); }
    // Makes `row` current without running the select handler, for a row whose chapter is shown already (the
    // reader followed a link into it). Throws like SetCurrentRow.
    void SetCurrentRowQuietly(std::int32_t row);

private:
    std::vector<std::array<std::string, kColumns>> rows_ = std::vector<std::array<std::string, kColumns>>(1);
    // Parallel to rows_.
    std::vector<int> levels_ = std::vector<int>(1);
    std::int32_t currentRow_ = 0;
    SelectHandler onSelect_;
};

} // namespace qm

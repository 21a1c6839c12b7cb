#pragma once

#include "book/table_of_contents.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qm {

// The book's chapters as its table lists them, for reading on from one to the next: a chapter is a run of
// consecutive rows that show the same file (the rows after the first are its sections). Rows without a chapter
// path belong to none.
class ChapterSequence {
public:
    ChapterSequence() = default;
    explicit ChapterSequence(const TableOfContents& toc);

    int Count() const { return static_cast<int>(chapters_.size()); }
    // The chapter (0 for the first) that row `row` shows; -1 for a row that shows none.
    int ChapterOfRow(std::int32_t row) const;
    // The file of chapter `index`, as the table writes it (relative to the book's folder, without a fragment).
    const std::string& File(int index) const { return chapters_.at(index).file; }
    // The first row of chapter `index`, and its last (the section that holds the chapter's end).
    std::int32_t FirstRow(int index) const { return chapters_.at(index).firstRow; }
    std::int32_t LastRow(int index) const { return chapters_.at(index).lastRow; }

private:
    struct Chapter {
        std::string file;
        std::int32_t firstRow = 0;
        std::int32_t lastRow = 0;
    };
    std::vector<Chapter> chapters_;
    // Indexed by row: the chapter the row belongs to, or -1.
    std::vector<int> chapterOfRow_;
};

} // namespace qm

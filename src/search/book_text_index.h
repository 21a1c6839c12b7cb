#pragma once

#include "search/folded_text.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

class TableOfContents;

// A chapter file of a book, to be searched: the first table row that shows it, that row's title and the file.
struct IndexedChapter {
    std::int32_t row = 0;
    std::string title;
    std::string path;
};

// The chapter files of a book in reading order, each once: the rows of `toc` that show a chapter, a file
// shown by several rows (its sections) taken at its first row; paths under `subTempDir`. A row whose file lies
// outside `bookFolder` (the unpacked book) is left out: a book's rows never make another file searched.
std::vector<IndexedChapter> ChaptersToIndex(const TableOfContents& toc, const std::string& subTempDir,
                                            const std::string& bookFolder);

// One place where the searched text stands.
struct TextMatch {
    std::int32_t row = 0;
    std::string title;
    // The words around the match, on one line, "…" where they were cut.
    std::string context;
    // Which match of its chapter this is, 0 for the first: the view finds it again by searching the page.
    std::size_t occurrence = 0;
};

// The text of every chapter of a book, read once, searched without case or diacritics. A chapter file that
// cannot be read counts as empty.
class BookTextIndex {
public:
    BookTextIndex() = default;
    explicit BookTextIndex(const std::vector<IndexedChapter>& chapters);

    // Every match of `query` (white space in it matching any run of white space), in reading order; none for a
    // query of only white space.
    std::vector<TextMatch> Find(std::string_view query) const;

    std::size_t ChapterCount() const { return chapters_.size(); }

private:
    struct Chapter {
        IndexedChapter source;
        std::string text;
        FoldedText folded;
    };
    std::vector<Chapter> chapters_;
};

} // namespace qm

#pragma once

#include "book/reader_state.h"
#include "book/table_of_contents.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qm {

// One entry of the book's contents as the reader's tree shows it.
struct ContentsEntry {
    // How deep it nests: 0 at the top.
    int level = 0;
    std::string title;
    // The file and #fragment it opens, relative to subTempDir.
    std::string path;
    // The table row that shows its file: the row of exactly this path when there is one, else the file's first
    // row; 0 when no row shows the file (an entry that points outside the spine).
    std::int32_t row = 0;
};

// The book's whole navigation (NavigationEntries), in its order, with every spine file that no entry names
// put in its place: before the first entry of a later spine file, at the top level, titled by its <title>, else
// its file name. A book without navigation has one entry per spine file. Each entry knows its row in `toc`.
std::vector<ContentsEntry> BookContents(const ReaderState& state, const TableOfContents& toc);

} // namespace qm

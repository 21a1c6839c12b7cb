#pragma once

#include "book/reader_state.h"

#include <string>
#include <vector>

namespace qm {

// One entry of the book's own navigation (a navigation point of its map, or a link of its navigation
// document's table of contents), in the book's order.
struct NavEntry {
    // How deep the navigation nests it: 0 at the top.
    int level = 0;
    std::string title;
    // The content path relative to subTempDir, with its #fragment.
    std::string path;
};

// Every entry the opening read into state.NavTitleList.
std::vector<NavEntry> NavigationEntries(const ReaderState& state);

} // namespace qm

#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qm {

// What becomes of a page whose numbered name is taken when the pages are put in place.
enum class TakenName {
    Replace, // the file goes, the page takes its name
    Keep,    // the file stays, the page is left out
    Stop,    // the file stays and nothing of this conversion is put in place (another writer got there first)
};

// What putting a JPG conversion's pages in place did.
struct PlacedPages {
    // The numbered files written, in row order.
    std::vector<std::string> files;
    // Chapters whose page was left out because a file of its name was kept.
    int kept = 0;
};

// Puts the page files of a JPG conversion (captured into a working folder, see PageFileName) under the numbered
// names of `chosen` (see JpgOutputName; a page's further parts after ContinuationFileName), in row order. Pages
// are captured aside and placed only at the end, so that the set of files under one name always comes from one
// conversion. `whenTaken(name)` decides for a name that is taken (keeping the first part of a page keeps out the
// whole page). A name that was free is never replaced: when a file appears there meanwhile, or `whenTaken` says
// Stop, the pages this call put under free names go again and it throws std::runtime_error naming the file.
// Page files are moved (copied only across file systems); those left out are removed.
PlacedPages PlaceJpgPages(const std::vector<std::string>& pages, const std::string& chosen,
                          const std::function<TakenName(const std::string& name)>& whenTaken);

} // namespace qm

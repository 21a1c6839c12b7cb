#pragma once

#include <string>
#include <vector>

namespace qm {

// Document rows [top, bottom).
struct RowSpan {
    int top = 0;
    int bottom = 0;
};

// The rows of a document `height` rows tall that make the page of a table row pointing to the anchor
// `fragment` in it ("" for the file itself), where the table's rows point to the anchors `fragments` of that
// file, which begin at the rows `tops` (-1 where the document lacks one): from the row's anchor down to the
// next anchor below it, or to the document's end; the file itself from its top. So rows into one file share
// it out without repeating any part. A row whose anchor is missing gets the whole document.
RowSpan ChapterSection(const std::string& fragment, const std::vector<std::string>& fragments,
                       const std::vector<int>& tops, int height);

} // namespace qm

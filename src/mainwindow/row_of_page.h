#pragma once

#include "book/table_of_contents.h"

#include <cstdint>
#include <string>

namespace qm {

// The row of `toc` whose chapter the page `file` (an absolute path) scrolled to `fragment` (decoded, empty for
// none) is, for a page the reader reached by a link or by going back. Rows lead to subTempDir + their path
// (escapes decoded), shown under that name or another of its ShownPaths. The current row is kept while it
// leads to the page and no other row has the page's very anchor (a book may list one file twice); else the first
// row with the page's anchor, else the first row of the whole file, else the first row into the file; -1 when
// no row leads there.
std::int32_t RowOfPage(const TableOfContents& toc, const std::string& subTempDir, const std::string& file,
                       const std::string& fragment);

} // namespace qm

#pragma once

#include <string>
#include <vector>

namespace qm::cli {

// `search BOOK.epub TEXT`: every place of the book's chapters where TEXT stands (without case or diacritics),
// in reading order, one line each: row, chapter title and the words around it, TAB-separated. 0 when
// something was found, 1 when nothing was, 2 when the book could not be opened (the reason on stderr).
int RunSearch(const std::vector<std::string>& args);

// `nav BOOK.epub`: the book's whole navigation, one entry per line in the book's order: level, title and
// path#fragment, TAB-separated. 0 on success; 1 with the error's text on stderr.
int RunNav(const std::vector<std::string>& args);

} // namespace qm::cli

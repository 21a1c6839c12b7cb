#pragma once

#include <string>
#include <vector>

namespace qm::cli {

// `toc BOOK.epub`: opens the book as the window's open command does, but in a private temporary folder that is
// removed afterwards, and prints the table of contents from its header row on, the three cells of each row
// joined by a TAB. 0 on success; 1 with the error's text on stderr.
int RunToc(const std::vector<std::string>& args);

} // namespace qm::cli

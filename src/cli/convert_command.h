#pragma once

#include <string>
#include <vector>

namespace qm::cli {

// convert BOOK.epub OUT.pdf|OUT.jpg [--replace|--no-replace] [--timeout SECONDS]: the window's Convert to PDF
// or Convert to JPG on a window that is never shown, in folders of this run alone. Progress goes to stderr.
// Exit 0 on success, 1 with the reason on any failure, 64 for a usage error.
int RunConvert(const std::vector<std::string>& args);

} // namespace qm::cli

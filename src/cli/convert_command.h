#pragma once

#include <string>
#include <vector>

namespace qm::cli {

// convert: one book to a PDF, a text PDF or numbered JPEG files, or several books into a folder. The engine's
// work runs in quillmark-render processes: one for a book, or several (--jobs) that share its chapters out,
// whose pages are then put together here. Exit 0 on success, 1 with the reason on any failure, 64 for a usage
// error.
int RunConvert(const std::vector<std::string>& args);

} // namespace qm::cli

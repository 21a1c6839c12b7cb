#pragma once

#include <string>
#include <vector>

namespace qm::render {

// Converts one book as `quillmark-cli convert` describes (ParseConvertOptions): the window's own Convert to
// PDF, to PDF (text) or to JPG on a window that is never shown, in folders of this run alone. With --rows or
// --pages it converts only a share of the book for a process that shares a conversion out, and tells it what
// happened on stdout. Exit 0 on success, 1 with the reason on any failure, 64 for a usage error.
int RunRender(const std::vector<std::string>& args);

} // namespace qm::render

#pragma once

#include <string>
#include <vector>

namespace qm::cli {

// `pdf OUT.pdf JPEG...`: writes the JPEG files as the pages of OUT.pdf and prints the result's name
// ("pdfDone", "pdfNoFiles", "pdfAborted"; after pdfAborted, its cause on standard error). Returns 0 for pdfDone,
// 1 for the other results, 2 with the error's text on standard error when the output cannot be created. Progress
// goes to standard error when that is a terminal.
int RunPdf(const std::vector<std::string>& args);

} // namespace qm::cli

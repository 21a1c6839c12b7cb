#include "support/pdf_pages.h"

#include "support/temp_dir.h"

#include <string>

namespace qm::test {

int CountPdfPages(const std::filesystem::path& pdf) {
    const std::string text = ReadFile(pdf);
    const std::string page = "/Type /Page\r\n";
    int pages = 0;
    for (std::size_t at = text.find(page); at != std::string::npos; at = text.find(page, at + page.size())) {
        ++pages;
    }
    return pages;
}

} // namespace qm::test

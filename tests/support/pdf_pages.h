#pragma once

#include <filesystem>

namespace qm::test {

// The number of page objects in a PDF document as this program writes them (one "/Type /Page" line each).
int CountPdfPages(const std::filesystem::path& pdf);

} // namespace qm::test

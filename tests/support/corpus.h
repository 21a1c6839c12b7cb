#pragma once

#include <filesystem>
#include <string>

namespace qm::test {

// Path of a file of the shared corpus ("epub/x.epub", "jpeg/y.jpg"). Tests that need it call
// QM_SKIP_WITHOUT_CORPUS first, so that they skip cleanly where the corpus is absent.
std::filesystem::path CorpusFile(const std::string& relative);
bool CorpusAvailable();

} // namespace qm::test

#define QM_SKIP_WITHOUT_CORPUS()                                                                                       \
    do {                                                                                                               \
        if (!::qm::test::CorpusAvailable())                                                                            \
            GTEST_SKIP() << "shared corpus not found";                                                                 \
    } while (false)

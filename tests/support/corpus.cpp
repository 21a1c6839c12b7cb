#include "support/corpus.h"

#include <cstdlib>

namespace qm::test {

namespace {
std::filesystem::path CorpusRoot() {
    if (const char* dir = std::getenv("QM_CORPUS_DIR"); dir != nullptr && *dir != '\0') {
        return dir;
    }
    return QM_CORPUS_DIR;
}
} // namespace

std::filesystem::path CorpusFile(const std::string& relative) {
    return CorpusRoot() / relative;
}

bool CorpusAvailable() {
    std::error_code ec;
    return std::filesystem::is_directory(CorpusRoot() / "epub", ec);
}

} // namespace qm::test

// Searching a whole book once it is open: building its text index (every chapter's text extracted and folded)
// and finding every match, on alice ("Hatter") and moby-dick ("whale"), median of RUNS; against, in the same
// run, `unzip -p BOOK | grep -o -i WORD | wc -l`, which reads the same archive's markup without tags, entities,
// diacritics or context.
//
//   bench_search [RUNS]
#include "book/open_book.h"
#include "search/book_text_index.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

struct Case {
    const char* book;
    const char* word;
};

} // namespace

int main(int argc, char** argv) {
    const std::string corpus = std::getenv("QM_CORPUS_DIR") ? std::getenv("QM_CORPUS_DIR") : QM_CORPUS_DIR;
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    const fs::path work = fs::temp_directory_path() / ("qm-bench-search-" + std::to_string(::getpid()));
    std::printf("%-28s %-7s %8s %10s %9s %9s %12s %7s\n", "book", "word", "matches", "index ms", "find ms", "total ms",
                "grep -i ms", "ratio");
    for (const Case& c : {Case{"epubjs-alice.epub", "Hatter"}, Case{"idpf-moby-dick.epub", "whale"}}) {
        const std::string book = corpus + "/epub/" + c.book;
        if (!fs::exists(book)) {
            std::fprintf(stderr, "no book at %s\n", book.c_str());
            return 2;
        }
        qm::ReaderState state;
        qm::TableOfContents toc;
        qm::BookDocuments documents;
        const qm::WorkingFolders folders{(work / "tempDir").string(), (work / "tempJPG").string()};
        qm::OpenBook(book, folders, state, toc, documents);
        std::vector<double> indexing;
        std::vector<double> finding;
        std::vector<double> reference;
        std::size_t matches = 0;
        for (int run = 0; run < runs; ++run) {
            const auto start = Clock::now();
            const qm::BookTextIndex index(qm::ChaptersToIndex(toc, state.subTempDir, folders.tempDir));
            indexing.push_back(Seconds(start));
            const auto find = Clock::now();
            matches = index.Find(c.word).size();
            finding.push_back(Seconds(find));

            const std::string command =
                "unzip -p '" + book + "' '*.*htm*' | grep -o -i '" + c.word + "' | wc -l > /dev/null";
            const auto grep = Clock::now();
            if (std::system(command.c_str()) != 0) {
                std::fprintf(stderr, "the reference failed: %s\n", command.c_str());
                return 2;
            }
            reference.push_back(Seconds(grep));
        }
        const double index = Median(indexing) * 1000;
        const double find = Median(finding) * 1000;
        const double grep = Median(reference) * 1000;
        std::printf("%-28s %-7s %8zu %10.1f %9.2f %9.1f %12.1f %7.2f\n", c.book, c.word, matches, index, find,
                    index + find, grep, (index + find) / grep);
    }
    fs::remove_all(work);
    return 0;
}

// Opening a book (extraction plus both document walks) against `unzip -o -q` of the same file, in the same run,
// and the peak memory of opening a book whose one chapter inflates to 1 GiB.
//
//   bench_open [BOOK.epub [REPETITIONS [BOMB.epub]]]
#include "book/open_book.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct ChildResult {
    double seconds = 0;
    long maxRssKiB = 0;
    int status = -1;
};

// Runs `work` in a forked child, so that its peak memory is measured on its own.
ChildResult RunInChild(const std::function<int()>& work) {
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        std::_Exit(work());
    }
    ChildResult result;
    rusage usage{};
    wait4(pid, &result.status, 0, &usage);
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    result.maxRssKiB = usage.ru_maxrss;
    return result;
}

int OpenInto(const std::string& book, const fs::path& folder) {
    qm::ReaderState state;
    qm::TableOfContents toc;
    qm::BookDocuments documents;
    try {
        qm::OpenBook(book, {(folder / "tempDir").string(), (folder / "tempJPG").string()}, state, toc, documents);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "open failed: %s\n", e.what());
        return 1;
    }
    return 0;
}

int Unzip(const std::string& book, const fs::path& folder) {
    fs::create_directories(folder);
    execlp("unzip", "unzip", "-o", "-q", book.c_str(), "-d", folder.c_str(), static_cast<char*>(nullptr));
    return 127;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const std::string corpus = std::getenv("QM_CORPUS_DIR") ? std::getenv("QM_CORPUS_DIR") : QM_CORPUS_DIR;
    const std::string book = argc > 1 ? argv[1] : corpus + "/epub/idpf-mahabharata.epub";
    const int repetitions = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    const std::string bomb = argc > 3 ? argv[3] : corpus + "/epub/made-zip-bomb-1GiB-chapter.epub";
    if (!fs::exists(book)) {
        std::fprintf(stderr, "no book at %s\n", book.c_str());
        return 2;
    }
    const fs::path scratch = fs::temp_directory_path() / ("quillmark-bench-" + std::to_string(getpid()));

    std::vector<double> quillmark;
    std::vector<double> unzip;
    for (int i = 0; i < repetitions; ++i) {
        fs::remove_all(scratch);
        const ChildResult u = RunInChild([&] { return Unzip(book, scratch / "unzip"); });
        const ChildResult q = RunInChild([&] { return OpenInto(book, scratch / "open"); });
        if (u.status != 0 || q.status != 0) {
            std::fprintf(stderr, "a run failed (unzip %d, open %d)\n", u.status, q.status);
            fs::remove_all(scratch);
            return 1;
        }
        unzip.push_back(u.seconds);
        quillmark.push_back(q.seconds);
    }
    const double q = Median(quillmark);
    const double u = Median(unzip);
    std::printf("book: %s (%.1f MB), median of %d runs\n", book.c_str(), static_cast<double>(fs::file_size(book)) / 1e6,
                repetitions);
    std::printf("  open (extract + walks): %8.1f ms\n", q * 1e3);
    std::printf("  unzip -o -q:            %8.1f ms\n", u * 1e3);
    std::printf("  speed ratio unzip/open: %8.2f (>= 1 means no slower than unzip)\n", u / q);

    if (fs::exists(bomb)) {
        fs::remove_all(scratch);
        const ChildResult small = RunInChild([&] { return OpenInto(book, scratch / "small"); });
        fs::remove_all(scratch);
        const ChildResult large = RunInChild([&] { return OpenInto(bomb, scratch / "bomb"); });
        std::printf("peak memory: %s %ld KiB; 1 GiB chapter book %ld KiB in %.2f s (exit %d)\n",
                    fs::path(book).filename().c_str(), small.maxRssKiB, large.maxRssKiB, large.seconds,
                    WEXITSTATUS(large.status));
    }
    fs::remove_all(scratch);
    return 0;
}

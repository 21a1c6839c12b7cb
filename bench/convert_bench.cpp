// `quillmark-cli convert` on a small, a medium and a many-chapter book, with one process and with one per core,
// next to `ebook-convert` (calibre) and `mutool convert` on the same books in the same run where those are
// installed.
//
//   bench_convert [--runs N] [BOOK.epub...]
//
// Prints per book: chapters, the median time of N runs (3 by default) with --jobs 1 and with the default jobs
// (one per core), time per chapter of the latter, the largest process's peak memory, the engine's floor for
// the same chapters with one process and with one per core (bench_engine_floor: the bare load, layout and
// drawing of each page with the same engine, nothing captured or encoded) and our time over it, the same floor
// with every chapter loaded in the reader's viewport first as the conversion does (one per core) and our time
// over that, and the other tools' times as ratios to ours (above 1: we are faster).
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Run {
    bool ok = false;
    double seconds = 0;
    long maxRssKiB = 0; // of the largest process of the run (the program or one of its children)
    std::string err;
};

// Runs `args` with stdout and stderr in files of `dir`; waits for it and its peak memory.
Run Execute(const std::vector<std::string>& args, const fs::path& dir) {
    const fs::path errPath = dir / "stderr.txt";
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = open((dir / "stdout.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    Run run;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.maxRssKiB = usage.ru_maxrss;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    std::ifstream err(errPath);
    std::ostringstream text;
    text << err.rdbuf();
    run.err = text.str();
    return run;
}

bool Installed(const std::string& tool) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');) {
        if (!folder.empty() && access((fs::path(folder) / tool).c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

// The N of the last "chapter n of N" progress line.
int Chapters(const std::string& err) {
    const std::size_t at = err.rfind(" of ");
    return at == std::string::npos ? 0 : std::atoi(err.c_str() + at + 4);
}

// The run of median time among `runs` runs of each command. The commands take turns, so that a machine
// that gets slower or faster meanwhile affects each of them alike; a failed run ends the series.
std::vector<Run> Medians(const std::vector<std::vector<std::string>>& commands, const fs::path& dir, int runs) {
    std::vector<std::vector<Run>> done(commands.size());
    for (int i = 0; i < runs; ++i) {
        for (std::size_t c = 0; c < commands.size(); ++c) {
            done[c].push_back(Execute(commands[c], dir));
            if (!done[c].back().ok) {
                std::vector<Run> failed(commands.size(), done[c].back());
                return failed;
            }
        }
    }
    std::vector<Run> medians;
    for (std::vector<Run>& series : done) {
        std::sort(series.begin(), series.end(), [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
        medians.push_back(series[series.size() / 2]);
    }
    return medians;
}

Run Median(const std::vector<std::string>& args, const fs::path& dir, int runs) {
    return Medians({args}, dir, runs).front();
}

} // namespace

int main(int argc, char** argv) {
    const std::string corpus = std::getenv("QM_CORPUS_DIR") ? std::getenv("QM_CORPUS_DIR") : QM_CORPUS_DIR;
    std::vector<std::string> books(argv + 1, argv + argc);
    int runs = 3;
    if (books.size() >= 2 && books[0] == "--runs") {
        runs = std::max(1, std::atoi(books[1].c_str()));
        books.erase(books.begin(), books.begin() + 2);
    }
    if (books.empty()) {
        for (const char* name : {"calibre-quick_start-eng.epub", "epubjs-alice.epub", "idpf-moby-dick.epub"}) {
            books.push_back(corpus + "/epub/" + name);
        }
    }
    const fs::path dir = fs::temp_directory_path() / ("quillmark-bench-convert-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const bool calibre = Installed("ebook-convert");
    const bool mutool = Installed("mutool");
    const std::string jobs = std::to_string(std::max(1u, std::thread::hardware_concurrency()));
    std::printf("%-30s %8s %8s %8s %10s %8s %9s %9s %10s %10s %11s %14s %8s\n", "book", "chapters", "jobs 1 s",
                "jobs s", "ms/chapter", "peak MiB", "floor 1 s", "floor s", "over floor", "reader s", "over reader",
                "ebook-convert", "mutool");
    int failures = 0;
    for (const std::string& book : books) {
        const std::string out = (dir / "out.pdf").string();
        fs::remove(out);
        const std::vector<Run> medians = Medians({{QM_CLI_PATH, "convert", book, out, "--replace", "--jobs", "1"},
                                                  {QM_CLI_PATH, "convert", book, out, "--replace"},
                                                  {QM_FLOOR_PATH, "--jobs", "1", book},
                                                  {QM_FLOOR_PATH, "--jobs", jobs, book},
                                                  {QM_FLOOR_PATH, "--jobs", jobs, "--reader-viewport", book}},
                                                 dir, runs);
        const Run& serial = medians[0];
        const Run& ours = medians[1];
        const Run& floorSerial = medians[2];
        const Run& floor = medians[3];
        const Run& readerFloor = medians[4];
        if (!serial.ok || !ours.ok || !floorSerial.ok || !floor.ok || !readerFloor.ok) {
            std::fprintf(stderr, "%s: a run failed:\n%s", book.c_str(), serial.err.c_str());
            ++failures;
            continue;
        }
        const int chapters = Chapters(ours.err);
        auto ratio = [&](bool installed, const std::vector<std::string>& args) {
            if (!installed) {
                return std::string("not installed");
            }
            fs::remove(out);
            const Run other = Median(args, dir, runs);
            char text[32];
            std::snprintf(text, sizeof text, other.ok ? "%.2fx" : "failed", other.seconds / ours.seconds);
            return std::string(text);
        };
        const std::string calibreRatio = ratio(calibre, {"ebook-convert", book, out});
        const std::string mutoolRatio = ratio(mutool, {"mutool", "convert", "-o", out, book});
        std::printf("%-30s %8d %8.2f %8.2f %10.0f %8.0f %9.2f %9.2f %9.2fx %10.2f %10.2fx %14s %8s\n",
                    fs::path(book).filename().c_str(), chapters, serial.seconds, ours.seconds,
                    chapters > 0 ? ours.seconds * 1000 / chapters : 0.0,
                    static_cast<double>(std::max(serial.maxRssKiB, ours.maxRssKiB)) / 1024.0, floorSerial.seconds,
                    floor.seconds, ours.seconds / floor.seconds, readerFloor.seconds,
                    ours.seconds / readerFloor.seconds, calibreRatio.c_str(), mutoolRatio.c_str());
    }
    fs::remove_all(dir);
    return failures == 0 ? 0 : 1;
}

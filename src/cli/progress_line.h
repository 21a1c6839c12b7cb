#pragma once

#include <chrono>
#include <string>

namespace qm::cli {

// The progress of a conversion on stderr. On a terminal it is one line that updates itself (chapter n of N,
// pages per second, time left); otherwise it is one "chapter n of N: title" line per chapter, which scripts
// read; with `quiet` it is nothing.
class ProgressLine {
public:
    ProgressLine(int total, bool quiet);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Chapter `done` (from 1) of the total is under way.
    void Chapter(int done, const std::string& title);
    // Ends an updating line, so that what follows starts on a line of its own.
    void Finish();

private:
    int total_;
    bool quiet_;
    bool terminal_;
    bool open_ = false;
    std::chrono::steady_clock::time_point start_;
};

} // namespace qm::cli

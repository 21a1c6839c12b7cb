#include "cli/progress_line.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace qm::cli {

ProgressLine::ProgressLine(int total, bool quiet)
    : total_(total), quiet_(quiet), terminal_(::isatty(STDERR_FILENO) == 1), start_(std::chrono::steady_clock::now()) {}

ProgressLine::~ProgressLine() {
    Finish();
}

void ProgressLine::Chapter(int done, const std::string& title) {
    if (quiet_) {
        return;
    }
    if (!terminal_) {
        std::cerr << "chapter " << done << " of " << total_ << ": " << title << "\n";
        return;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const int finished = done - 1;
    char line[160];
    if (finished > 0 && seconds > 0) {
        const double rate = finished / seconds;
        std::snprintf(line, sizeof line, "\rchapter %d of %d, %.1f pages/s, %.0f s left\033[K", done, total_, rate,
                      (total_ - finished) / rate);
    } else {
        std::snprintf(line, sizeof line, "\rchapter %d of %d\033[K", done, total_);
    }
    std::cerr << line << std::flush;
    open_ = true;
}

void ProgressLine::Finish() {
    if (open_) {
        std::cerr << "\n";
        open_ = false;
    }
}

} // namespace qm::cli

#pragma once

#include "support/temp_dir.h"

#include <filesystem>
#include <string>
#include <vector>

namespace qm::test {

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs quillmark-cli with `args`; its standard output and error go to files of `dir` named after `tag`, so
// neither is a terminal and runs at the same time keep theirs apart. A non-empty `tmpdir` becomes the
// program's TMPDIR.
CliResult RunCli(const TempDir& dir, const std::vector<std::string>& args, const std::string& tmpdir = "",
                 const std::string& tag = "cli");

// RunCli in two halves, for a test that acts while the program runs: the process id of the started program,
// and its result once it has ended. The program's stderr so far is in ErrorPath(dir, tag).
int StartCli(const TempDir& dir, const std::vector<std::string>& args, const std::string& tmpdir = "",
             const std::string& tag = "cli");
CliResult FinishCli(int pid, const TempDir& dir, const std::string& tag = "cli");
std::filesystem::path ErrorPath(const TempDir& dir, const std::string& tag = "cli");

} // namespace qm::test

#pragma once

#include <string>
#include <vector>

namespace qm::cli {

inline constexpr const char* kTocUsage =
    "toc BOOK.epub\n"
    "    Opens BOOK as the window's open command does, in a private temporary\n"
    "    folder that is removed afterwards, and prints the table of contents from\n"
    "    its header row on: number, title and chapter path, separated by TABs.";

// Runs `toc` with the arguments after the subcommand's name; returns the exit status.
int RunTocCommand(const std::vector<std::string>& args);

} // namespace qm::cli

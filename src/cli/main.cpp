// quillmark-cli: the core's operations for scripts and batch work, one subcommand each.
#include <array>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#ifdef QUILLMARK_CLI_CONVERT
#include "cli/convert_command.h"
#endif
#include "cli/pdf_command.h"
#include "cli/probe_command.h"
#include "cli/toc_command.h"

namespace {

// sysexits' EX_USAGE, so that a usage error is never confused with a subcommand's own exit codes.
constexpr int kUsageError = 64;

struct Subcommand {
    std::string_view name;
    std::string_view arguments;
    std::string_view summary;
    std::size_t minArgs;
    int (*run)(const std::vector<std::string>& args);
};

constexpr std::array kSubcommands{
    Subcommand{"toc", "BOOK.epub", "the table of contents of a book, one TAB-separated row per line", 1,
               qm::cli::RunToc},
    Subcommand{"probe", "FILE...", "width, height and colour model of each JPEG file", 1, qm::cli::RunProbe},
    Subcommand{"pdf", "OUT.pdf JPEG...", "a PDF document with one page per JPEG file", 1, qm::cli::RunPdf},
#ifdef QUILLMARK_CLI_CONVERT
    Subcommand{"convert", "BOOK.epub OUT.pdf|OUT.jpg [--replace|--no-replace] [--timeout S]",
               "the whole book as one PDF, or one numbered JPEG file per chapter", 2, qm::cli::RunConvert},
#endif
};

void PrintUsage(std::ostream& out) {
    out << "usage: quillmark-cli COMMAND [ARGS...]\n\ncommands:\n";
    for (const Subcommand& command : kSubcommands) {
        // A long argument list puts its summary on a line of its own.
        const std::string usage = std::string(command.name) + " " + std::string(command.arguments);
        const std::string gap = usage.size() < 24 ? std::string(24 - usage.size(), ' ') : "\n" + std::string(26, ' ');
        out << "  " << usage << gap << command.summary << '\n';
    }
    out << "  --help                  this list\n";
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (words.empty()) {
        PrintUsage(std::cerr);
        return kUsageError;
    }
    if (words.front() == "--help" || words.front() == "-h") {
        PrintUsage(std::cout);
        return 0;
    }
    for (const Subcommand& command : kSubcommands) {
        if (words.front() != command.name) {
            continue;
        }
        const std::vector<std::string> args(words.begin() + 1, words.end());
        if (args.size() < command.minArgs) {
            std::cerr << "usage: quillmark-cli " << command.name << ' ' << command.arguments << '\n';
            return kUsageError;
        }
        return command.run(args);
    }
    std::cerr << "quillmark-cli: unknown command \"" << words.front() << "\"\n";
    PrintUsage(std::cerr);
    return kUsageError;
}

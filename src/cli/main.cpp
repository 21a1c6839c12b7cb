// quillmark-cli: the core's operations for scripts and batch work, one subcommand each.
#include <algorithm>
#include <array>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/convert_command.h"
#include "cli/pdf_command.h"
#include "cli/probe_command.h"
#include "cli/search_command.h"
#include "cli/toc_command.h"

namespace {

// sysexits' EX_USAGE, so that a usage error is never confused with a subcommand's own exit codes.
constexpr int kUsageError = 64;

struct Subcommand {
    std::string_view name;
    std::string_view arguments;
    std::string_view summary;
    // What `quillmark-cli NAME --help` adds to the usage line: the output, the options, the exit status.
    std::string_view details;
    std::size_t minArgs;
    int (*run)(const std::vector<std::string>& args);
};

constexpr std::array kSubcommands{
    Subcommand{"toc", "BOOK.epub", "the table of contents of a book, one TAB-separated row per line",
               "Opens the book as the window does, in a private temporary folder that is removed afterwards, and\n"
               "prints its table of contents from the header row on: number, title and chapter file, TAB-separated.\n"
               "\n"
               "exit status: 0 success; 1 the book could not be opened (the reason on stderr); 64 usage error\n",
               1, qm::cli::RunToc},
    Subcommand{"nav", "BOOK.epub", "the book's whole navigation, one TAB-separated entry per line",
               "Opens the book as the window does and prints every entry of its navigation (its map's navigation\n"
               "points, or its navigation document's table of contents) in the book's order: level (0 at the\n"
               "top), title and path#fragment, TAB-separated.\n"
               "\n"
               "exit status: 0 success; 1 the book could not be opened (the reason on stderr); 64 usage error\n",
               1, qm::cli::RunNav},
    Subcommand{"search", "BOOK.epub TEXT", "every place in the book's chapters where TEXT stands",
               "Searches the text of every chapter, without case or diacritics, white space in TEXT matching any\n"
               "white space, and prints one line per match in reading order: the chapter's row, its title and\n"
               "the words around the match, TAB-separated.\n"
               "\n"
               "exit status: 0 something was found; 1 nothing was; 2 the book could not be opened (the reason\n"
               "on stderr); 64 usage error\n",
               2, qm::cli::RunSearch},
    Subcommand{"probe", "FILE...", "width, height and colour model of each JPEG file",
               "Prints one line per file: \"FILE TAB WIDTH TAB HEIGHT TAB RGB|CMYK\" for a file that makes a PDF\n"
               "page, \"FILE TAB refused TAB REASON\" for one that does not.\n"
               "\n"
               "exit status: 0 every file accepted; 1 at least one refused; 64 usage error\n",
               1, qm::cli::RunProbe},
    Subcommand{"pdf", "OUT.pdf JPEG...", "a PDF document with one page per JPEG file",
               "Writes the JPEG files unchanged as the pages of OUT.pdf, one page per file at the picture's size,\n"
               "and prints the result: pdfDone, pdfNoFiles (none given, or one missing or refused) or pdfAborted.\n"
               "OUT.pdf takes its name only when complete. Progress goes to stderr when that is a terminal.\n"
               "\n"
               "exit status: 0 pdfDone; 1 pdfNoFiles or pdfAborted; 2 OUT.pdf cannot be created (the reason on\n"
               "stderr); 64 usage error\n",
               1, qm::cli::RunPdf},
    Subcommand{"convert", "BOOK.epub OUT.pdf|OUT.jpg [OPTIONS]",
               "the whole book as one PDF, or one numbered JPEG file per chapter",
               "Runs the window's Convert to PDF, to PDF (text) or to JPG on a window that is never shown, in\n"
               "folders of its own. OUT.jpg gives OUT1.jpg, OUT2.jpg, ... With --output-dir DIR each BOOK goes to\n"
               "DIR/BOOK.pdf (or DIR/BOOK.jpg pages with --jpg). Progress goes to stderr: one updating line on a\n"
               "terminal, else one \"chapter n of N: title\" line per chapter.\n"
               "\n"
               "options:\n"
               "  --replace         overwrite existing output files\n"
               "  --no-replace      keep existing output files (the default)\n"
               "  --timeout S       wait at most S seconds for a chapter (default 60)\n"
               "  --width PX        lay pages out PX pixels wide (default 800)\n"
               "  --height PX       the view's height in pixels, the least height of a page (default 600)\n"
               "  --scale F         draw pages F times sharper, 1 to 4 (default 1); a PDF page keeps its size\n"
               "  --quality Q       the page pictures' JPEG quality, 1 to 100 (default 100)\n"
               "  --scripts         run the book's own scripts (off by default)\n"
               "  --text            a PDF of text, printed by the engine, with bookmarks\n"
               "  --paper P         the text PDF's paper: A4 (default), Letter or chapter\n"
               "  --jobs N          convert with N processes at once (default: the number of cores)\n"
               "  --output-dir DIR  convert every BOOK given into DIR\n"
               "  --jpg             with --output-dir: numbered JPEG files instead of a PDF\n"
               "  --quiet           no progress\n"
               "\n"
               "exit status: 0 success; 1 failure (the reason on stderr); 64 usage error\n"
               "(with --output-dir the status is 1 when any book failed)\n",
               2, qm::cli::RunConvert},
};

void PrintUsage(std::ostream& out) {
    out << "usage: quillmark-cli COMMAND [ARGS...]\n\ncommands:\n";
    for (const Subcommand& command : kSubcommands) {
        // A long argument list puts its summary on a line of its own.
        const std::string usage = std::string(command.name) + " " + std::string(command.arguments);
        const std::string gap = usage.size() < 24 ? std::string(24 - usage.size(), ' ') : "\n" + std::string(26, ' ');
        out << "  " << usage << gap << command.summary << '\n';
    }
    out << "  --help                  this list; COMMAND --help describes one command\n";
    out << "  --version               the program's version\n";
}

bool IsHelp(const std::string& word) {
    return word == "--help" || word == "-h";
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (words.empty()) {
        PrintUsage(std::cerr);
        return kUsageError;
    }
    if (IsHelp(words.front())) {
        PrintUsage(std::cout);
        return 0;
    }
    if (words.front() == "--version") {
        std::cout << "quillmark-cli " << QUILLMARK_VERSION << '\n';
        return 0;
    }
    for (const Subcommand& command : kSubcommands) {
        if (words.front() != command.name) {
            continue;
        }
        const std::vector<std::string> args(words.begin() + 1, words.end());
        if (std::any_of(args.begin(), args.end(), IsHelp)) {
            std::cout << "usage: quillmark-cli " << command.name << ' ' << command.arguments << "\n\n"
                      << command.details;
            return 0;
        }
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

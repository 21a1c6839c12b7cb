#include "cli/convert_command.h"

#include "book/book_metadata.h"
#include "book/file_search.h"
#include "book/open_book.h"
#include "cli/convert_options.h"
#include "cli/private_folders.h"
#include "cli/progress_line.h"
#include "cli/render_process.h"
#include "convert/conversion_lines.h"
#include "convert/conversion_output.h"
#include "convert/output_check.h"
#include "convert/output_names.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <thread>

namespace qm::cli {

namespace {

namespace fs = std::filesystem;

// A book opened here, without the engine: its rows, its files and its metadata.
struct OpenedBook {
    PrivateFolders folders;
    ReaderState state;
    TableOfContents toc;
    BookDocuments documents;
};

// The rows of each share, round the shares in turn. A text PDF prints each file once, so its rows go by file.
std::vector<std::vector<std::int32_t>> Shares(const TableOfContents& toc, ConversionKind kind, int count) {
    const std::vector<std::int32_t> rows = toc.ChapterRows();
    std::vector<std::vector<std::int32_t>> shares(static_cast<std::size_t>(count));
    std::map<std::string, std::size_t> shareOfFile;
    std::size_t next = 0;
    for (const std::int32_t row : rows) {
        std::size_t share = next;
        if (kind == ConversionKind::TextPdf) {
            const auto [place, fresh] = shareOfFile.emplace(toc.Row(row).link.file, next);
            share = place->second;
            next = fresh ? (next + 1) % shares.size() : next;
        } else {
            next = (next + 1) % shares.size();
        }
        shares[share].push_back(row);
    }
    std::erase_if(shares, [](const std::vector<std::int32_t>& share) { return share.empty(); });
    return shares;
}

// Runs the shares of one book side by side and gathers what they did into `result`.
void RunShares(const ConvertOptions& options, const std::string& program, const std::string& book,
               const OpenedBook& opened, const std::vector<std::vector<std::int32_t>>& shares,
               const std::string& pageFolder, ConversionResult& result) {
    std::vector<std::unique_ptr<RenderProcess>> processes;
    for (const std::vector<std::int32_t>& rows : shares) {
        ConvertOptions share = options;
        share.rows = rows;
        share.quiet = true;
        share.pageFolder = pageFolder;
        processes.push_back(std::make_unique<RenderProcess>(program, ConvertArguments(share, book, result.output)));
    }
    // The shares tell of each chapter they start: each row, or each file of a text PDF.
    std::map<std::string, bool> files;
    int chapters = 0;
    for (const auto& rows : shares) {
        for (const std::int32_t row : rows) {
            chapters +=
                options.kind != ConversionKind::TextPdf || files.emplace(opened.toc.Row(row).link.file, true).second;
        }
    }
    ProgressLine progress(chapters, options.quiet);
    int started = 0;
    std::vector<int> statuses(processes.size(), 0);
    for (std::size_t open = processes.size(); open > 0;) {
        std::vector<pollfd> waiting;
        for (const auto& process : processes) {
            waiting.push_back({process->Output(), POLLIN, 0});
        }
        if (::poll(waiting.data(), waiting.size(), -1) < 0 && errno != EINTR) {
            throw std::runtime_error(std::string("Cannot follow the conversion: ") + std::strerror(errno));
        }
        for (std::size_t n = 0; n < processes.size(); ++n) {
            if (waiting[n].fd < 0 || waiting[n].revents == 0) {
                continue;
            }
            std::vector<std::string> lines;
            const bool more = processes[n]->Read(lines);
            for (const std::string& line : lines) {
                if (const std::optional<StartedChapter> chapter = ReadConversionLine(line, opened.toc, result)) {
                    progress.Chapter(std::min(++started, chapters), chapter->title);
                }
            }
            if (!more) {
                statuses[n] = processes[n]->Wait();
                --open;
            }
        }
    }
    progress.Finish();
    for (const int status : statuses) {
        if (status != 0 && result.error.empty() && !Interrupted()) {
            result.error = "a conversion process ended with status " + std::to_string(status);
        }
    }
    std::sort(result.missing.begin(), result.missing.end(),
              [](const MissingChapter& a, const MissingChapter& b) { return a.row < b.row; });
    std::sort(result.written.begin(), result.written.end(),
              [](const std::string& a, const std::string& b) { return PageFileOrder(a) < PageFileOrder(b); });
}

// The document of a shared conversion, from the pages its shares wrote (as one process makes it).
void PutTogether(const ConvertOptions& options, const OpenedBook& opened, ConversionResult& result) {
    if (!result.error.empty()) {
        return;
    }
    result.scale = options.scale;
    OutputHooks hooks;
    // Names were checked free before the first chapter; without --replace a file there now came meanwhile.
    hooks.whenTaken = [&options](const std::string&) { return options.replace ? TakenName::Replace : TakenName::Stop; };
    try {
        MakeOutput(result, opened.toc, ReadBookMetadata(opened.documents.XMLDocument2), hooks);
    } catch (const std::runtime_error& error) {
        result.error = error.what();
    }
}

// One book shared among `jobs` processes.
int ConvertShared(const ConvertOptions& options, const std::string& program, int jobs) {
    const std::string book = fs::absolute(options.books.front()).string();
    const std::string out = fs::absolute(options.out).string();
    std::error_code ec;
    if (!fs::is_regular_file(book, ec)) {
        std::cerr << "quillmark-cli convert: \"" << book << "\" is not a file\n";
        return 1;
    }
    auto opened = std::make_unique<OpenedBook>();
    try {
        OpenBook(book, opened->folders.working(), opened->state, opened->toc, opened->documents);
    } catch (const std::exception& error) {
        std::cerr << "quillmark-cli convert: " << OneLine(error.what()) << "\n";
        return 1;
    }
    if (const std::string refusal = OutputRefusal(options.kind, book, out, options.replace, opened->toc.ChapterRows());
        !refusal.empty()) {
        std::cerr << "quillmark-cli convert: " << refusal << "\n";
        return 1;
    }
    const std::vector<std::vector<std::int32_t>> shares = Shares(opened->toc, options.kind, jobs);
    if (shares.size() < 2) {
        return RunRenderProcess(program, ConvertArguments(options, book, out));
    }
    const std::string pageFolder = opened->folders.root() + "/pages";
    fs::create_directories(pageFolder);
    ConversionResult result;
    result.kind = options.kind;
    result.started = true;
    result.output = out;
    PassInterruptsOn();
    RunShares(options, program, book, *opened, shares, pageFolder, result);
    if (Interrupted()) {
        std::cerr << "quillmark-cli convert: interrupted; nothing was written\n";
        return 1;
    }
    PutTogether(options, *opened, result);
    return ReportConversionResult(result);
}

// Several books into one folder, up to `jobs` at once, each in a process of its own; a summary at the end.
int ConvertBooks(const ConvertOptions& options, const std::string& program, int jobs) {
    std::error_code ec;
    const fs::path folder = fs::absolute(options.outputDir);
    if (!fs::is_directory(folder, ec) || ::access(folder.c_str(), W_OK | X_OK) != 0) {
        std::cerr << "quillmark-cli convert: \"" << options.outputDir << "\" is not a folder that can be written\n";
        return 1;
    }
    const auto started = std::chrono::steady_clock::now();
    PassInterruptsOn();
    struct Running {
        std::string book;
        std::unique_ptr<RenderProcess> process;
        int pages = 0;
    };
    std::vector<Running> running;
    int failures = 0;
    int pages = 0;
    std::size_t next = 0;
    auto finish = [&](Running& done) {
        const int status = done.process->Wait();
        pages += done.pages;
        if (status != 0) {
            ++failures;
            std::cerr << "quillmark-cli convert: " << done.book << ": failed\n";
        } else if (!options.quiet) {
            std::cerr << "quillmark-cli convert: " << done.book << ": " << done.pages << " pages\n";
        }
    };
    while ((next < options.books.size() || !running.empty()) && !Interrupted()) {
        while (running.size() < static_cast<std::size_t>(jobs) && next < options.books.size()) {
            const std::string& book = options.books[next++];
            const std::string name = FileNameWithoutExt(book).empty() ? "book" : FileNameWithoutExt(book);
            const std::string out =
                (folder / (name + (options.kind == ConversionKind::Jpg ? ".jpg" : ".pdf"))).string();
            ConvertOptions single = options;
            single.quiet = true;
            single.jobs = 1;
            std::vector<std::string> args = ConvertArguments(single, fs::absolute(book).string(), out);
            args.push_back("--tell");
            running.push_back({book, std::make_unique<RenderProcess>(program, args)});
        }
        std::vector<pollfd> waiting;
        for (const Running& entry : running) {
            waiting.push_back({entry.process->Output(), POLLIN, 0});
        }
        if (::poll(waiting.data(), waiting.size(), -1) < 0 && errno != EINTR) {
            break;
        }
        for (std::size_t n = 0; n < running.size();) {
            std::vector<std::string> lines;
            const bool more = waiting[n].revents == 0 || running[n].process->Read(lines);
            for (const std::string& line : lines) {
                running[n].pages += line.starts_with("written\t") ? 1 : 0;
            }
            if (!more) {
                finish(running[n]);
                running.erase(running.begin() + static_cast<std::ptrdiff_t>(n));
                waiting.erase(waiting.begin() + static_cast<std::ptrdiff_t>(n));
                continue;
            }
            ++n;
        }
    }
    if (Interrupted()) {
        std::cerr << "quillmark-cli convert: interrupted\n";
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cerr << "quillmark-cli convert: " << options.books.size() << " books, " << pages << " pages, " << failures
              << (failures == 1 ? " failure, " : " failures, ") << static_cast<int>(seconds + 0.5) << " s\n";
    return failures == 0 ? 0 : 1;
}

} // namespace

int RunConvert(const std::vector<std::string>& args) {
    const std::optional<ConvertOptions> options = ParseConvertOptions(args);
    if (!options || !options->rows.empty() || !options->pageFolder.empty()) {
        std::cerr << kConvertUsage;
        return kUsageError;
    }
    const std::string program = RenderProgram();
    if (program.empty()) {
        std::cerr << "quillmark-cli convert: the conversion program quillmark-render is not installed\n";
        return 1;
    }
    const int jobs =
        options->jobs > 0 ? options->jobs : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    try {
        if (!options->outputDir.empty()) {
            return ConvertBooks(*options, program, jobs);
        }
        if (jobs == 1) {
            return RunRenderProcess(program, args);
        }
        return ConvertShared(*options, program, jobs);
    } catch (const std::exception& error) {
        std::cerr << "quillmark-cli convert: " << error.what() << "\n";
        return 1;
    }
}

} // namespace qm::cli

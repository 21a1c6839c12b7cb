#include "cli/convert_command.h"

#include "cli/private_folders.h"
#include "mainwindow/Unit1.h"
#include "platform/dialogs.h"
#include "platform/shell.h"
#include "platform/termination_signals.h"

#include <QApplication>

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>

namespace qm::cli {

namespace {

constexpr int kUsageError = 64;
constexpr const char* kUsage =
    "usage: quillmark-cli convert BOOK.epub OUT.pdf|OUT.jpg [--replace|--no-replace] [--timeout SECONDS]\n";

struct ConvertOptions {
    std::string book;
    std::string out;
    bool pdf = true;
    bool replace = false;
    int timeoutSeconds = 60;
};

bool EndsWithIgnoringCase(const std::string& text, const std::string& lowerEnd) {
    if (text.size() < lowerEnd.size()) {
        return false;
    }
    for (std::size_t i = 0; i < lowerEnd.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[text.size() - lowerEnd.size() + i])) != lowerEnd[i]) {
            return false;
        }
    }
    return true;
}

std::optional<ConvertOptions> ParseOptions(const std::vector<std::string>& args) {
    ConvertOptions options;
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--replace" || word == "--no-replace") {
            options.replace = word == "--replace";
        } else if (word == "--timeout") {
            const std::string value = i + 1 < args.size() ? args[++i] : "";
            const auto parsed = std::from_chars(value.data(), value.data() + value.size(), options.timeoutSeconds);
            if (parsed.ec != std::errc() || parsed.ptr != value.data() + value.size() || options.timeoutSeconds < 1) {
                std::cerr << "quillmark-cli convert: --timeout takes a whole number of seconds, not \"" << value
                          << "\"\n";
                return std::nullopt;
            }
        } else if (word.size() > 1 && word[0] == '-') {
            std::cerr << "quillmark-cli convert: unknown option \"" << word << "\"\n";
            return std::nullopt;
        } else {
            paths.push_back(word);
        }
    }
    if (paths.size() != 2) {
        return std::nullopt;
    }
    options.book = paths[0];
    options.out = paths[1];
    if (EndsWithIgnoringCase(options.out, ".pdf")) {
        options.pdf = true;
    } else if (EndsWithIgnoringCase(options.out, ".jpg") || EndsWithIgnoringCase(options.out, ".jpeg")) {
        options.pdf = false;
    } else {
        std::cerr << "quillmark-cli convert: the output must end in .pdf, .jpg or .jpeg: \"" << options.out << "\"\n";
        return std::nullopt;
    }
    return options;
}

// A message as one line: the window's texts start with a line break.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\r') {
            c = '\n';
        }
    }
    const std::size_t start = text.find_first_not_of('\n');
    return start == std::string::npos ? std::string() : text.substr(start);
}

// The dialogs answered from the command line: the save dialog gives the output file, the replace question
// the --replace choice; every message is kept for the exit status.
class CommandLineDialogs final : public Dialogs {
public:
    CommandLineDialogs(std::string out, bool replace) : out_(std::move(out)), replace_(replace) {}

    std::optional<std::string> AskOpenFileName(const FileFilter&, const std::string&) override { return std::nullopt; }
    std::optional<std::string> AskSaveFileName(const FileFilter&, const std::string&, const std::string&) override {
        std::error_code error;
        if (!replace_ && std::filesystem::exists(out_, error)) {
            refusedOutput = true;
            return std::nullopt;
        }
        return out_;
    }
    void ShowMessage(MessageKind kind, const std::string& caption, const std::string& text) override {
        if (caption == "Congratulation") {
            succeeded = true;
            return;
        }
        failed = failed || kind != MessageKind::Plain;
        std::cerr << "quillmark-cli convert: " << OneLine(text) << "\n";
    }
    ReplaceAnswer AskReplace(const std::string&) override {
        keptFiles += replace_ ? 0 : 1;
        return replace_ ? ReplaceAnswer::Yes : ReplaceAnswer::No;
    }

    bool refusedOutput = false;
    bool succeeded = false;
    bool failed = false;
    int keptFiles = 0;

private:
    std::string out_;
    bool replace_;
};

// Folders are opened in no file manager and pages in no browser.
class NoShell final : public Shell {
public:
    void OpenFolder(const std::string&) override {}
    void OpenPage(const std::string&) override {}
};

// The browser runs offscreen with software rendering, in runtime folders of this run; as root Chromium only
// starts without its sandbox.
void PrepareOffscreenEnvironment(const std::string& root) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QT_QUICK_BACKEND", "software", 1);
    if (geteuid() == 0) {
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
    }
    const std::string runtime = root + "/runtime";
    if (mkdir(runtime.c_str(), 0700) == 0) {
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    // The window keeps its working folders below the data folder, and the browser its caches and settings
    // below the others: all in the private folder, which goes when the run ends.
    for (const char* name : {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"}) {
        setenv(name, root.c_str(), 1);
    }
}

// Qt's and the browser's notes on the offscreen platform (no window masks, no GPU, no sandbox) say nothing
// about the book; stderr keeps the progress and the errors that do.
void KeepOnlySeriousQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::cerr << message.toStdString() << "\n";
    }
}

} // namespace

int RunConvert(const std::vector<std::string>& args) {
    const std::optional<ConvertOptions> options = ParseOptions(args);
    if (!options) {
        std::cerr << kUsage;
        return kUsageError;
    }
    std::error_code error;
    const std::string book = std::filesystem::absolute(options->book, error).string();
    const std::string out = std::filesystem::absolute(options->out, error).string();
    if (!std::filesystem::is_regular_file(book, error)) {
        std::cerr << "quillmark-cli convert: \"" << options->book << "\" is not a file\n";
        return 1;
    }
    if (options->pdf && !options->replace && std::filesystem::exists(out, error)) {
        std::cerr << "quillmark-cli convert: \"" << options->out << "\" exists; --replace overwrites it\n";
        return 1;
    }
    try {
        const PrivateFolders folders;
        PrepareOffscreenEnvironment(folders.root());
        int argc = 1;
        char name[] = "quillmark-cli";
        char* argv[] = {name, nullptr};
        qInstallMessageHandler(KeepOnlySeriousQtMessages);
        QApplication application(argc, argv);

        CommandLineDialogs dialogs(out, options->replace);
        NoShell shell;
        TForm1 form(dialogs, shell);
        // An interrupt cancels the conversion, which then removes what it wrote.
        bool interrupted = false;
        OnTerminationSignals([&] {
            interrupted = true;
            form.Converter().Cancel(true);
        });
        form.setAttribute(Qt::WA_DontShowOnScreen);
        form.show();
        form.RunHandler([&] { form.OpenBookFile(book); });
        if (dialogs.failed) {
            return 1;
        }
        QCoreApplication::processEvents();
        if (interrupted) {
            std::cerr << "quillmark-cli convert: interrupted\n";
            return 1;
        }
        BookConverter& converter = form.Converter();
        converter.chapterTimeout = std::chrono::seconds(options->timeoutSeconds);
        converter.onChapter = [](const ChapterStep& step) {
            std::cerr << "chapter " << step.number << " of " << step.count << ": " << step.title << "\n";
        };
        form.RunHandler([&] { options->pdf ? form.ConverttoPDF1Click() : form.ConverttoJPG1Click(); });
        if (interrupted) {
            std::cerr << "quillmark-cli convert: interrupted; nothing was written\n";
            return 1;
        }
        if (dialogs.refusedOutput) {
            std::cerr << "quillmark-cli convert: \"" << options->out << "\" exists; --replace overwrites it\n";
            return 1;
        }
        if (dialogs.keptFiles > 0) {
            std::cerr << "quillmark-cli convert: kept " << dialogs.keptFiles
                      << " existing file(s) instead of their chapters; --replace overwrites them\n";
            return 1;
        }
        return dialogs.failed || (options->pdf && !dialogs.succeeded) ? 1 : 0;
    } catch (const std::exception& e) {
        std::cerr << "quillmark-cli convert: " << e.what() << "\n";
        return 1;
    }
}

} // namespace qm::cli

#include "cli/convert_command.h"

#include "cli/private_folders.h"
#include "jpeg2pdf2/jpeg2pdf2.h"
#include "mainwindow/Unit1.h"
#include "platform/dialogs.h"
#include "platform/qt_log.h"
#include "platform/shell.h"
#include "platform/termination_signals.h"
#include "platform/web_engine_browser.h"

#include <QApplication>

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string_view>

namespace qm::cli {

namespace {

constexpr int kUsageError = 64;
constexpr const char* kUsage =
    "usage: quillmark-cli convert BOOK.epub OUT.pdf|OUT.jpg [--replace|--no-replace] [--timeout SECONDS]\n"
    "                             [--width PX] [--height PX] [--scripts] [--text [--paper A4|Letter|chapter]]\n";

// Pages are laid out 800 pixels wide, a width that reads well on a screen and on paper, in a viewport 600
// pixels high (the least height of a page).
constexpr int kDefaultWidth = 800;
constexpr int kDefaultHeight = 600;

struct ConvertOptions {
    std::string book;
    std::string out;
    bool pdf = true;
    bool text = false;
    PaperKind paper = PaperKind::A4;
    bool replace = false;
    bool scripts = false;
    int timeoutSeconds = 60;
    int width = kDefaultWidth;
    int height = kDefaultHeight;
};

// Reads the whole number after an option into `value`; false (with a message) when it is missing, not a
// number or outside [least, most].
bool ReadNumber(const std::vector<std::string>& args, std::size_t& i, int least, int most, int& value) {
    const std::string& option = args[i];
    const std::string text = i + 1 < args.size() ? args[++i] : "";
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), value);
    if (parsed.ec != std::errc() || parsed.ptr != text.data() + text.size() || value < least || value > most) {
        std::cerr << "quillmark-cli convert: " << option << " takes a whole number from " << least << " to " << most
                  << ", not \"" << text << "\"\n";
        return false;
    }
    return true;
}

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
        } else if (word == "--scripts") {
            options.scripts = true;
        } else if (word == "--text") {
            options.text = true;
        } else if (word == "--paper") {
            const std::string name = i + 1 < args.size() ? args[++i] : "";
            if (name == "A4" || name == "a4") {
                options.paper = PaperKind::A4;
            } else if (name == "Letter" || name == "letter") {
                options.paper = PaperKind::Letter;
            } else if (name == "chapter") {
                options.paper = PaperKind::Chapter;
            } else {
                std::cerr << "quillmark-cli convert: --paper takes A4, Letter or chapter, not \"" << name << "\"\n";
                return std::nullopt;
            }
        } else if (word == "--timeout") {
            if (!ReadNumber(args, i, 1, 24 * 3600, options.timeoutSeconds)) {
                return std::nullopt;
            }
        } else if (word == "--width") {
            if (!ReadNumber(args, i, 100, 16384, options.width)) {
                return std::nullopt;
            }
        } else if (word == "--height") {
            if (!ReadNumber(args, i, 100, 16384, options.height)) {
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
    if (options.text && !options.pdf) {
        std::cerr << "quillmark-cli convert: --text makes a PDF; the output must end in .pdf\n";
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
// the --replace choice; a message (an opening that failed) is printed.
class CommandLineDialogs final : public Dialogs {
public:
    CommandLineDialogs(std::string out, bool replace) : out_(std::move(out)), replace_(replace) {}

    std::optional<std::string> AskOpenFileName(const FileFilter&, const std::string&) override { return std::nullopt; }
    std::optional<std::string> AskSaveFileName(const FileFilter&, const std::string&, const std::string&) override {
        return out_;
    }
    void ShowMessage(MessageKind kind, const std::string&, const std::string& text) override {
        failed = failed || kind != MessageKind::Plain;
        std::cerr << "quillmark-cli convert: " << OneLine(text) << "\n";
    }
    ReplaceAnswer AskReplace(const std::string&) override { return replace_ ? ReplaceAnswer::Yes : ReplaceAnswer::No; }

    bool failed = false;

private:
    std::string out_;
    bool replace_;
};

// What the conversion did, on stderr; the exit status.
int Report(const ConversionResult& result, const ConvertOptions& options) {
    auto say = [](const std::string& text) { std::cerr << "quillmark-cli convert: " << OneLine(text) << "\n"; };
    if (!result.error.empty()) {
        say(result.error);
    }
    for (const MissingChapter& chapter : result.missing) {
        say("chapter \"" + chapter.title + "\" (row " + std::to_string(chapter.row) +
            ") has no page: " + chapter.reason);
    }
    if (result.pdfResult == pdfNoFiles) {
        say("No files existing!");
    } else if (result.pdfResult == pdfAborted) {
        say("Aborted!" + (result.pdfCause.empty() ? std::string() : " " + result.pdfCause));
    }
    if (result.kept > 0) {
        say("kept " + std::to_string(result.kept) +
            " existing file(s) instead of their chapters; --replace overwrites them");
    }
    if (result.Complete() && result.kept == 0) {
        std::cerr << "quillmark-cli convert: wrote " << options.out << "\n";
        return 0;
    }
    return 1;
}

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
// about the book; stderr keeps the progress, the errors that do, and the program's own diagnostics when they
// are turned on (QT_LOGGING_RULES="quillmark.*=true").
void KeepOnlySeriousQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const bool ours = context.category != nullptr && std::string_view(context.category).starts_with("quillmark.");
    if (ours || type == QtCriticalMsg || type == QtFatalMsg) {
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
        InstallCoreLogListener();
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
        form.WebBrowser1->SetBookScriptsAllowed(options->scripts);
        form.WebBrowser1->SetResponseLimit(std::chrono::seconds(options->timeoutSeconds));
        form.WebBrowser1->SetLoadLimit(std::chrono::seconds(options->timeoutSeconds));
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
        converter.options.pageWidth = options->width;
        converter.options.viewportHeight = options->height;
        converter.options.chapterTimeout = std::chrono::seconds(options->timeoutSeconds);
        converter.options.responseLimit = std::chrono::seconds(options->timeoutSeconds);
        converter.onChapter = [](const ChapterStep& step) {
            std::cerr << "chapter " << step.number << " of " << step.count << ": " << step.title << "\n";
        };
        converter.options.paper = options->paper;
        converter.metadata = [&form] { return ReadBookMetadata(form.documents.XMLDocument2); };
        const ConversionResult result = options->text  ? converter.ConverttoTextPDF1Click()
                                        : options->pdf ? converter.ConverttoPDF1Click()
                                                       : converter.ConverttoJPG1Click();
        if (interrupted || result.cancelled) {
            std::cerr << "quillmark-cli convert: interrupted; nothing was written\n";
            return 1;
        }
        return Report(result, *options);
    } catch (const std::exception& e) {
        std::cerr << "quillmark-cli convert: " << e.what() << "\n";
        return 1;
    }
}

} // namespace qm::cli

#include "render/render_command.h"

#include "cli/convert_options.h"
#include "cli/private_folders.h"
#include "cli/progress_line.h"
#include "convert/conversion_lines.h"
#include "convert/conversion_window.h"
#include "platform/qt/offscreen_environment.h"
#include "platform/qt/qt_event_pump.h"
#include "platform/qt/qt_log.h"
#include "platform/qt/termination_signals.h"
#include "platform/qt/web_engine_browser.h"
#include "platform/ui/dialogs.h"
#include "session/reading_session.h"

#include <QApplication>

#include <filesystem>
#include <iostream>
#include <optional>
#include <string_view>

namespace qm::render {

namespace {

using cli::ConvertOptions;
using cli::OneLine;

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
    EndAnswer ShowConversionEnd(MessageKind kind, const std::string& caption, const std::string& text, bool) override {
        ShowMessage(kind, caption, text);
        return EndAnswer::Close;
    }

    bool failed = false;

private:
    std::string out_;
    bool replace_;
};

// There is no window to show the conversion's progress in: the command line shows its own.
class NoConversionWindow final : public ConversionWindow {
public:
    void ShowBrowser() override {}
    void Maximise() override {}
    void ShowProgress(int) override {}
    void SetProgress(int) override {}
    void HideProgress() override {}
    void LockInput(bool) override {}
};

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

int RunRender(const std::vector<std::string>& args) {
    const std::optional<ConvertOptions> options = cli::ParseConvertOptions(args);
    if (!options || options->books.size() != 1 || !options->outputDir.empty()) {
        std::cerr << cli::kConvertUsage;
        return cli::kUsageError;
    }
    const bool share = !options->pageFolder.empty() || !options->rows.empty();
    std::error_code error;
    const std::string book = std::filesystem::absolute(options->books.front(), error).string();
    const std::string out = std::filesystem::absolute(options->out, error).string();
    if (!std::filesystem::is_regular_file(book, error)) {
        std::cerr << "quillmark-cli convert: \"" << options->books.front() << "\" is not a file\n";
        return 1;
    }
    try {
        const cli::PrivateFolders folders;
        PrepareOffscreenEnvironment(folders.root(), options->scale);
        int argc = 1;
        char name[] = "quillmark-render";
        char* argv[] = {name, nullptr};
        qInstallMessageHandler(KeepOnlySeriousQtMessages);
        InstallCoreLogListener();
        QApplication application(argc, argv);

        // A share writes its page files into the sharer's folder; its save dialog answers a name there.
        CommandLineDialogs dialogs(share ? options->pageFolder + "/share" : out, options->replace);
        NoConversionWindow window;
        QtEventPump pump;
        // The page view is a window of its own that is never shown on a screen (a hidden view draws nothing).
        WebEngineBrowser browser(nullptr);
        browser.setAttribute(Qt::WA_DontShowOnScreen);
        browser.SetExternalLinkHandler([](const std::string&) {});
        browser.SetBookScriptsAllowed(options->scripts);
        browser.SetScrollBarsShown(false);
        browser.SetResponseLimit(std::chrono::seconds(options->timeoutSeconds));
        browser.SetLoadLimit(std::chrono::seconds(options->timeoutSeconds));
        browser.show();
        ReadingSession session(
            {browser, dialogs, window, pump}, [&book] { return book; }, [](const std::string&) {});
        // An interrupt cancels the conversion, which then writes nothing.
        bool interrupted = false;
        OnTerminationSignals([&] {
            interrupted = true;
            session.Converter().Cancel(true);
        });
        try {
            session.Open(book, folders.working());
        } catch (const std::exception& failure) {
            std::cerr << "quillmark-cli convert: " << OneLine(failure.what()) << "\n";
            return 1;
        }
        QCoreApplication::processEvents();
        if (interrupted) {
            std::cerr << "quillmark-cli convert: interrupted\n";
            return 1;
        }
        BookConverter& converter = session.Converter();
        converter.options.pageWidth = options->width;
        converter.options.viewportHeight = options->height;
        converter.options.chapterTimeout = std::chrono::seconds(options->timeoutSeconds);
        converter.options.responseLimit = std::chrono::seconds(options->timeoutSeconds);
        converter.options.rows = options->rows;
        converter.options.replace = share || options->replace;
        converter.options.pageFolder = options->pageFolder;
        std::optional<cli::ProgressLine> progress;
        converter.onChapter = [&](const ChapterStep& step) {
            if (share) {
                std::cout << ChapterLine(step.row, step.title) << std::flush;
                return;
            }
            if (!progress) {
                progress.emplace(step.count, options->quiet);
            }
            progress->Chapter(step.number, step.title);
        };
        converter.options.paper = options->paper;
        converter.options.scale = options->scale;
        converter.options.quality = options->quality;
        const ConversionResult result = converter.Convert(options->kind);
        if (progress) {
            progress->Finish();
        }
        if (interrupted || result.cancelled) {
            std::cerr << "quillmark-cli convert: interrupted; nothing was written\n";
            return 1;
        }
        if (share || options->tell) {
            WriteConversionLines(result, std::cout);
        }
        if (share) {
            return 0;
        }
        return cli::ReportConversionResult(result);
    } catch (const std::exception& e) {
        std::cerr << "quillmark-cli convert: " << e.what() << "\n";
        return 1;
    }
}

} // namespace qm::render

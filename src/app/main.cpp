// quillmark [BOOK.epub]: the desktop program. Opens BOOK at start when one is given.

#include "mainwindow/Unit1.h"
#include "platform/qt/desktop_shell.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/termination_signals.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// sysexits' EX_USAGE, as quillmark-cli answers a usage error.
constexpr int kUsageError = 64;

void DescribeOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription("Quillmark, a reader and converter for EPUB books.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("book", "An EPUB book to open at start.", "[BOOK.epub]");
}

// The help or version option among the arguments (up to "--"), or nullptr. These are answered before a
// QApplication exists, since that needs a display and the answers do not.
const char* HelpOrVersionRequest(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* word = argv[i];
        if (std::strcmp(word, "--") == 0) {
            break;
        }
        for (const char* request : {"-h", "--help", "-?", "--help-all", "-v", "--version"}) {
            if (std::strcmp(word, request) == 0) {
                return request;
            }
        }
    }
    return nullptr;
}

// Without a display Qt aborts the program; say why and end it the ordinary way instead. A platform named by
// QT_QPA_PLATFORM or -platform (offscreen, for one) may need none, and -display names one.
bool HasDisplay(int argc, char** argv) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        if (const char* value = std::getenv(name); value != nullptr && *value != '\0') {
            return true;
        }
    }
    for (int i = 1; i < argc; ++i) {
        for (const char* option : {"-platform", "--platform", "-display", "--display"}) {
            if (std::strcmp(argv[i], option) == 0) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication::setApplicationName("quillmark");
    QCoreApplication::setApplicationVersion(QUILLMARK_VERSION);

    if (const char* request = HelpOrVersionRequest(argc, argv)) {
        // Qt's own help and version texts, on stdout with exit status 0; the other arguments play no part.
        QCoreApplication core(argc, argv);
        QCommandLineParser parser;
        DescribeOptions(parser);
        parser.process(QStringList{QCoreApplication::arguments().constFirst(), request});
        return 0;
    }
    if (!HasDisplay(argc, argv)) {
        std::fputs("quillmark: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); quillmark-cli convert "
                   "converts books without one\n",
                   stderr);
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setDesktopFileName("io.github.quillmark.Quillmark");

    QCommandLineParser parser;
    DescribeOptions(parser);
    if (!parser.parse(QApplication::arguments())) {
        std::fprintf(stderr, "quillmark: %s\n%s", qPrintable(parser.errorText()), qPrintable(parser.helpText()));
        return kUsageError;
    }
    qm::OnTerminationSignals([] { QCoreApplication::quit(); });

    qm::QtDialogs dialogs("Quillmark");
    qm::DesktopShell shell;
    qm::TForm1 form(dialogs, shell);
    dialogs.SetOwner(&form);
    form.show();

    if (const QStringList books = parser.positionalArguments(); !books.isEmpty()) {
        const std::string book = QFileInfo(books.constFirst()).absoluteFilePath().toStdString();
        // The book opens once the window is on the screen, so that its errors have a window to show over.
        QTimer::singleShot(0, &form, [&form, book] { form.RunHandler([&form, &book] { form.OpenBookFile(book); }); });
    } else {
        // Without a book to open, the reader returns to the one read last, where it was left.
        QTimer::singleShot(0, &form, [&form] { form.RunHandler([&form] { form.OpenLastBook(); }); });
    }
    return QApplication::exec();
}

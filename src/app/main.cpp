// quillmark [BOOK.epub]: the desktop program. Opens BOOK at start when one is given.

#include "mainwindow/Unit1.h"
#include "platform/desktop_shell.h"
#include "platform/qt_dialogs.h"
#include "platform/termination_signals.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("quillmark");
    QApplication::setApplicationDisplayName("Quillmark");
    QApplication::setApplicationVersion("5.2");
    QApplication::setDesktopFileName("quillmark");

    QCommandLineParser parser;
    parser.setApplicationDescription("Quillmark, a reader and converter for EPUB books.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("book", "An EPUB book to open at start.", "[BOOK.epub]");
    parser.process(app);
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
    }
    return QApplication::exec();
}

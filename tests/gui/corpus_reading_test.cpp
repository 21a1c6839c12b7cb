#include "mainwindow/Unit1.h"

#include "gui_test_main.h"
#include "mainwindow/string_grid.h"
#include "platform/qt/web_engine_browser.h"
#include "support/scripted_dialogs.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>

#include <memory>

using namespace qm;

namespace {

constexpr int kLoadTimeoutMs = 15000;
constexpr int kMostChaptersVisited = 60;

QString CorpusBook(const QString& name) {
    return QString(QM_CORPUS_DIR) + "/epub/" + name;
}

// Waits for the page to finish loading, checking often: the corpus has many hundred chapters to wait for.
bool WaitForPage(const TForm1& form) {
    QElapsedTimer waited;
    waited.start();
    while (form.state.flag_complete != 1 && waited.elapsed() < kLoadTimeoutMs) {
        QTest::qWait(2);
    }
    return form.state.flag_complete == 1;
}

// The first message shown, for a failure's description.
const char* FirstMessage(const test::ScriptedDialogs& dialogs) {
    return dialogs.messages.empty() ? "" : dialogs.messages.front().text.c_str();
}

} // namespace

// Real books of the shared corpus, read in the window as a person would: every chapter of every valid book
// shows without an error box, and damaged books are reported without stopping the program.
class CorpusReadingTest final : public QObject {
    Q_OBJECT

private slots:
    void init() {
        test::FreshDataHome();
        if (!QDir(CorpusBook("")).exists()) {
            QSKIP("shared corpus not found");
        }
    }

    void everyChapterOfAValidBookShows_data() {
        QTest::addColumn<QString>("book");
        for (const char* book : {"calibre-quick_start-eng.epub",
                                 "debian-ubuntu-packaging-guide-ru.epub",
                                 "epubcheck-ocf-filename-utf8-valid.epub",
                                 "epubcheck-ocf-minimal-valid-epub2.epub",
                                 "epubcheck-ops-xhtml-unusual-extension-valid.epub",
                                 "epubjs-alice.epub",
                                 "epubrs-Metamorphosis-jackson.epub",
                                 "epubrs-book2-utf16-opf.epub",
                                 "epubrs-test-todo-es-mio.epub",
                                 "idpf-childrens-literature.epub",
                                 "idpf-haruko-jpeg.epub",
                                 "idpf-hefty-water.epub",
                                 "idpf-jlreq-in-english.epub",
                                 "idpf-kusamakura-japanese-vertical-writing.epub",
                                 "idpf-mahabharata.epub",
                                 "idpf-moby-dick.epub",
                                 "idpf-sous-le-vent_svg-in-spine.epub",
                                 "idpf-wasteland-woff-obf.epub",
                                 "made-bit3-data-descriptors-regime-anticancer-arabic.epub",
                                 "pandoc-epub2_picture.epub",
                                 "pandoc-tiny-all-stored.epub",
                                 "readium-feedbooks_book_6816.epub"}) {
            QTest::newRow(book) << book;
        }
    }
    void everyChapterOfAValidBookShows() {
        QFETCH(QString, book);
        test::ScriptedDialogs dialogs;
        test::RecordingShell shell;
        TForm1 form(dialogs, shell);
        form.show();
        form.OpenBookFile(CorpusBook(book).toStdString());
        QVERIFY2(dialogs.messages.empty(), FirstMessage(dialogs));
        QVERIFY(form.toc.RowCount() > 1);
        QTRY_COMPARE_WITH_TIMEOUT(form.state.flag_complete, 1, kLoadTimeoutMs);
        // Books of thousands of chapters are sampled evenly, their last chapter included.
        const int rows = form.toc.RowCount();
        std::vector<int> visited;
        for (int row = 2; row < rows; row += std::max(1, rows / kMostChaptersVisited)) {
            visited.push_back(row);
        }
        if (rows > 2 && visited.back() != rows - 1) {
            visited.push_back(rows - 1);
        }
        for (const int row : visited) {
            form.state.flag_complete = 0;
            form.StringGrid1->setCurrentIndex(form.StringGrid1->model()->index(row, 1));
            QVERIFY(WaitForPage(form));
            QVERIFY2(dialogs.messages.empty(), FirstMessage(dialogs));
        }
        // The last chapter zooms like any other.
        if (!form.state.flag_null) {
            form.ImageZoomInClick();
            QCOMPARE(form.state.WebZoom, 1.2);
        }
        QVERIFY(dialogs.messages.empty());
    }

    void damagedBooksAreReported_data() {
        QTest::addColumn<QString>("book");
        for (const char* book :
             {"epubcheck-ocf-container-not-ocf-error.epub", "epubcheck-ocf-zip-unreadable-empty-fatal.epub",
              "epubcheck-ocf-zip-unreadable-image-with-epub-extension-fatal.epub",
              "epubcheck-ocf-zip-unreadable-no-end-header-fatal.epub", "made-bad-central-directory-offset.epub",
              "made-path-traversal.epub", "made-truncated-in-central-directory.epub",
              "made-unsupported-method-bzip2-lzma.epub"}) {
            QTest::newRow(book) << book;
        }
    }
    void damagedBooksAreReported() {
        QFETCH(QString, book);
        test::ScriptedDialogs dialogs;
        test::RecordingShell shell;
        TForm1 form(dialogs, shell);
        form.show();
        form.RunHandler([&] { form.OpenBookFile(CorpusBook(book).toStdString()); });
        QCOMPARE(dialogs.messages.size(), std::size_t{1});
        QCOMPARE(dialogs.messages[0].kind, MessageKind::Error);
        QVERIFY(!dialogs.messages[0].text.empty());
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        // The book was tried in folders of its own, which are gone; nothing looks open.
        QVERIFY(QDir::temp().entryList({"quillmark-check-*"}, QDir::AllEntries | QDir::Hidden).isEmpty());
        QVERIFY(form.LabelStart->isVisible());
    }
};

QM_GUI_TEST_MAIN(CorpusReadingTest)
#include "corpus_reading_test.moc"

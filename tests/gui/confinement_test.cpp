// Books that try to reach outside themselves, or to break a conversion, in the window: with their own scripts
// allowed, nothing leaves the book, and one bad chapter costs only itself.
#include "gui_test_main.h"
#include "reading_window.h"
#include "support/hostile_books.h"
#include "support/jpeg_decode.h"
#include "zipwriter/fixture_book.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <signal.h>

#include <algorithm>
#include <filesystem>

using namespace qm;
namespace fs = std::filesystem;

namespace {

// The share of a page's pixels near `colour`.
double ShareOf(const test::DecodedJpeg& page, std::uint32_t colour) {
    int near = 0;
    int all = 0;
    for (int y = 0; y < page.height; y += 7) {
        for (int x = 0; x < page.width; x += 7) {
            ++all;
            near += test::NearColour(page.Pixel(x, y), colour, 40) ? 1 : 0;
        }
    }
    return all == 0 ? 0 : static_cast<double>(near) / all;
}

} // namespace

class ConfinementTest final : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    // Calls home: TCP connections and UDP datagrams to one port.
    QTcpServer listener_;
    QUdpSocket datagrams_;
    int calls_ = 0;

private slots:
    void initTestCase() {
        QVERIFY(listener_.listen(QHostAddress::LocalHost));
        connect(&listener_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = listener_.nextPendingConnection()) {
                ++calls_;
                socket->deleteLater();
            }
        });
        QVERIFY(datagrams_.bind(QHostAddress::LocalHost, listener_.serverPort()));
        connect(&datagrams_, &QUdpSocket::readyRead, this, [this] {
            while (datagrams_.hasPendingDatagrams()) {
                datagrams_.receiveDatagram();
                ++calls_;
            }
        });
    }

    void init() { test::FreshDataHome(); }

    void theWindowKeepsEveryBookToItself() {
        const std::string secret = dir_.filePath("secret.html").toStdString();
        test::WriteSecretPage(secret);
        const std::vector<test::HostileBook> books =
            test::WriteHostileBooks(dir_.path().toStdString(), secret, listener_.serverPort());
        test::ReadingWindow window;
        TForm1& form = *window.form;
        form.WebBrowser1->SetBookScriptsAllowed(true);
        BookConverter& converter = form.Converter();
        converter.options.chapterTimeout = std::chrono::seconds(4);
        converter.options.responseLimit = std::chrono::seconds(4);

        for (const test::HostileBook& book : books) {
            const fs::path out = fs::path(dir_.path().toStdString()) / book.name;
            fs::create_directories(out);
            window.Open(book.path);
            // What the opening showed must settle before the conversion shows the chapters again.
            QTest::qWait(300);
            converter.onChapter = [&](const ChapterStep& step) {
                if (step.number == book.crashAtChapter) {
                    ::kill(static_cast<pid_t>(form.WebBrowser1->page()->renderProcessPid()), SIGKILL);
                }
            };
            window.dialogs.saveAnswers = {(out / "page.jpg").string()};
            QElapsedTimer took;
            took.start();
            const ConversionResult result = converter.Convert(ConversionKind::Jpg);
            if (book.refusedAtOnce) {
                QVERIFY2(took.elapsed() < 4000, book.name.c_str());
            }

            std::vector<int> missing;
            for (const MissingChapter& chapter : result.missing) {
                missing.push_back(chapter.row);
                QVERIFY2(!chapter.reason.empty(), book.name.c_str());
            }
            if (!(book.mayMiss && missing.empty())) {
                QVERIFY2(missing == book.missingRows, book.name.c_str());
            }
            // A conversion with a chapter missing is written under the incomplete name, never under the chosen one.
            const std::string base = missing.empty() ? "page" : "page.incomplete";
            QVERIFY2(result.incompleteOutput.empty() == missing.empty(), book.name.c_str());
            for (int row = 1; row <= book.chapters; ++row) {
                const fs::path page = out / (base + std::to_string(row) + ".jpg");
                const bool expected = std::find(missing.begin(), missing.end(), row) == missing.end();
                QVERIFY2(fs::exists(page) == expected, (book.name + " row " + std::to_string(row)).c_str());
                if (expected) {
                    // The chapter shows itself and nothing from outside; a page that scrolled back would show
                    // its top again where its foot belongs, still in its colour, but a captured error page or
                    // the outside file would not.
                    const test::DecodedJpeg image = test::DecodeJpeg(page);
                    QVERIFY2(ShareOf(image, test::kSecretColour) == 0, book.name.c_str());
                    QVERIFY2(test::NearColour(image.Pixel(10, 10), test::kChapterColour), book.name.c_str());
                }
            }
        }
        // Nothing called home, and no script opened the desktop's browser.
        QTest::qWait(200);
        QCOMPARE(calls_, 0);
        QVERIFY(window.shell.pages.empty());
        // After all of them, the window still shows the next book's chapters.
        window.Open(books.front().path);
        QVERIFY(form.Converter().Running() == false);
        QCOMPARE(form.WebBrowser1->EvaluateScript("document.title").toString(), QString("page"));
    }

    // A chapter whose script never ends once it has loaded does not hold up the next one: chosen next, that
    // one shows at once in a fresh page, and is not taken for the one that hangs.
    void aHangingChapterIsLeftBehind() {
        const std::string book = dir_.filePath("hangs.epub").toStdString();
        WriteZipFile(book,
                     FixtureEpub({{"hangs.xhtml",
                                   FixturePage("<p>hangs</p><script>//<![CDATA[\nsetTimeout(function () { for (;;) "
                                               "{} }, 800);\n//]]></script>"),
                                   "Hangs"},
                                  {"next.xhtml", FixturePage("<p>next</p>"), "Next"}}));
        test::ReadingWindow window;
        window.form->WebBrowser1->SetBookScriptsAllowed(true);
        window.Open(book);
        QTest::qWait(1500);
        QElapsedTimer took;
        took.start();
        window.Select(2);
        QVERIFY2(took.elapsed() < 8000, QByteArray::number(took.elapsed()));
        QVERIFY(window.PagePath().endsWith("next.xhtml"));
    }

    // With a book's scripts on, a person's click opens only the link under the pointer: a script that answers a
    // click on plain text with a click of its own on a link opens nothing.
    void onlyTheLinkClickedOpens() {
        const std::string book = dir_.filePath("piggyback.epub").toStdString();
        WriteZipFile(book, FixtureEpub({{"links.xhtml",
                                         FixturePage("<p id='text' style='font-size:40px'>plain text</p>"
                                                     "<p><a id='real' href='https://example.com/real' "
                                                     "style='font-size:40px'>a link</a></p>"
                                                     "<a id='other' href='https://example.com/piggyback'></a>"
                                                     "<script>//<![CDATA[\ndocument.getElementById('text')."
                                                     "addEventListener('click', function () { "
                                                     "document.getElementById('other').click(); });\n//]]></script>"),
                                         "Links"}}));
        test::ReadingWindow window;
        TForm1& form = *window.form;
        form.WebBrowser1->SetBookScriptsAllowed(true);
        window.Open(book);
        QWidget* page = form.WebBrowser1->focusProxy();
        auto centre = [&form](const char* id) {
            const QVariantList box = form.WebBrowser1
                                         ->EvaluateScript(QString("(function () { var r = document.getElementById('%1')"
                                                                  ".getBoundingClientRect(); return [r.left + 20, "
                                                                  "r.top + r.height / 2]; })()")
                                                              .arg(id))
                                         .toList();
            return QPoint(box.value(0).toInt(), box.value(1).toInt());
        };
        const QPoint text = centre("text");
        QTest::mouseMove(page, text);
        QTest::qWait(200);
        QTest::mouseClick(page, Qt::LeftButton, {}, text);
        QTest::qWait(500);
        QVERIFY(window.shell.pages.empty());

        const QPoint link = centre("real");
        QTest::mouseMove(page, link);
        QTest::qWait(200);
        QTest::mouseClick(page, Qt::LeftButton, {}, link);
        QTRY_COMPARE(window.shell.pages.size(), std::size_t{1});
        QCOMPARE(window.shell.pages.front(), std::string("https://example.com/real"));
    }

    // A book's scripts do not run unless the reader allows them.
    void bookScriptsAreOffAtFirst() {
        const QString book = dir_.filePath("script.epub");
        test::WriteScriptColourBook(book.toStdString());
        test::ReadingWindow window;
        window.Open(book.toStdString());
        QTest::qWait(300);
        QCOMPARE(window.form->WebBrowser1->EvaluateScript("document.body.style.background").toString(), QString());
    }
};

QM_GUI_TEST_MAIN(ConfinementTest)
#include "confinement_test.moc"

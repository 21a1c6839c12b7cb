#include "view/chapter_display.h"

#include "fake_browser_view.h"
#include "view/web_zoom.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace qm;

namespace {

void WriteFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A reading view over a two-chapter table whose book lies in a temporary folder.
struct Reader {
    QTemporaryDir book;
    ReaderState state;
    TableOfContents toc;
    test::FakeBrowserView view;
    QString status = "before";
    ChapterDisplay display{state, toc, view, [] { return std::string("/books/Tale.epub"); },
                           [this](const std::string& text) { status = QString::fromStdString(text); }};

    Reader() {
        state.subTempDir = book.path().toStdString() + "/";
        toc.SetRowCount(3);
        toc.SetCell(0, 0, "No.");
        toc.SetCell(1, 0, "Title");
    }
    void SetChapter(std::int32_t row, const std::string& title, const std::string& path) {
        toc.SetCell(1, row, title);
        toc.SetCell(2, row, path);
    }
    QString Path(const QString& relative) const { return book.filePath(relative); }
};

} // namespace

class ChapterDisplayTest final : public QObject {
    Q_OBJECT

private slots:
    void headerRowChangesNothing() {
        Reader reader;
        reader.state.flag_complete = 0;
        reader.state.flag_null = true;
        reader.display.StringGrid1SelectCell(0);
        QVERIFY(reader.view.navigations.empty());
        QCOMPARE(reader.state.flag_complete, 0);
        QCOMPARE(reader.state.flag_null, true);
        QCOMPARE(reader.status, QString("before"));
    }

    void rowWithoutPathLoadsNothingAndBlocksZoom() {
        Reader reader;
        reader.SetChapter(1, "Lost", "");
        reader.display.StringGrid1SelectCell(1);
        QVERIFY(reader.view.navigations.empty());
        QCOMPARE(reader.state.flag_complete, 1);
        QCOMPARE(reader.state.flag_null, true);
        QCOMPARE(reader.status, QString("before"));
        ImageZoomInClick(reader.state, reader.view);
        QCOMPARE(reader.state.WebZoom, 1.0);
        QVERIFY(reader.view.zooms.empty());
    }

    // The chapter's name on disk, the file the browser is sent to, and the name the file has afterwards.
    void chapterFileNames_data() {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("onDisk");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("afterwards");
        QTest::newRow("xhtml becomes html") << "Text/ch01.xhtml"
                                            << "Text/ch01.xhtml"
                                            << "Text/ch01.html"
                                            << "Text/ch01.html";
        QTest::newRow("xml becomes html") << "ch01.xml"
                                          << "ch01.xml"
                                          << "ch01.html"
                                          << "ch01.html";
        QTest::newRow("other letter case keeps its name") << "ch01.XHTML"
                                                          << "ch01.XHTML"
                                                          << "ch01.XHTML"
                                                          << "ch01.XHTML";
        QTest::newRow("mixed case xml keeps its name") << "ch01.Xml"
                                                       << "ch01.Xml"
                                                       << "ch01.Xml"
                                                       << "ch01.Xml";
        QTest::newRow("html is shown as it is") << "ch01.html"
                                                << "ch01.html"
                                                << "ch01.html"
                                                << "ch01.html";
        QTest::newRow("escapes name the file as spelled on disk") << "Text/ch%2001.xhtml"
                                                                  << "Text/ch 01.xhtml"
                                                                  << "Text/ch 01.html"
                                                                  << "Text/ch 01.html";
        // Folder names change too; the folder of that name does not exist, so the file keeps its name.
        QTest::newRow("folder names change as well") << "a.xhtml.d/ch.xhtml"
                                                     << "a.xhtml.d/ch.xhtml"
                                                     << "a.html.d/ch.html"
                                                     << "a.xhtml.d/ch.xhtml";
    }
    void chapterFileNames() {
        QFETCH(QString, cell);
        QFETCH(QString, onDisk);
        QFETCH(QString, shown);
        QFETCH(QString, afterwards);
        Reader reader;
        WriteFile(reader.Path(onDisk), "chapter");
        reader.SetChapter(1, "One", cell.toStdString());
        reader.display.StringGrid1SelectCell(1);
        QCOMPARE(reader.view.navigations, std::vector<std::string>{reader.Path(shown).toStdString()});
        QCOMPARE(ReadFile(reader.Path(afterwards)), QByteArray("chapter"));
        QCOMPARE(reader.state.flag_null, false);
        QCOMPARE(reader.status, QString("/books/Tale.epub---One"));
    }

    // A book with both ch.xhtml and ch.html: the rename must not replace ch.html.
    void renameNeverReplacesAFile() {
        Reader reader;
        WriteFile(reader.Path("ch.xhtml"), "xhtml");
        WriteFile(reader.Path("ch.html"), "html");
        reader.SetChapter(1, "One", "ch.xhtml");
        reader.display.StringGrid1SelectCell(1);
        QCOMPARE(ReadFile(reader.Path("ch.xhtml")), QByteArray("xhtml"));
        QCOMPARE(ReadFile(reader.Path("ch.html")), QByteArray("html"));
        QCOMPARE(reader.view.navigations, std::vector<std::string>{reader.Path("ch.html").toStdString()});
    }

    // The second selection finds the file renamed already and sends the browser to the same page again.
    void selectingTwiceShowsTheSamePageTwice() {
        Reader reader;
        WriteFile(reader.Path("Text/ch01.xhtml"), "chapter");
        reader.SetChapter(2, "Two", "Text/ch01.xhtml");
        reader.display.StringGrid1SelectCell(2);
        reader.display.StringGrid1SelectCell(2);
        const std::string page = reader.Path("Text/ch01.html").toStdString();
        QCOMPARE(reader.view.navigations, (std::vector<std::string>{page, page}));
    }

    void documentCompletePutsZoomCharsetAndBorder() {
        Reader reader;
        reader.state.WebZoom = 1.4;
        reader.display.WebBrowser1DocumentComplete();
        QCOMPARE(reader.state.flag_complete, 1);
        QCOMPARE(reader.view.zooms, std::vector<double>{1.4});
        QCOMPARE(reader.view.charsets, std::vector<std::string>{"utf-8"});
        QCOMPARE(reader.view.borderStyles, std::vector<std::string>{"none"});
    }

    void pageWithoutBodyKeepsItsBorderSilently() {
        Reader reader;
        reader.view.hasBody = false;
        reader.display.WebBrowser1DocumentComplete();
        QCOMPARE(reader.state.flag_complete, 1);
        QVERIFY(reader.view.borderStyles.empty());
    }

    // An error of the zoom ends the handler with the flag already raised, before the character set.
    void zoomErrorEndsTheHandler() {
        Reader reader;
        reader.view.zoomFails = true;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, reader.display.WebBrowser1DocumentComplete());
        QCOMPARE(reader.state.flag_complete, 1);
        QVERIFY(reader.view.charsets.empty());
    }
};

QTEST_APPLESS_MAIN(ChapterDisplayTest)
#include "chapter_display_test.moc"

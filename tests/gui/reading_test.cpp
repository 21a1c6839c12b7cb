#include "mainwindow/Unit1.h"

#include "gui_test_main.h"
#include "mainwindow/panel.h"
#include "mainwindow/picture_button.h"
#include "mainwindow/status_label.h"
#include "mainwindow/string_grid.h"
#include "platform/qt/web_engine_browser.h"
#include "reading_window.h"
#include "support/scripted_dialogs.h"
#include "zipwriter/fixture_book.h"
#include "zipwriter/zip_writer.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QWheelEvent>

#include <memory>

using namespace qm;

namespace {

const std::string kSampleBook = QM_SAMPLE_BOOK;

// A book that goes wrong in every way a chapter can: a spine reference to no manifest item (an empty row), a
// chapter missing from the archive, a picture without a body, and markup that is not well-formed.
std::vector<ZipMember> OddBook() {
    const std::string page = "<?xml version='1.0' encoding='utf-8'?><html xmlns='http://www.w3.org/1999/xhtml'>"
                             "<head><title>t</title></head><body><p>";
    return WithContainer({
        ZipEntry("OEBPS/content.opf",
                 "<?xml version='1.0'?><package xmlns='http://www.idpf.org/2007/opf' version='2.0'><manifest>"
                 "<item id='ok' href='Text/ok.xhtml' media-type='application/xhtml+xml'/>"
                 "<item id='missing' href='Text/missing.xhtml' media-type='application/xhtml+xml'/>"
                 "<item id='picture' href='Images/picture.svg' media-type='image/svg+xml'/>"
                 "<item id='bad' href='Text/bad.xhtml' media-type='application/xhtml+xml'/>"
                 "</manifest><spine><itemref idref='ok'/><itemref idref='ghost'/><itemref idref='missing'/>"
                 "<itemref idref='picture'/><itemref idref='bad'/></spine></package>"),
        ZipEntry("OEBPS/toc.ncx", "<?xml version='1.0'?><ncx xmlns='http://www.daisy.org/z3986/2005/ncx/'><navMap>"
                                  "<navPoint id='n1' playOrder='1'><navLabel><text>Fine</text></navLabel>"
                                  "<content src='Text/ok.xhtml'/></navPoint></navMap></ncx>"),
        ZipEntry("OEBPS/Text/ok.xhtml", page + "Fine.</p></body></html>"),
        ZipEntry("OEBPS/Images/picture.svg",
                 "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='40'><rect width='40' height='40'/></svg>"),
        ZipEntry("OEBPS/Text/bad.xhtml", page + "Broken <b>markup</p></div>"),
    });
}

} // namespace

class ReadingTest final : public QObject {
    Q_OBJECT

private slots:
    void init() { test::FreshDataHome(); }

    void openingFillsTheTableAndShowsTheFirstChapter() {
        test::ReadingWindow window;
        TForm1& form = *window.form;
        window.Open(kSampleBook);
        QCOMPARE(form.toc.RowCount(), 6);
        QCOMPARE(form.toc.Cell(0, 0), std::string("No."));
        QCOMPARE(form.toc.Cell(1, 0), std::string("Title"));
        QCOMPARE(form.toc.Cell(1, 1), std::string("Title Page"));
        QCOMPARE(form.toc.Cell(2, 1), std::string("Text/title.xhtml"));
        QVERIFY(form.StringGrid1->isVisible());
        QCOMPARE(form.StringGrid1->model()->rowCount(), 6);
        QCOMPARE(form.StringGrid1->currentIndex().row(), 1);
        // Where the reader is, and the book's path in the tooltip.
        QCOMPARE(form.Label1->text(), QString::fromUtf8("Title Page \u00b7 chapter 1 of 5 \u00b7 0 %"));
        QCOMPARE(form.Label1->toolTip(), QFileInfo(QString::fromStdString(kSampleBook)).absoluteFilePath());
        QCOMPARE(form.LabelBookTitle->text(), QString("The Keeper of Windward Light"));
        // XHTML is shown as XHTML, under its own name.
        QCOMPARE(window.PagePath(), window.Chapter("Text/title.xhtml"));
        QCOMPARE(form.WebBrowser1->EvaluateScript("document.body.style.borderStyle").toString(), QString("none"));
        QCOMPARE(QString::fromStdString(form.tempDir), qEnvironmentVariable("XDG_DATA_HOME") + "/QMK/tempDir");
        QVERIFY(QDir(QString::fromStdString(form.tempJPG)).isEmpty());
        QVERIFY(window.dialogs.messages.empty());
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    void keysAndClicksChangeThePage() {
        test::ReadingWindow window;
        TForm1& form = *window.form;
        window.Open(kSampleBook);
        form.state.flag_complete = 0;
        QTest::keyClick(form.StringGrid1, Qt::Key_Down);
        window.WaitForPage();
        QCOMPARE(window.PagePath(), window.Chapter("Text/chapter1.xhtml"));
        form.state.flag_complete = 0;
        QTest::keyClick(form.StringGrid1, Qt::Key_PageDown);
        window.WaitForPage();
        QCOMPARE(window.PagePath(), window.Chapter("Text/chapter4.xhtml"));
        QCOMPARE(form.toc.CurrentRow(), 5);
        window.Select(4);
        QCOMPARE(window.PagePath(), window.Chapter("Text/chapter3.xhtml"));
        QVERIFY(form.Label1->text().startsWith(QString::fromStdString(form.toc.Cell(1, 4)) +
                                               QString::fromUtf8(" \u00b7 chapter 4 of 5 \u00b7 ")));
    }

    void zoomSurvivesAChapterChangeAndANewOpeningResetsIt() {
        test::ReadingWindow window;
        TForm1& form = *window.form;
        window.Open(kSampleBook);
        QTest::mouseClick(form.ImageZoomIn, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseClick(form.ImageZoomIn, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(form.state.WebZoom, 1.2 + 0.2);
        QCOMPARE(window.BodyZoom(), QString("1.4"));
        window.Select(3);
        QCOMPARE(window.BodyZoom(), QString("1.4"));
        window.Open(kSampleBook);
        QCOMPARE(form.state.WebZoom, 1.0);
        QCOMPARE(window.BodyZoom(), QString("1"));
        QCOMPARE(form.toc.CurrentRow(), 1);
    }

    // Ctrl with the wheel over the page runs the window's zoom commands; the browser's own zoom stays 1.
    void wheelZoomUsesTheWindowsZoom() {
        test::ReadingWindow window;
        TForm1& form = *window.form;
        window.Open(kSampleBook);
        QWidget* page = form.WebBrowser1->focusProxy();
        auto wheel = [page](int delta) {
            QWheelEvent event(QPointF(50, 50), page->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, delta),
                              Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(page, &event);
        };
        wheel(120);
        wheel(120);
        wheel(-120);
        QCOMPARE(form.state.WebZoom, 1.2);
        QCOMPARE(window.BodyZoom(), QString("1.2"));
        QCOMPARE(form.WebBrowser1->zoomFactor(), 1.0);

        // The keys zoom too while the page has the keyboard.
        QApplication::setActiveWindow(&form);
        page->setFocus();
        QTest::keyClick(page, Qt::Key_Plus, Qt::ControlModifier);
        QCOMPARE(form.state.WebZoom, 1.2 + 0.2);
        QCOMPARE(form.WebBrowser1->zoomFactor(), 1.0);
    }

    void headerRowChangesNothing() {
        test::ReadingWindow window;
        TForm1& form = *window.form;
        window.Open(kSampleBook);
        window.Select(2);
        const QString page = window.PagePath();
        const QString status = form.Label1->text();
        form.state.flag_complete = 0;
        form.StringGrid1->setCurrentIndex(form.StringGrid1->model()->index(0, 1));
        QTest::qWait(300);
        QCOMPARE(form.toc.CurrentRow(), 0);
        QCOMPARE(window.PagePath(), page);
        QCOMPARE(form.Label1->text(), status);
        QCOMPARE(form.state.flag_complete, 0);
        QCOMPARE(form.state.flag_null, false);
    }

    // Every odd chapter is shown or passed over without an error box, and an empty row blocks the zoom.
    void oddChaptersNeverStopTheReader() {
        QTemporaryDir folder;
        const std::string book = folder.filePath("odd.epub").toStdString();
        WriteZipFile(book, OddBook());
        test::ReadingWindow window;
        TForm1& form = *window.form;
        window.Open(book);
        QCOMPARE(form.toc.RowCount(), 6);
        const QString firstPage = window.PagePath();
        const QString status = form.Label1->text();

        window.Select(2);
        QCOMPARE(form.state.flag_null, true);
        QCOMPARE(window.PagePath(), firstPage);
        QCOMPARE(form.Label1->text(), status);
        QTest::mouseClick(form.ImageZoomIn, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseClick(form.ImageOriginal, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(form.state.WebZoom, 1.0);

        for (const int row : {3, 4, 5}) {
            window.Select(row);
            QCOMPARE(form.state.flag_null, false);
        }
        QTest::mouseClick(form.ImageZoomIn, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(form.state.WebZoom, 1.2);
        QCOMPARE(window.BodyZoom(), QString("1.2"));
        QVERIFY(window.dialogs.messages.empty());
    }

    void openingErrorsAreShown_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty file") << QByteArray() << " is empty, not a ZIP archive (Stream read error)";
        QTest::newRow("not a ZIP archive")
            << QByteArray("not a zip") << " is not a ZIP archive, or it is cut short (Error reading zip file)";
    }
    void openingErrorsAreShown() {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        QTemporaryDir folder;
        QFile file(folder.filePath("broken.epub"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        test::ReadingWindow window;
        window.dialogs.openAnswers.push_back(file.fileName().toStdString());
        QTest::mouseClick(window.form->ImageOpen, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(window.dialogs.messages.size(), std::size_t{1});
        QCOMPARE(window.dialogs.messages[0].kind, MessageKind::Error);
        QCOMPARE(QString::fromStdString(window.dialogs.messages[0].text),
                 QString("\"%1\"%2").arg(file.fileName(), message));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QCOMPARE(window.form->ImageOpen->Shown(), ButtonPicture::Norm);
        // The program goes on: the next opening works.
        window.Open(kSampleBook);
        QCOMPARE(window.form->toc.RowCount(), 6);
    }

    // A book that does not open leaves the book open before it as it was: its table, its page, its status line,
    // and its chapters go on showing.
    void failedOpeningKeepsTheOpenBook_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("not a ZIP archive") << QByteArray("not a zip");
        QTemporaryDir folder;
        const QString noChapters = folder.filePath("no-chapters.epub");
        WriteZipFile(noChapters.toStdString(), {ZipEntry("toc.ncx", "<ncx><navMap/></ncx>"),
                                                ZipEntry("content.opf", "<package><spine/></package>")});
        QFile zip(noChapters);
        QVERIFY(zip.open(QIODevice::ReadOnly));
        QTest::newRow("no chapters") << zip.readAll();
    }
    void failedOpeningKeepsTheOpenBook() {
        QFETCH(QByteArray, content);
        QTemporaryDir folder;
        QFile file(folder.filePath("broken.epub"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        test::ReadingWindow window;
        TForm1& form = *window.form;
        window.Open(kSampleBook);
        const QString page = window.PagePath();
        const QString status = form.Label1->text();
        window.dialogs.openAnswers.push_back(file.fileName().toStdString());
        QTest::mouseClick(form.ImageOpen, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(window.dialogs.messages.size(), std::size_t{1});
        QVERIFY(QString::fromStdString(window.dialogs.messages[0].text).startsWith('"' + file.fileName() + '"'));

        QVERIFY(form.Panel1->isVisible());
        QVERIFY(!form.LabelStart->isVisible());
        QCOMPARE(form.Label1->text(), status);
        QCOMPARE(window.PagePath(), page);
        QCOMPARE(QString::fromStdString(form.OpenDialog1.FileName),
                 QFileInfo(QString::fromStdString(kSampleBook)).absoluteFilePath());
        QCOMPARE(form.toc.RowCount(), 6);
        QCOMPARE(form.toc.Cell(2, 1), std::string("Text/title.xhtml"));
        window.Select(2);
        QVERIFY(window.PagePath().endsWith("chapter1.xhtml"));
    }

    // The recent books are at hand with a book open: Ctrl+Shift+O lists them, the latest first, by title.
    void recentBooksAreReachableWithABookOpen() {
        QTemporaryDir folder;
        const std::string other = folder.filePath("other.epub").toStdString();
        WriteZipFile(other, FixtureEpub({{"Text/a.xhtml", FixturePage("<p>Other</p>", ""), "Other"}}));
        test::ReadingWindow window;
        TForm1& form = *window.form;
        window.Open(kSampleBook);
        window.Open(other);
        QApplication::setActiveWindow(&form);
        QTest::keyClick(&form, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_VERIFY(form.RecentMenu1->isVisible());
        const QList<QAction*> books = form.RecentMenu1->actions();
        QCOMPARE(books.size(), 2);
        QVERIFY(books[0]->text().endsWith(QString::fromUtf8("\u2014 other.epub")));
        QCOMPARE(books[1]->toolTip(), QFileInfo(QString::fromStdString(kSampleBook)).absoluteFilePath());
        form.state.flag_complete = 0;
        books[1]->trigger();
        window.WaitForPage();
        QCOMPARE(form.toc.RowCount(), 6);
        form.RecentMenu1->close();
    }

    void cancellingTheDialogKeepsTheBook() {
        test::ReadingWindow window;
        TForm1& form = *window.form;
        window.Open(kSampleBook);
        window.Select(3);
        QTest::mouseClick(form.ImageZoomIn, Qt::LeftButton, {}, QPoint(10, 10));
        const QString page = window.PagePath();
        window.dialogs.openAnswers.push_back(std::nullopt);
        QTest::mouseClick(form.ImageOpen, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(form.toc.CurrentRow(), 3);
        QCOMPARE(form.state.WebZoom, 1.2);
        QCOMPARE(window.PagePath(), page);
        QVERIFY(QFile::exists(page));
        // Once the zoom's message has gone.
        QTRY_VERIFY_WITH_TIMEOUT(form.Label1->text().startsWith(QString::fromStdString(form.toc.Cell(1, 3)) +
                                                                QString::fromUtf8(" \u00b7 chapter 3 of 5 \u00b7 ")),
                                 4000);
    }

    void droppedBookOpens() {
        test::ReadingWindow window;
        TForm1& form = *window.form;
        QMimeData text;
        text.setUrls({QUrl::fromLocalFile("/tmp/notes.txt")});
        QDragEnterEvent refused(QPoint(300, 300), Qt::CopyAction, &text, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&form, &refused);
        QVERIFY(!refused.isAccepted());

        QMimeData book;
        book.setUrls({QUrl::fromLocalFile(QString::fromStdString(kSampleBook))});
        QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &book, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&form, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &book, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&form, &drop);
        window.WaitForPage();
        QCOMPARE(form.toc.RowCount(), 6);
        QCOMPARE(form.OpenDialog1.FileName, kSampleBook);
    }

    // Each running program unpacks into folders of its own: a second one that opens a book and ends leaves
    // the first one's book in place.
    void secondInstanceLeavesTheFirstBookIntact() {
        test::ReadingWindow first;
        first.Open(kSampleBook);
        const QString firstFolder = QString::fromStdString(first.form->tempDir);
        QString secondFolder;
        {
            test::ReadingWindow second;
            second.Open(kSampleBook);
            secondFolder = QString::fromStdString(second.form->tempDir);
            QCOMPARE(secondFolder, firstFolder + "-2");
            QVERIFY(QFile::exists(first.Chapter("Text/title.xhtml")));
        }
        QVERIFY(!QDir(secondFolder).exists());
        QVERIFY(QFile::exists(first.Chapter("Text/title.xhtml")));
        first.Select(2);
        QCOMPARE(first.PagePath(), first.Chapter("Text/chapter1.xhtml"));
        QVERIFY(QFile::exists(first.PagePath()));
    }
};

QM_GUI_TEST_MAIN(ReadingTest)
#include "reading_test.moc"

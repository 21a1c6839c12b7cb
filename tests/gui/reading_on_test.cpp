#include "mainwindow/Unit1.h"

#include "gui_test_main.h"
#include "mainwindow/picture_button.h"
#include "mainwindow/status_label.h"
#include "reading_window.h"
#include "zipwriter/fixture_book.h"
#include "zipwriter/zip_writer.h"

#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWheelEvent>

#include <string>

using namespace qm;

namespace {

std::string Paragraphs(const std::string& text, int count) {
    std::string body;
    for (int i = 0; i < count; ++i) {
        body += "<p>" + text + " " + std::to_string(i) + "</p>";
    }
    return body;
}

// Three chapters: a long one, one of two sections (rows 2 and 3 show one file), and a short last one.
void WriteBook(const std::string& path) {
    WriteZipFile(
        path,
        FixtureEpub({
            {"Text/one.xhtml", FixturePage("<h1>One</h1>" + Paragraphs("The tide comes in.", 80), ""), "One"},
            {"Text/two.xhtml",
             FixturePage("<h1>Two</h1>" + Paragraphs("Gulls.", 40) + "<h2 id='b'>Two b</h2>" + Paragraphs("Terns.", 40),
                         ""),
             "Two"},
            {"Text/two.xhtml#b", "", "Two b", "application/xhtml+xml", 1},
            {"Text/three.xhtml", FixturePage("<h1>Three</h1><p>The end.</p>", ""), "Three"},
        }));
}

} // namespace

// Reading a book through: at a chapter's end the keys and the wheel go on to the next chapter, at its top back
// to the end of the one before, with one deliberate move more than a screen takes.
class ReadingOnTest final : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    const std::string book_ = dir_.filePath("tide.epub").toStdString();

    static QWidget* Page(TForm1& form) { return form.WebBrowser1->focusProxy(); }
    static double ScrollY(TForm1& form) { return form.WebBrowser1->page()->scrollPosition().y(); }
    static bool AtBottom(TForm1& form) {
        const QWebEnginePage* page = form.WebBrowser1->page();
        return page->scrollPosition().y() + form.WebBrowser1->height() >= page->contentsSize().height() - 2;
    }
    static void ScrollToEnd(TForm1& form) {
        form.WebBrowser1->ScrollTo(0, 100000);
        QTRY_VERIFY(AtBottom(form));
    }
    static void Wheel(QWidget* page, int delta) {
        const QPointF at(page->width() / 2.0, page->height() / 2.0);
        QWheelEvent wheel(at, page->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(page, &wheel);
    }
    static void KeyRepeat(QWidget* page, Qt::Key key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(), true);
        QCoreApplication::sendEvent(page, &press);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        WriteBook(book_);
    }

    void keysGoOnAndBack() {
        test::ReadingWindow window;
        TForm1& form = *window.form;
        window.Open(book_);
        QCOMPARE(form.toc.CurrentRow(), 1);
        QVERIFY(form.WebBrowser1->hasFocus());
        ScrollToEnd(form);

        // At the end one press is held, a held key's repeats never cross, the next press does.
        QTest::keyClick(Page(form), Qt::Key_PageDown);
        KeyRepeat(Page(form), Qt::Key_PageDown);
        KeyRepeat(Page(form), Qt::Key_Down);
        QTest::qWait(200);
        QCOMPARE(form.toc.CurrentRow(), 1);
        form.state.flag_complete = 0;
        QTest::keyClick(Page(form), Qt::Key_Space);
        window.WaitForPage();
        QCOMPARE(form.toc.CurrentRow(), 2);
        QTRY_COMPARE(ScrollY(form), 0.0);

        // Back at the top: Up is held once, then the previous chapter shows from its end.
        QTest::keyClick(Page(form), Qt::Key_Up);
        QCOMPARE(form.toc.CurrentRow(), 2);
        form.state.flag_complete = 0;
        QTest::keyClick(Page(form), Qt::Key_Up);
        window.WaitForPage();
        QCOMPARE(form.toc.CurrentRow(), 1);
        QTRY_VERIFY(AtBottom(form));

        // Whole chapters: sections are passed over, and the table follows.
        form.state.flag_complete = 0;
        QTest::keyClick(Page(form), Qt::Key_PageDown, Qt::ControlModifier);
        window.WaitForPage();
        QCOMPARE(form.toc.CurrentRow(), 2);
        form.state.flag_complete = 0;
        QTest::keyClick(Page(form), Qt::Key_PageDown, Qt::ControlModifier);
        window.WaitForPage();
        QCOMPARE(form.toc.CurrentRow(), 4);
        QCOMPARE(form.StringGrid1->currentIndex().row(), 4);
        // From the last chapter there is nowhere on to go.
        QTest::keyClick(Page(form), Qt::Key_PageDown);
        QTest::keyClick(Page(form), Qt::Key_PageDown);
        QTest::qWait(200);
        QCOMPARE(form.toc.CurrentRow(), 4);
        // Back from a chapter's start goes to the end of the one before: its last section's row.
        form.state.flag_complete = 0;
        QTest::keyClick(Page(form), Qt::Key_PageUp);
        window.WaitForPage();
        QCOMPARE(form.toc.CurrentRow(), 3);
        QTRY_VERIFY(AtBottom(form));
    }

    void theWheelGoesOnAfterAPause() {
        test::ReadingWindow window;
        TForm1& form = *window.form;
        window.Open(book_);
        ScrollToEnd(form);
        // A wheel that keeps turning at the end stays in the chapter.
        for (int i = 0; i < 6; ++i) {
            Wheel(Page(form), -120);
            QTest::qWait(40);
        }
        QCOMPARE(form.toc.CurrentRow(), 1);
        QTest::qWait(300);
        form.state.flag_complete = 0;
        Wheel(Page(form), -120);
        window.WaitForPage();
        QCOMPARE(form.toc.CurrentRow(), 2);
        QTest::qWait(300);
        Wheel(Page(form), 120);
        QTest::qWait(300);
        form.state.flag_complete = 0;
        Wheel(Page(form), 120);
        window.WaitForPage();
        QCOMPARE(form.toc.CurrentRow(), 1);
    }

    // The status line: the chapter, its number and the share of the book's text before the view's top (chapter
    // one holds 1353 of the book's 1992 characters, chapter two 627); brief messages for a held move and the zoom.
    void theStatusSaysWhereTheReaderIs() {
        test::ReadingWindow window;
        TForm1& form = *window.form;
        window.Open(book_);
        const auto status = [&form] { return form.Label1->text(); };
        QCOMPARE(status(), QString::fromUtf8("One \u00b7 chapter 1 of 3 \u00b7 0 %"));
        form.WebBrowser1->ScrollTo(0, qRound(form.WebBrowser1->page()->contentsSize().height() / 2));
        QTRY_COMPARE(status(), QString::fromUtf8("One \u00b7 chapter 1 of 3 \u00b7 33 %"));
        ScrollToEnd(form);
        QTest::keyClick(Page(form), Qt::Key_PageDown);
        QCOMPARE(status(), QString::fromUtf8("End of the chapter: press again for \u201cTwo\u201d"));
        form.state.flag_complete = 0;
        QTest::keyClick(Page(form), Qt::Key_PageDown);
        window.WaitForPage();
        QTRY_COMPARE(status(), QString::fromUtf8("Two \u00b7 chapter 2 of 3 \u00b7 67 %"));
        window.Select(4);
        QTRY_COMPARE(status(), QString::fromUtf8("Three \u00b7 chapter 3 of 3 \u00b7 99 %"));
        QTest::mouseClick(form.ImageZoomIn, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(status(), QString("Zoom 120 %"));
        QTRY_COMPARE_WITH_TIMEOUT(status(), QString::fromUtf8("Three \u00b7 chapter 3 of 3 \u00b7 99 %"), 4000);
    }

    // With the table focused its own keys move in the list.
    void theTableKeepsItsKeys() {
        test::ReadingWindow window;
        TForm1& form = *window.form;
        window.Open(book_);
        form.StringGrid1->setFocus();
        form.state.flag_complete = 0;
        QTest::keyClick(form.StringGrid1, Qt::Key_Down);
        window.WaitForPage();
        QCOMPARE(form.toc.CurrentRow(), 2);
    }
};

QM_GUI_TEST_MAIN(ReadingOnTest)
#include "reading_on_test.moc"

#include "mainwindow/Unit1.h"

#include "gui_test_main.h"
#include "mainwindow/find_bar.h"
#include "reading_window.h"
#include "zipwriter/fixture_book.h"
#include "zipwriter/zip_writer.h"

#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <string>

using namespace qm;

// Searching the whole book from the window: every chapter's matches listed, and a match chosen shown in its
// chapter, scrolled to and marked.
class BookSearchTest final : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    const std::string book_ = dir_.filePath("search.epub").toStdString();

    static double ScrollY(TForm1& form) { return form.WebBrowser1->EvaluateScript("window.scrollY").toDouble(); }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        WriteZipFile(book_, FixtureEpub({
                                {"Text/one.xhtml", FixturePage("<h1>One</h1><p>A gr&eacute;y sea.</p>", ""), "One"},
                                {"Text/two.xhtml", FixturePage("<h1>Two</h1><p>No colour here.</p>", ""), "Two"},
                                {"Text/three.xhtml",
                                 FixturePage("<h1>Three</h1><p>Grey sky.</p><div style='height:4000px'></div>"
                                             "<p>The <em>gr</em>ey end.</p>",
                                             ""),
                                 "Three"},
                            }));
    }

    void wholeBookMatchesOpenTheirChapterAtTheMatch() {
        test::ReadingWindow window;
        TForm1& form = *window.form;
        window.Open(book_);
        QApplication::setActiveWindow(&form);
        QTest::keyClick(form.WebBrowser1->focusProxy(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        TFindBar& bar = *form.FindBar1;
        QVERIFY(bar.isVisible());
        QVERIFY(bar.SearchesWholeBook());
        QTest::keyClicks(bar.EditFind, "GREY");
        QTest::keyClick(bar.EditFind, Qt::Key_Return);
        QCOMPARE(bar.LabelMatches->text(), QString("3 matches"));
        QTreeWidget& tree = *bar.TreeMatches;
        QVERIFY(tree.isVisible());
        QCOMPARE(tree.topLevelItemCount(), 2);
        QCOMPARE(tree.topLevelItem(0)->text(0), QString("One (1)"));
        QCOMPARE(tree.topLevelItem(1)->text(0), QString("Three (2)"));
        QCOMPARE(tree.topLevelItem(1)->child(1)->text(0), QString("Three Grey sky. The grey end."));

        // The second match of the third chapter: far down its page.
        form.state.flag_complete = 0;
        emit tree.itemActivated(tree.topLevelItem(1)->child(1), 0);
        window.WaitForPage();
        QTRY_VERIFY(window.PagePath().endsWith("three.xhtml"));
        QCOMPARE(form.toc.CurrentRow(), 3);
        QTRY_VERIFY_WITH_TIMEOUT(ScrollY(form) > 3000, test::kLoadTimeoutMs);
        // Its first match, in the chapter shown: back at the top.
        emit tree.itemActivated(tree.topLevelItem(1)->child(0), 0);
        QTRY_VERIFY_WITH_TIMEOUT(ScrollY(form) < 500, test::kLoadTimeoutMs);

        QTest::keyClicks(bar.EditFind, "zzz");
        QTest::keyClick(bar.EditFind, Qt::Key_Return);
        QCOMPARE(bar.LabelMatches->text(), QString("No match"));
        QVERIFY(!tree.isVisible());
    }
};

QM_GUI_TEST_MAIN(BookSearchTest)
#include "book_search_test.moc"

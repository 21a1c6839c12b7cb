#include "mainwindow/Unit1.h"

#include "gui_test_main.h"
#include "mainwindow/contents_tree.h"
#include "reading_window.h"
#include "zipwriter/fixture_book.h"
#include "zipwriter/zip_writer.h"

#include <QTabBar>
#include <QTemporaryDir>

#include <string>

using namespace qm;

// The book's own contents beside its chapter rows: a tree of its whole navigation, nested and foldable, each
// entry opening its file at its anchor.
class ContentsTreeTest final : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    const std::string book_ = dir_.filePath("nested.epub").toStdString();

    static double ScrollY(TForm1& form) { return form.WebBrowser1->EvaluateScript("window.scrollY").toDouble(); }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        const std::string head = "<?xml version='1.0' encoding='utf-8'?><html xmlns='http://www.w3.org/1999/xhtml'>";
        WriteZipFile(
            book_,
            WithContainer({
                ZipEntry("OEBPS/content.opf",
                         "<?xml version='1.0'?><package xmlns='http://www.idpf.org/2007/opf' version='2.0'><manifest>"
                         "<item id='cover' href='cover.xhtml' media-type='application/xhtml+xml'/>"
                         "<item id='one' href='one.xhtml' media-type='application/xhtml+xml'/>"
                         "<item id='two' href='two.xhtml' media-type='application/xhtml+xml'/>"
                         "</manifest><spine><itemref idref='cover'/><itemref idref='one'/><itemref idref='two'/>"
                         "</spine></package>"),
                ZipEntry("OEBPS/toc.ncx",
                         "<?xml version='1.0'?><ncx xmlns='http://www.daisy.org/z3986/2005/ncx/'><navMap>"
                         "<navPoint id='a' playOrder='1'><navLabel><text>One</text></navLabel>"
                         "<content src='one.xhtml'/><navPoint id='b' playOrder='2'><navLabel><text>One, far on"
                         "</text></navLabel><content src='one.xhtml#far'/></navPoint></navPoint>"
                         "<navPoint id='c' playOrder='3'><navLabel><text>Two</text></navLabel>"
                         "<content src='two.xhtml'/></navPoint></navMap></ncx>"),
                ZipEntry("OEBPS/cover.xhtml",
                         head + "<head><title>The Cover</title></head><body><p>c</p></body></html>"),
                ZipEntry("OEBPS/one.xhtml", head +
                                                "<head><title>1</title></head><body><p>One</p>"
                                                "<div style='height:4000px'></div><p id='far'>Far</p></body></html>"),
                ZipEntry("OEBPS/two.xhtml", head + "<head><title>2</title></head><body><p>Two</p></body></html>"),
            }));
    }

    void theTreeNestsTheNavigationAndOpensItsAnchors() {
        test::ReadingWindow window;
        TForm1& form = *window.form;
        window.Open(book_);
        QVERIFY(form.TabsToc->isVisible());
        QVERIFY(form.StringGrid1->isVisible());
        form.TabsToc->setCurrentIndex(1);
        QVERIFY(form.TreeContents->isVisible());
        QVERIFY(!form.StringGrid1->isVisible());

        TContentsTree& tree = *form.TreeContents;
        QCOMPARE(tree.topLevelItemCount(), 3);
        QCOMPARE(tree.topLevelItem(0)->text(0), QString("The Cover"));
        QTreeWidgetItem* one = tree.topLevelItem(1);
        QCOMPARE(one->text(0), QString("One"));
        QCOMPARE(one->childCount(), 1);
        QCOMPARE(one->child(0)->text(0), QString("One, far on"));
        // Both stand in the chapter of the same row, whose number they show.
        QCOMPARE(one->child(0)->text(1), QString::fromStdString(form.toc.Row(2).number));
        QCOMPARE(one->text(1), one->child(0)->text(1));
        QVERIFY(one->isExpanded());

        // An anchor inside a chapter: its row, scrolled to the anchor.
        form.state.flag_complete = 0;
        emit tree.itemClicked(one->child(0), 0);
        window.WaitForPage();
        QCOMPARE(form.toc.CurrentRow(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(ScrollY(form) > 3000, test::kLoadTimeoutMs);

        // Another chapter, chosen in the table: the tree marks its entry.
        form.TabsToc->setCurrentIndex(0);
        window.Select(3);
        QCOMPARE(tree.currentItem(), tree.topLevelItem(2));
    }
};

QM_GUI_TEST_MAIN(ContentsTreeTest)
#include "contents_tree_test.moc"

#include "mainwindow/Unit1.h"

#include "gui_test_main.h"
#include "mainwindow/find_bar.h"
#include "mainwindow/panel.h"
#include "mainwindow/picture_button.h"
#include "mainwindow/reader_settings.h"
#include "mainwindow/row_of_page.h"
#include "mainwindow/splitter.h"
#include "mainwindow/status_label.h"
#include "mainwindow/string_grid.h"
#include "platform/qt/web_engine_browser.h"
#include "reading_window.h"
#include "support/scripted_dialogs.h"
#include "zipwriter/fixture_book.h"
#include "zipwriter/zip_writer.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QToolButton>
#include <QToolTip>
#include <QWebEnginePage>
#include <QWebEngineSettings>

#include <cmath>
#include <string>
#include <vector>

using namespace qm;

namespace {

// Every title starts with the same letter, so that where its text starts shows only its indent.
const std::string kLongTitle = "The Second Chapter, in Which the Keeper Climbs the Stair and Counts the Lamps";

std::string Page(const std::string& title, const std::string& body) {
    return "<?xml version='1.0' encoding='utf-8'?><html xmlns='http://www.w3.org/1999/xhtml'><head><title>" + title +
           "</title></head><body>" + body + "</body></html>";
}

// Many paragraphs, so that the page scrolls.
std::string Paragraphs(const std::string& text, int count) {
    std::string body;
    for (int i = 0; i < count; ++i) {
        body += "<p>" + text + " " + std::to_string(i) + "</p>";
    }
    return body;
}

std::string NavPoint(const std::string& id, int order, const std::string& label, const std::string& src,
                     const std::string& nested = "") {
    return "<navPoint id='" + id + "' playOrder='" + std::to_string(order) + "'><navLabel><text>" + label +
           "</text></navLabel><content src='" + src + "'/>" + nested + "</navPoint>";
}

// A book of three nested chapters (levels 0, 1, 2) and a flat fourth, titled `title` in its package (not at all
// when empty): the first chapter is long and links to a section of the third, which is long too; "lamp" stands
// twice in the first chapter's text.
void WriteNestedBook(const std::string& path, const std::string& title = "The Lamp Keeper") {
    std::vector<ZipMember> members = WithContainer({
        ZipEntry("OEBPS/content.opf",
                 "<?xml version='1.0'?><package xmlns='http://www.idpf.org/2007/opf' version='2.0'>"
                 "<metadata xmlns:dc='http://purl.org/dc/elements/1.1/'>" +
                     (title.empty() ? std::string() : "<dc:title>" + title + "</dc:title>") +
                     "</metadata><manifest>"
                     "<item id='c1' href='Text/one.xhtml' media-type='application/xhtml+xml'/>"
                     "<item id='c2' href='Text/two.xhtml' media-type='application/xhtml+xml'/>"
                     "<item id='c3' href='Text/three.xhtml' media-type='application/xhtml+xml'/>"
                     "<item id='c4' href='Text/four.xhtml' media-type='application/xhtml+xml'/>"
                     "<item id='ncx' href='toc.ncx' media-type='application/x-dtbncx+xml'/>"
                     "</manifest><spine toc='ncx'><itemref idref='c1'/><itemref idref='c2'/><itemref idref='c3'/>"
                     "<itemref idref='c4'/></spine></package>"),
        ZipEntry("OEBPS/toc.ncx", "<?xml version='1.0'?><ncx xmlns='http://www.daisy.org/z3986/2005/ncx/'><navMap>" +
                                      NavPoint("p1", 1, "The First Part", "Text/one.xhtml",
                                               NavPoint("p2", 2, kLongTitle, "Text/two.xhtml",
                                                        NavPoint("p3", 3, "The Section", "Text/three.xhtml"))) +
                                      NavPoint("p4", 4, "The Afterword", "Text/four.xhtml") + "</navMap></ncx>"),
        ZipEntry("OEBPS/Text/one.xhtml",
                 Page("one", "<h1>Part One</h1><p>The lamp room. <a id='go' href='three.xhtml#shore'>To the "
                             "shore</a></p>" +
                                 Paragraphs("A lamp burns in the tower, and the keeper trims its wick.", 1) +
                                 Paragraphs("The sea is grey and the wind is up.", 120))),
        ZipEntry("OEBPS/Text/two.xhtml", Page("two", "<h1>Two</h1>" + Paragraphs("Stairs and more stairs.", 20))),
        ZipEntry("OEBPS/Text/three.xhtml",
                 Page("three", "<h1>Three</h1>" + Paragraphs("Sand.", 60) +
                                   "<p id='shore'>The shore. <a id='back' href='one.xhtml'>Back</a></p>" +
                                   Paragraphs("Driftwood.", 60))),
        ZipEntry("OEBPS/Text/four.xhtml", Page("four", "<h1>Four</h1><p>The end.</p>")),
    });
    WriteZipFile(path, members);
}

// The first column of the title cell of `row` where the painted text is dark, or -1.
int TitleTextLeft(TStringGrid& grid, int row) {
    const QImage picture = grid.viewport()->grab().toImage();
    const QRect cell = grid.visualRect(grid.model()->index(row, 1));
    for (int x = cell.left(); x <= cell.right(); ++x) {
        for (int y = cell.top(); y <= cell.bottom(); ++y) {
            if (qGray(picture.pixel(x, y)) < 128) {
                return x - cell.left();
            }
        }
    }
    return -1;
}

void DragSplitter(TSplitter* splitter, int dx) {
    const QPoint grab(splitter->width() / 2, 50);
    QTest::mousePress(splitter, Qt::LeftButton, {}, grab);
    const QPointF to = grab + QPointF(dx, 0);
    QMouseEvent move(QEvent::MouseMove, to, splitter->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(splitter, &move);
    QTest::mouseRelease(splitter, Qt::LeftButton, {}, to.toPoint());
}

} // namespace

// What makes long reading comfortable: titles that can be read, the place kept across runs, finding text,
// the keys, and the table following the page.
class ReadingComfortTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        WriteNestedBook(book_);
    }
    void init() {
        test::FreshDataHome();
        test::FreshConfigHome();
    }

    // Titles stand in by their level, the title column follows the splitter, and a title cut at the table's
    // edge shows whole as a tooltip.
    void titlesIndentFollowTheSplitterAndShowWhole() {
        test::ReadingWindow window;
        TForm1& form = *window.form;
        window.Open(book_);
        TStringGrid& grid = *form.StringGrid1;
        QCOMPARE(grid.columnWidth(1), grid.viewport()->width() - 21);
        const int top = TitleTextLeft(grid, 1);
        QVERIFY(top >= 0);
        QCOMPARE(TitleTextLeft(grid, 2) - top, 12);
        QCOMPARE(TitleTextLeft(grid, 3) - top, 24);
        QCOMPARE(TitleTextLeft(grid, 4), top);

        DragSplitter(form.Splitter1, 100);
        QCOMPARE(form.PanelLeft->width(), 271);
        QCOMPARE(form.PanelPage->x(), 4 + 271);
        QCOMPARE(form.PanelPage->x() + form.PanelPage->width(), form.width() - 4);
        QCOMPARE(grid.width(), 271 - 14 - 12);
        QCOMPARE(grid.columnWidth(1), grid.viewport()->width() - 21);
        QCOMPARE(form.Splitter1->geometry().center().x(), form.PanelPage->x() - 1);

        // The page area keeps its least width; the table its own.
        DragSplitter(form.Splitter1, 1000);
        QCOMPARE(form.PanelPage->width(), 300);
        DragSplitter(form.Splitter1, -1000);
        QCOMPARE(form.PanelLeft->width(), 120);
        QTest::mouseDClick(form.Splitter1, Qt::LeftButton, {}, QPoint(4, 50));
        QCOMPARE(form.PanelLeft->width(), 171);

        const QRect cell = grid.visualRect(grid.model()->index(2, 1));
        QHelpEvent help(QEvent::ToolTip, cell.center(), grid.viewport()->mapToGlobal(cell.center()));
        QCoreApplication::sendEvent(grid.viewport(), &help);
        QTRY_COMPARE(QToolTip::text(), QString::fromStdString(kLongTitle));
    }

    // A restart returns to the book read last, its row, its place in the page and its zoom, in a window of the
    // size and state it had; so does opening the book again after another one.
    void placeZoomAndWindowAreRememberedAcrossARestart() {
        test::FreshConfigHome();
        const double scrolled = 900;
        {
            test::ReadingWindow first(test::Settings::Kept);
            TForm1& form = *first.form;
            form.resize(900, 600);
            DragSplitter(form.Splitter1, 60);
            first.Open(book_);
            first.Select(3);
            QTest::mouseClick(form.ImageZoomIn, Qt::LeftButton, {}, QPoint(10, 10));
            QTest::mouseClick(form.ImageZoomIn, Qt::LeftButton, {}, QPoint(10, 10));
            form.WebBrowser1->ScrollTo(0, static_cast<int>(scrolled));
            QTRY_COMPARE(form.WebBrowser1->page()->scrollPosition().y(), scrolled);

            first.Open(QM_SAMPLE_BOOK);
            QCOMPARE(form.state.WebZoom, 1.0);
            first.Open(book_);
            QCOMPARE(form.toc.CurrentRow(), 3);
            QCOMPARE(form.state.WebZoom, 1.2 + 0.2);
            QTRY_VERIFY(std::abs(form.WebBrowser1->page()->scrollPosition().y() - scrolled) <= 2);
            QVERIFY(form.close());
        }
        test::ReadingWindow second(test::Settings::Kept);
        TForm1& form = *second.form;
        QCOMPARE(form.size(), QSize(900, 600));
        QCOMPARE(form.PanelLeft->width(), 171 + 60);
        QVERIFY(form.LabelStart->text().contains("The Lamp Keeper"));
        QVERIFY(form.LabelStart->text().contains("The Keeper of Windward Light"));
        QVERIFY(form.OpenLastBook());
        second.WaitForPage();
        QCOMPARE(form.OpenDialog1.FileName, book_);
        QCOMPARE(form.toc.CurrentRow(), 3);
        QCOMPARE(form.state.WebZoom, 1.2 + 0.2);
        QCOMPARE(second.BodyZoom(), QString("1.4"));
        QTRY_VERIFY(std::abs(form.WebBrowser1->page()->scrollPosition().y() - scrolled) <= 2);
    }

    // A window kept off the screen, as a tool that converts offscreen uses it, leaves nothing in the settings.
    void aWindowOffTheScreenKeepsNothing() {
        const QString file = test::FreshConfigHome() + "/Quillmark/quillmark.conf";
        {
            test::ScriptedDialogs dialogs;
            test::RecordingShell shell;
            TForm1 form(dialogs, shell);
            form.setAttribute(Qt::WA_DontShowOnScreen);
            form.show();
            form.OpenBookFile(book_);
            QTRY_COMPARE_WITH_TIMEOUT(form.state.flag_complete, 1, test::kLoadTimeoutMs);
            form.ImageZoomInClick();
            QVERIFY(form.close());
        }
        QVERIFY(QSettings(file, QSettings::IniFormat).allKeys().isEmpty());
        test::ReadingWindow window(test::Settings::Kept);
        QVERIFY(!window.form->OpenLastBook());
    }

    // Settings that cannot be read, or that are damaged, are passed over with a warning and left as they are.
    void unusableSettingsAreIgnored_data() {
        QTest::addColumn<bool>("folder");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("warning");
        QTest::newRow("damaged") << false << QByteArray("[window]\ngeometry=@Rect(0 0 900 600)\n[places\nx=1\n")
                                 << "is damaged";
        QTest::newRow("a folder") << true << QByteArray() << "cannot be read";
        // Files that are not what Quillmark writes: each is left byte for byte as it was.
        QByteArray random(4096, '\0');
        for (int i = 0; i < random.size(); ++i) {
            random[i] = static_cast<char>((i * 7919 + 13) % 251);
        }
        QTest::newRow("random bytes") << false << random << "is damaged";
        QTest::newRow("a note") << false << QByteArray("remember to buy milk\n") << "is damaged";
        QTest::newRow("Latin-1") << false << QByteArray("[reader]\nnote=caf\xe9\n") << "is damaged";
        QTest::newRow("too large") << false << QByteArray("a=b\n").repeated((1 << 18) + 1) << "is damaged";
    }
    void unusableSettingsAreIgnored() {
        QFETCH(bool, folder);
        QFETCH(QByteArray, content);
        QFETCH(QString, warning);
        const QString file = test::FreshConfigHome() + "/Quillmark/quillmark.conf";
        QVERIFY(QDir().mkpath(folder ? file : QFileInfo(file).path()));
        if (!folder) {
            QFile settings(file);
            QVERIFY(settings.open(QIODevice::WriteOnly));
            settings.write(content);
        }
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("settings file .*quillmark.conf " + warning));
        {
            test::ReadingWindow window(test::Settings::Kept);
            QCOMPARE(window.form->size(), QSize(811, 553));
            window.Open(book_);
            QCOMPARE(window.form->toc.CurrentRow(), 1);
            QVERIFY(window.form->close());
        }
        if (!folder) {
            QFile settings(file);
            QVERIFY(settings.open(QIODevice::ReadOnly));
            QCOMPARE(settings.readAll(), content);
        }
    }

    // Values that make no sense are left out one by one; the others count.
    void nonsenseValuesAreLeftOut() {
        const QString file = test::FreshConfigHome() + "/Quillmark/quillmark.conf";
        QVERIFY(QDir().mkpath(QFileInfo(file).path()));
        {
            QSettings settings(file, QSettings::IniFormat);
            settings.setValue("reader/bookScripts", "yes");
            settings.setValue("window/geometry", "wide");
            settings.setValue("window/tocWidth", 250);
            settings.setValue("recent/books", QStringList{"", QString::fromStdString(book_)});
            const QString place =
                "places/" +
                QString::fromLatin1(
                    QCryptographicHash::hash(QByteArray::fromStdString(book_), QCryptographicHash::Sha1).toHex());
            settings.setValue(place + "/path", QString::fromStdString(book_));
            settings.setValue(place + "/row", 3);
            settings.setValue(place + "/scroll", 0.5);
            settings.setValue(place + "/zoom", 99);
            settings.setValue("look/theme", "purple");
            settings.setValue("look/font", "family");
            settings.setValue("look/family", "");
            settings.setValue("look/fontSize", 9000);
            settings.setValue("look/lineSpacing", "wide");
            settings.setValue("look/margin", 2.5);
            settings.setValue("look/maxWidth", 3);
            settings.setValue("look/publisherStyles", "maybe");
        }
        // Each value of the look stands or falls alone.
        ReadingLook expected;
        expected.margin = 2.5;
        QVERIFY(ReaderSettings(file).Look() == expected);
        test::ReadingWindow window(test::Settings::Kept);
        TForm1& form = *window.form;
        QCOMPARE(form.size(), QSize(811, 553));
        QCOMPARE(form.PanelLeft->width(), 250);
        QVERIFY(!form.WebBrowser1->page()->settings()->testAttribute(QWebEngineSettings::JavascriptEnabled));
        QVERIFY(form.OpenLastBook());
        window.WaitForPage();
        QCOMPARE(form.toc.CurrentRow(), 1);
        QCOMPARE(form.state.WebZoom, 1.0);
    }

    // Ctrl+F finds text in the chapter: the count of matches, the next and the previous one; Esc closes the bar.
    void findInPage() {
        test::ReadingWindow window;
        TForm1& form = *window.form;
        window.Open(book_);
        QApplication::setActiveWindow(&form);
        QTest::keyClick(&form, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(form.FindBar1->isVisible());
        QVERIFY(form.FindBar1->EditFind->hasFocus());
        QTest::keyClicks(form.FindBar1->EditFind, "lamp");
        QTRY_COMPARE(form.FindBar1->LabelMatches->text(), QString("1 of 2"));
        QTest::keyClick(form.FindBar1->EditFind, Qt::Key_Return);
        QTRY_COMPARE(form.FindBar1->LabelMatches->text(), QString("2 of 2"));
        QTest::keyClick(form.FindBar1->EditFind, Qt::Key_Return, Qt::ShiftModifier);
        QTRY_COMPARE(form.FindBar1->LabelMatches->text(), QString("1 of 2"));
        QTest::mouseClick(form.FindBar1->ButtonPrevious, Qt::LeftButton);
        QTRY_COMPARE(form.FindBar1->LabelMatches->text(), QString("2 of 2"));

        // Another chapter is searched again as it shows.
        window.Select(3);
        QTRY_COMPARE(form.FindBar1->LabelMatches->text(), QString("No match"));
        form.FindBar1->EditFind->setText("Driftwood");
        QTRY_COMPARE(form.FindBar1->LabelMatches->text(), QString("1 of 60"));

        QTest::keyClick(form.FindBar1->EditFind, Qt::Key_Escape);
        QVERIFY(!form.FindBar1->isVisible());
    }

    // The caption names the open book by its package's title, else by its file name, and nothing once no book
    // is open.
    void captionNamesTheOpenBook() {
        const std::string untitled = dir_.filePath("untitled.epub").toStdString();
        WriteNestedBook(untitled, "");
        const QString broken = dir_.filePath("broken.epub");
        QFile(broken).open(QIODevice::WriteOnly);
        test::ReadingWindow window;
        TForm1& form = *window.form;
        QCOMPARE(form.windowTitle(), QString("Quillmark 5.2"));
        window.Open(book_);
        QCOMPARE(form.windowTitle(), QString::fromUtf8("The Lamp Keeper \u2014 Quillmark 5.2"));
        window.Open(untitled);
        QCOMPARE(form.windowTitle(), QString::fromUtf8("untitled.epub \u2014 Quillmark 5.2"));
        // A book that does not open leaves the open one, and its name, in place.
        form.RunHandler([&] { form.OpenBookFile(broken.toStdString()); });
        QCOMPARE(form.windowTitle(), QString::fromUtf8("untitled.epub \u2014 Quillmark 5.2"));
    }

    // A link into another chapter moves the table's highlight there without loading the page again, and the
    // page keeps the zoom; Alt+Left goes back, and the highlight with it.
    void highlightFollowsALinkAndGoesBack() {
        test::ReadingWindow window;
        TForm1& form = *window.form;
        window.Open(book_);
        QTest::mouseClick(form.ImageZoomIn, Qt::LeftButton, {}, QPoint(10, 10));
        const QString first = window.PagePath();
        form.WebBrowser1->EvaluateScript("document.getElementById('go').click()");
        QTRY_COMPARE(form.toc.CurrentRow(), 3);
        QCOMPARE(form.StringGrid1->currentIndex().row(), 3);
        QVERIFY(form.Label1->text().startsWith(QString::fromUtf8("The Section \u00b7 chapter 3 of 4 \u00b7 ")));
        // The page is the link's, at its anchor, not the row's page loaded anew from its top.
        QCOMPARE(form.WebBrowser1->url().fileName(), QString("three.xhtml"));
        QCOMPARE(form.WebBrowser1->url().fragment(), QString("shore"));
        QTRY_VERIFY(form.WebBrowser1->page()->scrollPosition().y() > 0);
        QTRY_COMPARE(window.BodyZoom(), QString("1.2"));

        QApplication::setActiveWindow(&form);
        QTest::keyClick(&form, Qt::Key_Left, Qt::AltModifier);
        QTRY_COMPARE(window.PagePath(), first);
        QTRY_COMPARE(form.toc.CurrentRow(), 1);
        QCOMPARE(form.StringGrid1->currentIndex().row(), 1);
        QTRY_COMPARE(window.BodyZoom(), QString("1.2"));
    }

    // Which row a page reached by a link belongs to.
    void rowOfPage_data() {
        QTest::addColumn<int>("current");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("fragment");
        QTest::addColumn<int>("row");
        const QString book = "/b/OEBPS/";
        QTest::newRow("whole file, shown renamed") << 1 << book + "ch2.html"
                                                   << "" << 2;
        QTest::newRow("whole file, not yet renamed") << 1 << book + "ch2.xhtml"
                                                     << "" << 2;
        QTest::newRow("the anchor's row") << 1 << book + "ch2.html"
                                          << "s2" << 4;
        QTest::newRow("an anchor no row has: the whole file") << 1 << book + "ch2.html"
                                                              << "zz" << 2;
        QTest::newRow("only anchor rows: the first") << 1 << book + "sec/ch3.html"
                                                     << "zz" << 5;
        QTest::newRow("a file listed twice keeps the current row") << 7 << book + "ch1.html"
                                                                   << "" << 7;
        QTest::newRow("the current row gives way to the anchor's") << 2 << book + "ch2.html"
                                                                   << "s1" << 3;
        QTest::newRow("the current row keeps an anchor no row has") << 2 << book + "ch2.html"
                                                                    << "zz" << 2;
        QTest::newRow("an escaped name") << 1 << book + QString::fromUtf8("caf\u00e9.html") << "" << 9;
        QTest::newRow("dot segments") << 1 << book + "sec/../ch2.html"
                                      << "" << 2;
        QTest::newRow("outside the book") << 1 << "/elsewhere/ch2.html"
                                          << "" << -1;
    }
    void rowOfPage() {
        QFETCH(int, current);
        QFETCH(QString, file);
        QFETCH(QString, fragment);
        QFETCH(int, row);
        TableOfContents toc;
        const char* paths[] = {"",
                               "ch1.xhtml",
                               "ch2.xhtml",
                               "ch2.xhtml#s1",
                               "ch2.xhtml#s2",
                               "sec/ch3.xhtml#a",
                               "sec/ch3.xhtml#b",
                               "ch1.xhtml",
                               "",
                               "caf%C3%A9.xhtml"};
        toc.SetRowCount(static_cast<std::int32_t>(std::size(paths)));
        for (std::int32_t r = 0; r < toc.RowCount(); ++r) {
            toc.SetCell(2, r, paths[r]);
        }
        toc.SetCurrentRowQuietly(current);
        QCOMPARE(RowOfPage(toc, "/b/OEBPS/", file.toStdString(), fragment.toStdString()), row);
    }

    // F11 is the reading mode: the page alone on the full screen, the title bar there while the pointer is at
    // the top edge, the status line while it says something brief; F11 and Esc leave it. Ctrl+Q closes the
    // window.
    void readingModeAndQuitKeys() {
        test::ReadingWindow window;
        TForm1& form = *window.form;
        window.Open(book_);
        QApplication::setActiveWindow(&form);
        form.StringGrid1->setFocus();
        const auto pageCoversWindow = [&form] {
            return form.WebBrowser1->mapTo(&form, QPoint(0, 0)) == QPoint(0, 0) &&
                   form.WebBrowser1->size() == form.size();
        };
        QTest::keyClick(&form, Qt::Key_F11);
        QTRY_VERIFY(form.isFullScreen());
        QTRY_VERIFY(pageCoversWindow());
        QVERIFY(!form.PanelTitle->isVisible());
        QVERIFY(!form.StringGrid1->isVisible());
        QVERIFY(!form.Label1->isVisible());
        QVERIFY(form.WebBrowser1->hasFocus());

        QTest::mouseMove(form.WebBrowser1->focusProxy(), QPoint(200, 1));
        QTRY_VERIFY(form.PanelTitle->isVisible());
        QCOMPARE(form.PanelTitle->y(), 0);
        QTest::mouseMove(form.WebBrowser1->focusProxy(), QPoint(200, 300));
        QTRY_VERIFY(!form.PanelTitle->isVisible());

        QTest::keyClick(form.WebBrowser1->focusProxy(), Qt::Key_Equal, Qt::ControlModifier);
        QVERIFY(form.Label1->isVisible());
        QVERIFY(form.Label1->text().startsWith("Zoom "));
        QCOMPARE(form.Label1->mapTo(&form, QPoint(0, form.Label1->height())).y(), form.height());
        QTRY_VERIFY_WITH_TIMEOUT(!form.Label1->isVisible(), 5000);

        QTest::keyClick(&form, Qt::Key_F11);
        QTRY_VERIFY(!form.isFullScreen());
        QTRY_COMPARE(form.size(), QSize(811, 553));
        QVERIFY(form.PanelTitle->isVisible() && form.StringGrid1->isVisible() && form.Label1->isVisible());
        QVERIFY(!pageCoversWindow());
        QTest::keyClick(&form, Qt::Key_F11);
        QTRY_VERIFY(form.isFullScreen());
        QTest::keyClick(&form, Qt::Key_Escape);
        QTRY_VERIFY(!form.isFullScreen());
        QVERIFY(form.StringGrid1->isVisible());
        QTest::keyClick(&form, Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!form.isVisible());
    }

    // While a conversion runs, the progress bar names the chapter and then the PDF being written, and a Cancel
    // button shows under it.
    void conversionShowsItsStepAndCancel() {
        test::ReadingWindow window;
        TForm1& form = *window.form;
        window.Open(book_);
        QTemporaryDir out;
        QStringList texts;
        std::vector<bool> cancelShown;
        connect(form.ProgressBar1, &QProgressBar::valueChanged, this, [&] {
            if (form.ProgressBar1->isVisible() && !texts.contains(form.ProgressBar1->text())) {
                texts << form.ProgressBar1->text();
                cancelShown.push_back(form.ButtonCancel->isVisible());
            }
        });
        window.dialogs.saveAnswers = {out.filePath("Lamp.pdf").toStdString()};
        form.ConverttoPDF1->trigger();
        QCOMPARE(texts, (QStringList{"chapter 1 of 4", "chapter 2 of 4", "chapter 3 of 4", "chapter 4 of 4",
                                     "writing the PDF"}));
        QCOMPARE(cancelShown, std::vector<bool>(5, true));
        QVERIFY(!form.ButtonCancel->isVisible());
        QVERIFY(QFile::exists(out.filePath("Lamp.pdf")));

        // The button cancels as Esc does: the files written so far go.
        window.dialogs.saveAnswers = {out.filePath("Lamp.jpg").toStdString()};
        form.Converter().onChapter = [&form, show = form.Converter().onChapter](const ChapterStep& step) {
            show(step);
            if (step.number == 2) {
                QTest::mouseClick(form.ButtonCancel, Qt::LeftButton);
            }
        };
        form.ConverttoJPG1->trigger();
        QVERIFY(!form.Converter().Running());
        QVERIFY(!form.ButtonCancel->isVisible());
        QCOMPARE(QDir(out.path()).entryList({"*.jpg"}), QStringList());
    }

private:
    QTemporaryDir dir_;
    std::string book_ = dir_.filePath("lamp.epub").toStdString();
};

QM_GUI_TEST_MAIN(ReadingComfortTest)
#include "reading_comfort_test.moc"

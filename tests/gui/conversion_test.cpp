// The conversion commands in the window, end to end on the real browser engine.
#include "mainwindow/Unit1.h"

#include "gui_test_main.h"
#include "mainwindow/picture_button.h"
#include "mainwindow/string_grid.h"
#include "platform/qt/web_engine_browser.h"
#include "reading_window.h"
#include "support/jpeg_decode.h"
#include "support/scripted_dialogs.h"
#include "zipwriter/fixture_book.h"
#include "zipwriter/zip_writer.h"

#include <QAction>
#include <QDir>
#include <QProcess>
#include <QProgressBar>
#include <QStandardPaths>
#include <QStyle>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <memory>

using namespace qm;
namespace fs = std::filesystem;

namespace {

const std::string kSampleBook = QM_SAMPLE_BOOK;

// Colours of the bands of the tall chapter, 1000 px each, in turn.
constexpr std::uint32_t kBands[] = {0xD01010, 0x10A040, 0x1030C0, 0xE0C020};

std::string Page(const std::string& body) {
    return "<?xml version='1.0' encoding='utf-8'?><html xmlns='http://www.w3.org/1999/xhtml'><head><title>t</title>"
           "</head><body style='margin:0'>" +
           body + "</body></html>";
}

// A chapter with a dark block at its top-left corner, a row without a chapter, an SVG picture as a chapter,
// and a chapter 70,000 px tall in bands of colour.
std::vector<ZipMember> BlockAndTallBook() {
    std::string bands;
    for (int i = 0; i < 70; ++i) {
        bands += QString("<div style='height:1000px;background:#%1'></div>")
                     .arg(kBands[i % 4], 6, 16, QChar('0'))
                     .toStdString();
    }
    return WithContainer({
        ZipEntry("OEBPS/content.opf",
                 "<?xml version='1.0'?><package xmlns='http://www.idpf.org/2007/opf' version='2.0'><manifest>"
                 "<item id='block' href='block.xhtml' media-type='application/xhtml+xml'/>"
                 "<item id='picture' href='picture.svg' media-type='image/svg+xml'/>"
                 "<item id='tall' href='tall.html' media-type='application/xhtml+xml'/>"
                 "</manifest><spine><itemref idref='block'/><itemref idref='ghost'/><itemref idref='picture'/>"
                 "<itemref idref='tall'/>"
                 "</spine></package>"),
        ZipEntry("OEBPS/toc.ncx", "<?xml version='1.0'?><ncx xmlns='http://www.daisy.org/z3986/2005/ncx/'><navMap>"
                                  "<navPoint id='n1' playOrder='1'><navLabel><text>Block</text></navLabel>"
                                  "<content src='block.xhtml'/></navPoint></navMap></ncx>"),
        ZipEntry("OEBPS/block.xhtml", Page("<div style='width:300px;height:200px;background:#1d4e6e'></div>"
                                           "<p style='margin:0;height:100px'>Text.</p>")),
        ZipEntry("OEBPS/picture.svg", "<svg xmlns='http://www.w3.org/2000/svg' width='300' height='200'>"
                                      "<rect width='300' height='200' fill='#c03030'/></svg>"),
        ZipEntry("OEBPS/tall.html", Page(bands)),
    });
}

fs::path PageFile(const TForm1& form, int row) {
    return fs::path(form.tempJPG) / (std::to_string(row) + "_W.jpg");
}

bool ToolInstalled(const char* name) {
    return !QStandardPaths::findExecutable(name).isEmpty();
}

bool QpdfFindsNoFault(const QString& pdf) {
    QProcess check;
    check.start("qpdf", {"--check", pdf});
    return check.waitForFinished() && check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0;
}

int PdfPages(const QString& pdf) {
    QProcess info;
    info.start("pdfinfo", {pdf});
    info.waitForFinished();
    for (const QString& line : QString::fromUtf8(info.readAllStandardOutput()).split('\n')) {
        if (line.startsWith("Pages:")) {
            return line.mid(6).trimmed().toInt();
        }
    }
    return -1;
}

} // namespace

class ConversionTest final : public QObject {
    Q_OBJECT

private slots:
    void init() { test::FreshDataHome(); }

    void theSampleBookBecomesOnePdfPagePerChapterAsItIsLaidOut() {
        test::ReadingWindow window;
        TForm1& form = *window.form;
        window.Open(kSampleBook);
        form.SetMaximised(true);
        QTest::qWait(50);
        // Every page is laid out as wide as the maximised view, and is as tall as its document is there, as its
        // files say (the conversion leaves the reader's look out).
        const QSize maximised = form.WebBrowser1->size();
        form.WebBrowser1->SetReadingStyleSuspended(true);
        std::vector<int> heights;
        for (int row = 1; row < form.toc.RowCount(); ++row) {
            if (row != form.toc.CurrentRow()) {
                form.state.flag_complete = 0;
                form.toc.SetCurrentRow(row);
                QTRY_COMPARE_WITH_TIMEOUT(form.state.flag_complete, 1, test::kLoadTimeoutMs);
            }
            heights.push_back(form.WebBrowser1->LayOut(maximised.width(), maximised.height()).height);
            form.WebBrowser1->EndCapture();
            form.WebBrowser1->SetViewHeight(maximised.height());
            form.WebBrowser1->SetViewWidth(maximised.width());
        }
        const QSize viewSize = form.WebBrowser1->size();
        QTemporaryDir out;
        const std::string pdf = out.filePath("Sample.pdf").toStdString();
        window.dialogs.saveAnswers = {pdf};
        form.state.WebZoom = 1.4;

        form.ConverttoPDF1->trigger();

        QCOMPARE(window.dialogs.saveRequests.at(0).fileName, std::string("quillmark-sample"));
        QCOMPARE(window.dialogs.messages.size(), std::size_t{1});
        QCOMPARE(window.dialogs.messages[0].caption, std::string("Congratulation"));
        QCOMPARE(window.dialogs.messages[0].text, "Successed to build: " + pdf + "\r\r5 pages");
        // The end offers to open the PDF; nothing opens unasked.
        QCOMPARE(window.dialogs.endOffersOpen, std::vector<bool>{true});
        QVERIFY(window.shell.folders.empty() && window.shell.files.empty());
        for (int row = 1; row < form.toc.RowCount(); ++row) {
            const test::DecodedJpeg page = test::DecodeJpeg(PageFile(form, row));
            QCOMPARE(page.width, maximised.width());
            QCOMPARE(page.height, heights[row - 1]);
        }
        QCOMPARE(form.state.WebZoom, 1.0);
        QCOMPARE(form.WebBrowser1->size(), viewSize);
        QVERIFY(!form.ProgressBar1->isVisible());
        QVERIFY(form.StringGrid1->isEnabled());
        if (ToolInstalled("qpdf") && ToolInstalled("pdfinfo")) {
            QVERIFY(QpdfFindsNoFault(QString::fromStdString(pdf)));
            QCOMPARE(PdfPages(QString::fromStdString(pdf)), 5);
        }
    }

    void pagesShowTheirChapterPicturesAndTallOnesIncluded() {
        QTemporaryDir dir;
        const std::string book = dir.filePath("Bands.epub").toStdString();
        WriteZipFile(book, BlockAndTallBook());
        test::ReadingWindow window;
        TForm1& form = *window.form;
        window.Open(book);
        window.dialogs.saveAnswers = {dir.filePath("Bands.pdf").toStdString()};

        form.ConverttoPDF1->trigger();

        QVERIFY2(window.dialogs.messages.size() == 1, window.dialogs.messages.back().text.c_str());
        QCOMPARE(window.dialogs.messages[0].caption, std::string("Congratulation"));
        const test::DecodedJpeg block = test::DecodeJpeg(PageFile(form, 1));
        QVERIFY(test::NearColour(block.Pixel(150, 100), 0x1d4e6e));
        QVERIFY(test::NearColour(block.Pixel(450, 100), 0xffffff));
        QVERIFY(!fs::exists(PageFile(form, 2)));
        // A picture is its own size, and captured as shown.
        const test::DecodedJpeg picture = test::DecodeJpeg(PageFile(form, 3));
        QCOMPARE(picture.width, 300);
        QCOMPARE(picture.height, 200);
        QVERIFY(test::NearColour(picture.Pixel(150, 100), 0xc03030));
        // Its foot row carried the line that marks a fresh frame; the capture is the frame after it went (JPEG
        // darkens that row a little next to the white below).
        QVERIFY(test::NearColour(picture.Pixel(150, 199), 0xc03030, 40));
        // 70,000 rows: one full JPEG file and the rest in a second, every band in its place (a stale, white or
        // shifted piece would show as a wrong colour).
        const test::DecodedJpeg first = test::DecodeJpeg(PageFile(form, 4));
        const fs::path secondPath = fs::path(form.tempJPG) / "4_W_part2.jpg";
        const test::DecodedJpeg second = test::DecodeJpeg(secondPath);
        QCOMPARE(first.height, 65500);
        // Shown in pieces, the tall page is laid out as wide as a page that fits the view: no scroll bar.
        QCOMPARE(first.width, block.width);
        QCOMPARE(second.height, 70000 - 65500);
        for (int row = 500; row < 70000; row += 1000) {
            const test::DecodedJpeg& part = row < 65500 ? first : second;
            const int y = row < 65500 ? row : row - 65500;
            QVERIFY2(test::NearColour(part.Pixel(part.width / 2, y), kBands[(row / 1000) % 4]),
                     qPrintable(QString("row %1").arg(row)));
        }
        if (ToolInstalled("qpdf") && ToolInstalled("pdfinfo")) {
            QVERIFY(QpdfFindsNoFault(dir.filePath("Bands.pdf")));
            QCOMPARE(PdfPages(dir.filePath("Bands.pdf")), 4);
        }
    }

    // The convert menu's third item prints the book as text, with the window's messages and folder.
    void theTextPdfRunsLikeThePdf() {
        test::ReadingWindow window;
        TForm1& form = *window.form;
        window.Open(kSampleBook);
        QTemporaryDir out;
        const QString pdf = out.filePath("Sample.pdf");
        window.dialogs.saveAnswers = {pdf.toStdString()};

        window.dialogs.endAnswers = {EndAnswer::ShowFolder};
        form.ConverttoPDFText1->trigger();

        QCOMPARE(window.dialogs.saveRequests.at(0).filter.pattern, std::string("*.pdf"));
        QCOMPARE(window.dialogs.messages.size(), std::size_t{1});
        QCOMPARE(window.dialogs.messages[0].caption, std::string("Congratulation"));
        QCOMPARE(window.shell.folders, std::vector<std::string>{out.path().toStdString() + "/"});
        if (ToolInstalled("pdftotext")) {
            QProcess text;
            text.start("pdftotext", {pdf, "-"});
            text.waitForFinished();
            QVERIFY(QString::fromUtf8(text.readAllStandardOutput()).contains("The Lamp Room"));
        }
    }

    void aRunningConversionLocksInputAndEscCancelsIt() {
        test::ReadingWindow window;
        TForm1& form = *window.form;
        window.Open(kSampleBook);
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTemporaryDir out;
        window.dialogs.saveAnswers = {out.filePath("Sample.jpg").toStdString()};
        bool locked = false;
        form.Converter().onChapter = [&](const ChapterStep& step) {
            if (step.number == 3) {
                locked = !form.StringGrid1->isEnabled() && !form.ImageOpen->isEnabled();
                form.ImageZoomInClick();
                QTest::keyClick(&form, Qt::Key_Escape);
            }
        };

        form.ConverttoJPG1->trigger();

        QVERIFY(locked);
        QCOMPARE(form.state.WebZoom, 1.0);
        QVERIFY(QDir(out.path()).isEmpty());
        QCOMPARE(window.dialogs.messages.size(), std::size_t{1});
        QCOMPARE(window.dialogs.messages[0].text, std::string("\rThe conversion was cancelled; nothing was written."));
        QVERIFY(form.StringGrid1->isEnabled());
        QVERIFY(!form.Converter().Running());
    }

    void closingTheWindowCancelsTheConversionAndCloses() {
        test::ReadingWindow window;
        TForm1& form = *window.form;
        window.Open(kSampleBook);
        QTemporaryDir out;
        window.dialogs.saveAnswers = {out.filePath("Sample.pdf").toStdString()};
        form.Converter().onChapter = [&](const ChapterStep& step) {
            if (step.number == 2) {
                form.ImageCloseClick();
            }
        };

        form.ConverttoPDF1->trigger();

        QTRY_VERIFY(!form.isVisible());
        QVERIFY(!QFile::exists(out.filePath("Sample.pdf")));
        QVERIFY(window.dialogs.messages.empty());
        QVERIFY(window.shell.folders.empty());
    }
};

QM_GUI_TEST_MAIN(ConversionTest)
#include "conversion_test.moc"

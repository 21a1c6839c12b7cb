#include "mainwindow/Unit1.h"

#include "gui_test_main.h"
#include "mainwindow/look_panel.h"
#include "reading_window.h"
#include "zipwriter/fixture_book.h"
#include "zipwriter/zip_writer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QSpinBox>
#include <QTemporaryDir>

#include <string>

using namespace qm;

// The reader's own look: set in the reading settings, put on every chapter the window shows, remembered, and
// never on a conversion's pages.
class ReadingLookTest final : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    const std::string book_ = dir_.filePath("look.epub").toStdString();

    static QString Computed(TForm1& form, const char* element, const char* property) {
        return form.WebBrowser1->EvaluateScript(QString("getComputedStyle(document.%1).%2").arg(element, property))
            .toString();
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        WriteZipFile(book_, FixtureEpub({
                                {"Text/one.xhtml", FixturePage("<h1>One</h1><p>Grey sea.</p>", ""), "One"},
                                {"Text/two.xhtml", FixturePage("<h1>Two</h1><p>Grey sky.</p>", ""), "Two"},
                            }));
    }

    void aLookIsShownRememberedAndLeftOutOfConversions() {
        test::FreshConfigHome();
        {
            test::ReadingWindow first(test::Settings::Kept);
            TForm1& form = *first.form;
            first.Open(book_);
            // The book as it is: white paper, its own font size, lines kept to a readable width.
            QCOMPARE(Computed(form, "body", "backgroundColor"), QString("rgba(0, 0, 0, 0)"));
            QCOMPARE(Computed(form, "documentElement", "fontSize"), QString("16px"));
            QCOMPARE(Computed(form, "body", "maxWidth"), QString("640px"));

            QApplication::setActiveWindow(&form);
            QTest::keyClick(form.WebBrowser1->focusProxy(), Qt::Key_Comma, Qt::ControlModifier);
            QVERIFY(form.LookPanel1->isVisible());
            QVERIFY(form.LookPanel1->ComboTheme->hasFocus());
            form.LookPanel1->ComboTheme->setCurrentIndex(2);
            form.LookPanel1->SpinFontSize->setValue(150);
            QCOMPARE(Computed(form, "body", "backgroundColor"), QString("rgb(30, 31, 34)"));
            QCOMPARE(Computed(form, "documentElement", "fontSize"), QString("24px"));
            QTest::keyClick(form.LookPanel1->ComboTheme, Qt::Key_Escape);
            QVERIFY(!form.LookPanel1->isVisible());

            // The next chapter has the look as soon as it shows.
            first.Select(2);
            QCOMPARE(Computed(form, "body", "backgroundColor"), QString("rgb(30, 31, 34)"));

            // A conversion's pages are the book's own, and the look comes back after it.
            QTemporaryDir out;
            first.dialogs.saveAnswers = {out.filePath("Look.jpg").toStdString()};
            form.ConverttoJPG1->trigger();
            const QStringList pages = QDir(out.path()).entryList({"*.jpg"}, QDir::Files, QDir::Name);
            QCOMPARE(pages.size(), 2);
            for (const QString& page : pages) {
                const QImage picture(out.filePath(page));
                QVERIFY2(qGray(picture.pixel(picture.width() - 3, picture.height() - 3)) > 240, qPrintable(page));
            }
            QTRY_COMPARE(Computed(form, "body", "backgroundColor"), QString("rgb(30, 31, 34)"));
            QVERIFY(form.close());
        }
        test::ReadingWindow second(test::Settings::Kept);
        TForm1& form = *second.form;
        second.Open(book_);
        QCOMPARE(Computed(form, "body", "backgroundColor"), QString("rgb(30, 31, 34)"));
        QCOMPARE(Computed(form, "documentElement", "fontSize"), QString("24px"));

        // The publisher's styles switch all of it off.
        QTest::mouseClick(form.ImageLook, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(form.LookPanel1->ComboTheme->currentIndex(), 2);
        form.LookPanel1->CheckPublisher->setChecked(true);
        QVERIFY(!form.LookPanel1->ComboTheme->isEnabled());
        QCOMPARE(Computed(form, "body", "backgroundColor"), QString("rgba(0, 0, 0, 0)"));
        QCOMPARE(Computed(form, "documentElement", "fontSize"), QString("16px"));
        QCOMPARE(Computed(form, "body", "maxWidth"), QString("none"));
    }
};

QM_GUI_TEST_MAIN(ReadingLookTest)
#include "reading_look_test.moc"

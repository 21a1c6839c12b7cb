#include "platform/qt/qt_dialogs.h"

#include "gui_test_main.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>

using namespace qm;

namespace {

// Answers the next message box with the button `text`, and remembers what it showed.
struct BoxAnswer {
    explicit BoxAnswer(QString button) : text(std::move(button)) {}
    QString text;
    QString title;
    QString shown;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

void AnswerNextBox(BoxAnswer& answer) {
    QTimer::singleShot(0, [&answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box != nullptr);
        answer.title = box->windowTitle();
        answer.shown = box->text();
        answer.icon = box->icon();
        for (QAbstractButton* button : box->buttons()) {
            if (button->text().remove('&') == answer.text) {
                button->click();
                return;
            }
        }
        QFAIL("the box has no such button");
    });
}

} // namespace

class QtDialogsTest final : public QObject {
    Q_OBJECT

private slots:
    void replaceQuestion_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("answer");
        QTest::newRow("Yes") << "Yes" << static_cast<int>(ReplaceAnswer::Yes);
        QTest::newRow("No") << "No" << static_cast<int>(ReplaceAnswer::No);
        QTest::newRow("All") << "All" << static_cast<int>(ReplaceAnswer::All);
    }
    void replaceQuestion() {
        QFETCH(QString, button);
        QFETCH(int, answer);
        QtDialogs dialogs("Quillmark");
        BoxAnswer box(button);
        AnswerNextBox(box);
        const ReplaceAnswer given = dialogs.AskReplace(
            "This folder already contains this file name!\r\rWould you like to replace the existing file?");
        QCOMPARE(static_cast<int>(given), answer);
        QCOMPARE(box.icon, QMessageBox::Question);
        QCOMPARE(box.shown, QString("This folder already contains this file name!\n\nWould you like to replace the "
                                    "existing file?"));
    }

    void messageBoxes_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("icon");
        QTest::newRow("error report") << static_cast<int>(MessageKind::Error) << ""
                                      << "Quillmark" << static_cast<int>(QMessageBox::Critical);
        QTest::newRow("plain box with caption") << static_cast<int>(MessageKind::Plain) << "Congratulation"
                                                << "Congratulation" << static_cast<int>(QMessageBox::NoIcon);
        QTest::newRow("information") << static_cast<int>(MessageKind::Information) << ""
                                     << "Information" << static_cast<int>(QMessageBox::Information);
    }
    void messageBoxes() {
        QFETCH(int, kind);
        QFETCH(QString, caption);
        QFETCH(QString, title);
        QFETCH(int, icon);
        QtDialogs dialogs("Quillmark");
        BoxAnswer box("OK");
        AnswerNextBox(box);
        dialogs.ShowMessage(static_cast<MessageKind>(kind), caption.toStdString(), "\rNo files existing!");
        QCOMPARE(box.title, title);
        QCOMPARE(static_cast<int>(box.icon), icon);
        QCOMPARE(box.shown, QString("\nNo files existing!"));
    }

    // The end of a conversion: its message with Open (only when there is something to open), Show in folder
    // and Close, each giving its answer.
    void conversionEnd_data() {
        QTest::addColumn<bool>("canOpen");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("answer");
        QTest::newRow("Open") << true << "Open" << static_cast<int>(EndAnswer::Open);
        QTest::newRow("Show in folder") << true << "Show in folder" << static_cast<int>(EndAnswer::ShowFolder);
        QTest::newRow("Close") << true << "Close" << static_cast<int>(EndAnswer::Close);
        QTest::newRow("Show in folder, nothing to open")
            << false << "Show in folder" << static_cast<int>(EndAnswer::ShowFolder);
    }
    void conversionEnd() {
        QFETCH(bool, canOpen);
        QFETCH(QString, button);
        QFETCH(int, answer);
        QtDialogs dialogs("Quillmark");
        BoxAnswer box(button);
        QStringList buttons;
        QTimer::singleShot(0, [&buttons] {
            if (auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                for (QAbstractButton* each : shown->buttons()) {
                    buttons << each->text().remove('&');
                }
            }
        });
        AnswerNextBox(box);
        const EndAnswer given =
            dialogs.ShowConversionEnd(MessageKind::Plain, "Congratulation", "Successed to build: a.pdf", canOpen);
        QCOMPARE(static_cast<int>(given), answer);
        QCOMPARE(box.title, QString("Congratulation"));
        QCOMPARE(buttons.contains("Open"), canOpen);
        QVERIFY(buttons.contains("Show in folder") && buttons.contains("Close"));
        QVERIFY(!buttons.contains("OK"));
    }
};

QM_GUI_TEST_MAIN(QtDialogsTest)
#include "qt_dialogs_test.moc"

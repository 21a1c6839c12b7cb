#include "mainwindow/Unit1.h"

#include "mainwindow/help_window.h"
#include "mainwindow/look_panel.h"

#include "gui_test_main.h"
#include "mainwindow/frame_hit_test.h"
#include "mainwindow/panel.h"
#include "mainwindow/picture.h"
#include "mainwindow/picture_button.h"
#include "mainwindow/status_label.h"
#include "mainwindow/string_grid.h"
#include "reading_window.h"
#include "support/scripted_dialogs.h"

#include <QAccessible>
#include <QDir>
#include <QHeaderView>
#include <QProgressBar>
#include <QScreen>
#include <QTextBrowser>

#include <memory>

using namespace qm;

Q_DECLARE_METATYPE(qm::ButtonPicture)

namespace {

// A window with scripted dialogs and a recording shell, and the system move and resize loops counted.
struct Window {
    test::ScriptedDialogs dialogs;
    test::RecordingShell shell;
    std::unique_ptr<TForm1> form = std::make_unique<TForm1>(dialogs, shell);
    int moves = 0;
    std::vector<Qt::Edges> resizes;

    Window() {
        form->StartSystemMove = [this] { ++moves; };
        form->StartSystemResize = [this](Qt::Edges edges) { resizes.push_back(edges); };
        form->show();
    }
    TPictureButton* Button(const QString& name) const { return form->findChild<TPictureButton*>(name); }
};

QPoint PlaceIn(const QWidget* widget, const QWidget* ancestor) {
    return widget->mapTo(ancestor, QPoint(0, 0));
}

} // namespace

class FrameTest final : public QObject {
    Q_OBJECT

private slots:
    void init() {
        test::FreshDataHome();
        // Each window starts from no settings, whatever the one before it left.
        test::FreshConfigHome();
    }

    void afterCreation() {
        Window window;
        TForm1& form = *window.form;
        QCOMPARE(form.size(), QSize(811, 553));
        QCOMPARE(form.windowTitle(), QString("Quillmark 5.2"));
        QVERIFY(form.windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(form.state.WebZoom, 1.0);
        QCOMPARE(form.state.flag_complete, 0);
        QCOMPARE(form.state.flag_null, false);
        QVERIFY(!form.StringGrid1->isVisible());
        QVERIFY(!form.ProgressBar1->isVisibleTo(&form));
        QCOMPARE(form.ProgressBar1->value(), 0);
        QVERIFY(form.Label1->text().isEmpty());
        QVERIFY(!form.PanelImage->isVisibleTo(&form));
        QCOMPARE(form.StringGrid1->columnWidth(0), 20);
        QCOMPARE(form.StringGrid1->columnWidth(1), 250);
        QCOMPARE(form.StringGrid1->columnWidth(2), 1);
        const QString data = qEnvironmentVariable("XDG_DATA_HOME");
        QCOMPARE(QString::fromStdString(form.tempDir), data + "/QMK/tempDir");
        QCOMPARE(QString::fromStdString(form.tempJPG), data + "/QMK/tempJPG");
        QVERIFY(!QDir(data + "/QMK").exists());
    }

    void frameGeometry() {
        Window window;
        TForm1& form = *window.form;
        QCOMPARE(form.PanelTitle->geometry(), QRect(4, 4, 803, 112));
        QCOMPARE(form.PanelLeft->geometry(), QRect(4, 116, 171, 433));
        QCOMPARE(form.PanelPage->geometry(), QRect(175, 116, 632, 433));
        QCOMPARE(form.Image2->geometry(), QRect(0, 0, 730, 112));
        QCOMPARE(form.Image4->geometry(), QRect(730, 0, 61, 112));
        QCOMPARE(form.Image6->geometry(), QRect(791, 0, 12, 112));
        const char* commands[] = {"ImageOpen",     "ImageConvert", "ImageZoomIn", "ImageZoomOut",
                                  "ImageOriginal", "ImageLook",    "ImageHome",   "ImageHelp"};
        const int lefts[] = {14, 93, 170, 247, 324, 401, 478, 555};
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(window.Button(commands[i])->geometry(), QRect(lefts[i], 41, 64, 65));
            if (i > 0) {
                const auto* separator = form.findChild<TPicture*>(QString("ImageSeparator%1").arg(i));
                QCOMPARE(separator->geometry(), QRect(lefts[i] - 7, 53, 1, 40));
            }
        }
        QCOMPARE(form.ImageMin->geometry(), QRect(705, 6, 26, 18));
        QCOMPARE(form.ImageMax->geometry(), QRect(732, 6, 25, 18));
        QCOMPARE(form.ImageMax2->geometry(), QRect(732, 6, 25, 18));
        QCOMPARE(form.ImageClose->geometry(), QRect(758, 6, 45, 18));
        QCOMPARE(form.ImageClose->geometry().right() + 1, form.PanelTitle->width());
        QVERIFY(form.ImageMax->isVisible());
        QVERIFY(!form.ImageMax2->isVisible());

        // The table between the strips of the left panel's middle column, the strip under it 145 wide.
        QCOMPARE(form.StringGrid1->geometry(), QRect(14, 15, 145, 433 - 15 - 33));
        QCOMPARE(form.Image3->geometry(), QRect(14, 433 - 33, 145, 33));
        QCOMPARE(form.Panel1->geometry(), QRect(11, 15, 632 - 25, 433 - 15 - 33));
        QCOMPARE(form.Label1->pos(), form.ImagePageBottom->pos() + QPoint(10, 10));
        QCOMPARE(form.ProgressBar1->geometry(), QRect(14, 433 - 33 - 17, 145, 17));
    }

    // The outline's corners are cut; the rest of the window belongs to it.
    void roundedOutlineFollowsTheSize() {
        Window window;
        TForm1& form = *window.form;
        for (const QSize size : {QSize(811, 553), QSize(1000, 640)}) {
            form.resize(size);
            const QRegion outline = form.mask();
            QVERIFY(!outline.contains(QPoint(0, 0)));
            QVERIFY(!outline.contains(QPoint(size.width() - 1, size.height() - 1)));
            QVERIFY(outline.contains(QPoint(3, 3)));
            QVERIFY(outline.contains(QPoint(size.width() / 2, 0)));
            QVERIFY(outline.contains(QPoint(0, size.height() / 2)));
            QVERIFY(outline.contains(QPoint(size.width() - 4, size.height() - 4)));
        }
    }

    void windowButtonsFollowTheRightEdge() {
        Window window;
        TForm1& form = *window.form;
        form.resize(1000, 640);
        QCOMPARE(form.ImageMin->pos(), QPoint(894, 6));
        QCOMPARE(form.ImageMax->pos(), QPoint(921, 6));
        QCOMPARE(form.ImageClose->pos(), QPoint(947, 6));
        QCOMPARE(form.ImageClose->geometry().right() + 1, form.PanelTitle->width());
        QCOMPARE(form.Label1->pos(), form.ImagePageBottom->pos() + QPoint(10, 10));
        QCOMPARE(window.Button("ImageHelp")->pos(), QPoint(555, 41));
        QCOMPARE(form.Panel1->height(), 640 - 8 - 112 - 15 - 33);
    }

    void pictureStates_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<ButtonPicture>("afterRelease");
        const std::pair<const char*, ButtonPicture> buttons[] = {
            {"ImageOpen", ButtonPicture::Norm},      {"ImageConvert", ButtonPicture::Norm},
            {"ImageZoomIn", ButtonPicture::Enter},   {"ImageZoomOut", ButtonPicture::Enter},
            {"ImageOriginal", ButtonPicture::Enter}, {"ImageHome", ButtonPicture::Norm},
            {"ImageHelp", ButtonPicture::Norm},      {"ImageMin", ButtonPicture::Enter},
            {"ImageMax", ButtonPicture::Enter},      {"ImageClose", ButtonPicture::Enter},
        };
        for (const auto& [name, afterRelease] : buttons) {
            QTest::newRow(name) << name << afterRelease;
        }
    }
    // Enter, leave, a right press and release (pictures only, no command), and the pictures' content: each
    // state shows its own picture from the store.
    void pictureStates() {
        QFETCH(QString, button);
        QFETCH(ButtonPicture, afterRelease);
        Window window;
        TPictureButton* target = window.Button(button);
        int clicks = 0;
        connect(target, &TPictureButton::Click, this, [&clicks] { ++clicks; });
        QCOMPARE(target->Shown(), ButtonPicture::Norm);

        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), target->mapToGlobal(QPointF(5, 5)));
        QCoreApplication::sendEvent(target, &enter);
        QCOMPARE(target->Shown(), ButtonPicture::Enter);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(target, &leave);
        QCOMPARE(target->Shown(), ButtonPicture::Norm);

        QTest::mousePress(target, Qt::RightButton, {}, QPoint(10, 10));
        QCOMPARE(target->Shown(), ButtonPicture::Down);
        const QImage down = target->pixmap().toImage();
        QTest::mouseRelease(target, Qt::RightButton, {}, QPoint(10, 10));
        QCOMPARE(target->Shown(), afterRelease);
        QCOMPARE(clicks, 0);

        const QString suffixes[] = {"Norm", "Enter", "Down"};
        const auto* stored = window.form->PanelImage->findChild<QLabel*>(button + "Down");
        QCOMPARE(down, stored->pixmap().toImage());
        QCOMPARE(target->size(), stored->pixmap().size());
        for (const QString& suffix : suffixes) {
            QVERIFY(window.form->PanelImage->findChild<QLabel*>(button + suffix) != nullptr);
        }
        QVERIFY(window.form->PanelImage->findChild<QLabel*>(button + "Norm")->pixmap().toImage() != down);
    }

    // A left click runs the command while the button still shows its Down picture; a release away from the
    // button is no click.
    void commandRunsWhilePressed() {
        Window window;
        TPictureButton* zoomIn = window.form->ImageZoomIn;
        std::vector<ButtonPicture> seen;
        connect(zoomIn, &TPictureButton::Click, this, [&] { seen.push_back(zoomIn->Shown()); });
        QTest::mouseClick(zoomIn, Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(seen, std::vector<ButtonPicture>{ButtonPicture::Down});
        QCOMPARE(zoomIn->Shown(), ButtonPicture::Enter);
        QTest::mousePress(zoomIn, Qt::LeftButton, {}, QPoint(20, 20));
        QTest::mouseRelease(zoomIn, Qt::LeftButton, {}, QPoint(200, 20));
        QCOMPARE(seen.size(), std::size_t{1});
    }

    // The picture buttons are buttons to the keyboard and to a screen reader too: each is named and its press
    // action clicks it; Tab goes through them in the title bar's order, the focused one shows a ring, and
    // Space clicks it. A click with the pointer leaves the keyboard where it was.
    void buttonsServeKeyboardAndScreenReaders() {
        Window window;
        TForm1& form = *window.form;
        QApplication::setActiveWindow(&form);
        for (TPictureButton* button : form.findChildren<TPictureButton*>()) {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
            QVERIFY(accessible != nullptr);
            QCOMPARE(accessible->role(), QAccessible::Button);
            QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(), qPrintable(button->objectName()));
        }
        QAccessibleInterface* zoomIn = QAccessible::queryAccessibleInterface(form.ImageZoomIn);
        QCOMPARE(zoomIn->text(QAccessible::Name), QString("Zoom in"));
        QCOMPARE(zoomIn->text(QAccessible::Description), QString("Zoom in (Ctrl++)"));
        zoomIn->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(form.state.WebZoom, 1.2);

        const QImage unfocused = form.ImageLook->grab().toImage();
        form.ImageOriginal->setFocus(Qt::TabFocusReason);
        QTest::keyClick(form.ImageOriginal, Qt::Key_Tab);
        QVERIFY(form.ImageLook->hasFocus());
        QVERIFY(form.ImageLook->grab().toImage() != unfocused);
        QTest::keyClick(form.ImageLook, Qt::Key_Space);
        QVERIFY(form.LookPanel1->isVisible());
        QTest::keyClick(form.LookPanel1, Qt::Key_Escape);
        QVERIFY(!form.LookPanel1->isVisible());

        form.ImageHelp->setFocus(Qt::TabFocusReason);
        QTest::mouseClick(form.ImageZoomOut, Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(form.state.WebZoom, 1.0);
        QVERIFY(form.ImageHelp->hasFocus());
    }

    void hitTest_data() {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("answer");
        // A window at (100, 100) of 811 x 553: it covers x 100 to 910 and y 100 to 652.
        const int cases[][3] = {
            {100, 100, HTTOPLEFT},     {106, 106, HTTOPLEFT},     {106, 300, HTLEFT},       {107, 300, HTCLIENT},
            {905, 300, HTRIGHT},       {904, 300, HTCLIENT},      {500, 106, HTTOP},        {500, 107, HTCLIENT},
            {500, 647, HTBOTTOM},      {500, 646, HTCLIENT},      {910, 100, HTRIGHT},      {100, 652, HTBOTTOMLEFT},
            {910, 652, HTBOTTOMRIGHT}, {905, 647, HTBOTTOMRIGHT}, {106, 647, HTBOTTOMLEFT}, {905, 106, HTRIGHT},
        };
        for (const auto& c : cases) {
            QTest::addRow("(%d, %d)", c[0], c[1]) << c[0] << c[1] << c[2];
        }
    }
    void hitTest() {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, answer);
        QCOMPARE(static_cast<int>(FrameHitTest(x, y, 100, 100, 811, 553)), answer);
    }

    // In the band a left press over any control starts the system resize and the control gets nothing;
    // elsewhere the controls keep their events.
    void resizeBandOverControls() {
        Window window;
        TForm1& form = *window.form;
        int closes = 0;
        connect(form.ImageClose, &TPictureButton::Click, this, [&closes] { ++closes; });
        // The close button's last two columns lie in the right band.
        const QPoint closeOrigin = PlaceIn(form.ImageClose, &form);
        QCOMPARE(closeOrigin.x() + form.ImageClose->width() - 1, 806);
        QTest::mouseClick(form.ImageClose, Qt::LeftButton, {}, QPoint(form.ImageClose->width() - 1, 8));
        QCOMPARE(window.resizes, std::vector<Qt::Edges>{Qt::RightEdge});
        QCOMPARE(closes, 0);
        QCOMPARE(form.ImageClose->Shown(), ButtonPicture::Norm);

        QTest::mouseClick(form.PanelOuter, Qt::LeftButton, {}, QPoint(2, 300));
        QTest::mouseClick(form.PanelOuter, Qt::LeftButton, {}, QPoint(810, 552));
        QTest::mouseClick(form.PanelOuter, Qt::RightButton, {}, QPoint(2, 2));
        QCOMPARE(window.resizes, (std::vector<Qt::Edges>{Qt::RightEdge, Qt::LeftEdge, Qt::BottomEdge | Qt::RightEdge}));

        QTest::mouseClick(form.ImageClose, Qt::RightButton, {}, QPoint(5, 8));
        QCOMPARE(form.ImageClose->Shown(), ButtonPicture::Enter);
        QCOMPARE(window.resizes.size(), std::size_t{3});

        // A press outside the band keeps its release, also where the release lands in the band.
        QTest::mousePress(form.ImageClose, Qt::LeftButton, {}, QPoint(5, 8));
        QTest::mouseRelease(form.ImageClose, Qt::LeftButton, {}, QPoint(form.ImageClose->width() - 1, 8));
        QCOMPARE(closes, 1);
        QCOMPARE(window.resizes.size(), std::size_t{3});
    }

    void maximiseAndRestore() {
        Window window;
        TForm1& form = *window.form;
        const QPoint place = form.ImageMax->pos();
        QTest::mouseClick(form.ImageMax, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(form.IsMaximised());
        const QScreen* screen = QGuiApplication::primaryScreen();
        QTRY_COMPARE(form.geometry(),
                     QRect(screen->availableGeometry().topLeft(),
                           QSize(screen->availableGeometry().width(), screen->geometry().height() - 40)));
        QVERIFY(!form.ImageMax->isVisible());
        QVERIFY(form.ImageMax2->isVisible());
        QCOMPARE(form.ImageMax2->pos(), QPoint(form.width() - 79, 6));

        QTest::mouseClick(form.ImageMax2, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!form.IsMaximised());
        QTRY_COMPARE(form.size(), QSize(811, 553));
        QVERIFY(form.ImageMax->isVisible());
        QVERIFY(!form.ImageMax2->isVisible());
        QCOMPARE(form.ImageMax->pos(), place);
    }

    void titleDoubleClickToggles_data() {
        QTest::addColumn<QString>("piece");
        QTest::newRow("left piece") << "Image2";
        QTest::newRow("middle piece") << "Image4";
        QTest::newRow("right end") << "Image6";
    }
    void titleDoubleClickToggles() {
        QFETCH(QString, piece);
        Window window;
        auto* title = window.form->findChild<TPicture*>(piece);
        QTest::mouseDClick(title, Qt::LeftButton, {}, QPoint(5, 60));
        QVERIFY(window.form->IsMaximised());
        QTest::mouseDClick(title, Qt::LeftButton, {}, QPoint(5, 60));
        QVERIFY(!window.form->IsMaximised());
        QCOMPARE(window.moves, 0);
    }

    // A left drag on a title piece of a normal window moves it; a maximised window, or any other button,
    // never moves.
    void titleDrag() {
        Window window;
        TForm1& form = *window.form;
        auto drag = [&form](Qt::MouseButton button) {
            QTest::mousePress(form.Image4, button, {}, QPoint(10, 60));
            QMouseEvent move(QEvent::MouseMove, QPointF(20, 62), form.Image4->mapToGlobal(QPointF(20, 62)),
                             Qt::NoButton, button, {});
            QCoreApplication::sendEvent(form.Image4, &move);
            QTest::mouseRelease(form.Image4, button, {}, QPoint(20, 62));
        };
        drag(Qt::LeftButton);
        QCOMPARE(window.moves, 1);
        drag(Qt::RightButton);
        drag(Qt::MiddleButton);
        QCOMPARE(window.moves, 1);
        form.ImageMaxClick();
        drag(Qt::LeftButton);
        QCOMPARE(window.moves, 1);
    }

    void closeIsAlwaysGranted() {
        Window window;
        QVERIFY(window.form->close());
        QVERIFY(!window.form->isVisible());
    }

    // Home and Help show the shipped pages in the program's own help window, not in a desktop browser.
    void homeAndHelpShowShippedPages() {
        // The build puts the pages in its own data folder, as an installation does in the system's.
        qputenv("XDG_DATA_DIRS", QM_BUILT_DATA_DIR);
        Window window;
        window.form->ImageHomeClick();
        QVERIFY(window.form->HelpWindow1->isVisible());
        QVERIFY(window.form->HelpWindow1->Browser->source().toLocalFile().endsWith("/quillmark/help/index.html"));
        QApplication::setActiveWindow(window.form.get());
        QTest::keyClick(window.form.get(), Qt::Key_F1);
        const QTextBrowser* help = window.form->HelpWindow1->Browser;
        QVERIFY(help->source().toLocalFile().endsWith("/quillmark/help/help.html"));
        QVERIFY(QFile::exists(help->source().toLocalFile()));
        for (const char* section :
             {"Reading", "Finding text", "Your own look", "Reading mode", "Converting", "Keyboard shortcuts"}) {
            QVERIFY2(help->toPlainText().contains(section), section);
        }
        QVERIFY(window.shell.pages.empty());
        QApplication::setActiveWindow(window.form->HelpWindow1);
        QTest::keyClick(window.form->HelpWindow1->Browser, Qt::Key_Escape);
        QVERIFY(!window.form->HelpWindow1->isVisible());
    }

    // An error in a handler is shown in a message box with its text, and the program goes on.
    void handlerErrorsAreShown() {
        Window window;
        window.form->RunHandler([] { throw std::runtime_error("Stream read error"); });
        QCOMPARE(window.dialogs.messages.size(), std::size_t{1});
        QCOMPARE(window.dialogs.messages[0].kind, MessageKind::Error);
        QCOMPARE(window.dialogs.messages[0].text, std::string("Stream read error"));
    }

    void keyboardOpensAndZooms() {
        Window window;
        TForm1& form = *window.form;
        // Shortcuts belong to the active window; without a window manager nobody else makes it active.
        QApplication::setActiveWindow(&form);
        window.dialogs.openAnswers.push_back(std::nullopt);
        QTest::keyClick(&form, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(window.dialogs.openFilters.size(), std::size_t{1});
        QCOMPARE(window.dialogs.openFilters[0].description, std::string("epub file"));
        QCOMPARE(window.dialogs.openFilters[0].pattern, std::string("*.epub"));
        QTest::keyClick(&form, Qt::Key_Plus, Qt::ControlModifier);
        QCOMPARE(form.state.WebZoom, 1.2);
        QTest::keyClick(&form, Qt::Key_Minus, Qt::ControlModifier);
        QTest::keyClick(&form, Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(form.state.WebZoom, 0.8);
        QTest::keyClick(&form, Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(form.state.WebZoom, 1.0);
    }
};

QM_GUI_TEST_MAIN(FrameTest)
#include "frame_test.moc"

#pragma once

#include "mainwindow/Unit1.h"
#include "mainwindow/picture_button.h"
#include "mainwindow/string_grid.h"
#include "platform/qt/web_engine_browser.h"
#include "support/scripted_dialogs.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QTest>

#include <memory>
#include <string>

namespace qm::test {

// How long a chapter may take to load in a test before it fails.
inline constexpr int kLoadTimeoutMs = 15000;

// Points $XDG_CONFIG_HOME at a new empty folder below the test's private config folder and returns it: a
// window created after this call keeps its settings there, apart from every earlier window's.
inline QString FreshConfigHome() {
    static const QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    static int count = 0;
    const QString path = base + QString("/fresh-%1").arg(++count);
    if (!QDir().mkpath(path)) {
        qFatal("cannot create the test folder %s", qPrintable(path));
    }
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(path));
    return path;
}

// Whether a test window starts from settings of its own or keeps those that earlier windows left.
enum class Settings { Fresh, Kept };

// A window with scripted dialogs, and the ways the tests drive it. Each starts with settings of its own unless
// told to keep them (to see what a window remembers for the next one).
struct ReadingWindow {
    test::ScriptedDialogs dialogs;
    test::RecordingShell shell;
    std::unique_ptr<TForm1> form;

    explicit ReadingWindow(Settings settings = Settings::Fresh) {
        if (settings == Settings::Fresh) {
            FreshConfigHome();
        }
        form = std::make_unique<TForm1>(dialogs, shell);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }

    // Opens `book` with the open button, through the dialog, and waits for the first chapter.
    void Open(const std::string& book) {
        dialogs.openAnswers.push_back(book);
        QTest::mouseClick(form->ImageOpen, Qt::LeftButton, {}, QPoint(10, 10));
        WaitForPage();
    }
    void WaitForPage() { QTRY_COMPARE_WITH_TIMEOUT(form->state.flag_complete, 1, kLoadTimeoutMs); }
    // Selects `row` as the user does, in the grid, and waits until it is shown.
    void Select(int row) {
        form->state.flag_complete = 0;
        form->StringGrid1->setCurrentIndex(form->StringGrid1->model()->index(row, 1));
        WaitForPage();
    }
    QString PagePath() const { return form->WebBrowser1->url().toLocalFile(); }
    QString BodyZoom() const { return form->WebBrowser1->EvaluateScript("document.body.style.zoom").toString(); }
    QString Chapter(const char* relative) const { return QString::fromStdString(form->state.subTempDir) + relative; }
};

} // namespace qm::test

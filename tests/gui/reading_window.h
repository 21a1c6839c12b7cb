#pragma once

#include "mainwindow/Unit1.h"
#include "mainwindow/picture_button.h"
#include "mainwindow/string_grid.h"
#include "platform/web_engine_browser.h"
#include "support/scripted_dialogs.h"

#include <QString>
#include <QTest>

#include <memory>
#include <string>

namespace qm::test {

// How long a chapter may take to load in a test before it fails.
inline constexpr int kLoadTimeoutMs = 15000;

// A window with scripted dialogs, and the ways the tests drive it.
struct ReadingWindow {
    test::ScriptedDialogs dialogs;
    test::RecordingShell shell;
    std::unique_ptr<TForm1> form = std::make_unique<TForm1>(dialogs, shell);

    ReadingWindow() {
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

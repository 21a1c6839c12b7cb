#include "mainwindow/window_conversion.h"

#include "mainwindow/Unit1.h"
#include "mainwindow/find_bar.h"
#include "mainwindow/panel.h"
#include "mainwindow/picture_button.h"
#include "mainwindow/string_grid.h"
#include "platform/qt/web_engine_browser.h"

#include <QLabel>
#include <QObject>
#include <QProgressBar>
#include <QPushButton>

namespace qm {

void WindowConversion::ShowBrowser() {
    form_.LabelStart->hide();
    form_.Panel1->show();
    form_.WebBrowser1->show();
}

void WindowConversion::Maximise() {
    form_.SetMaximised(true);
}

void WindowConversion::ShowProgress(int steps) {
    form_.ProgressBar1->setRange(0, steps);
    form_.ProgressBar1->setValue(0);
    form_.ProgressBar1->setFormat(chaptersNamed_ ? QObject::tr("writing the PDF") : QString());
    form_.ProgressBar1->show();
}

void WindowConversion::ShowChapter(const ChapterStep& step) {
    chaptersNamed_ = true;
    form_.ProgressBar1->setFormat(QObject::tr("chapter %1 of %2").arg(step.number).arg(step.count));
}

void WindowConversion::SetProgress(int done) {
    form_.ProgressBar1->setValue(done);
}

void WindowConversion::HideProgress() {
    chaptersNamed_ = false;
    form_.ProgressBar1->hide();
    form_.ProgressBar1->setFormat(QString());
}

void WindowConversion::LockInput(bool locked) {
    // The commands themselves refuse to run during a conversion (keys, drops and gestures reach them too);
    // greying the controls shows why.
    for (QWidget* control : {static_cast<QWidget*>(form_.StringGrid1), static_cast<QWidget*>(form_.ImageOpen),
                             static_cast<QWidget*>(form_.ImageConvert), static_cast<QWidget*>(form_.ImageZoomIn),
                             static_cast<QWidget*>(form_.ImageZoomOut), static_cast<QWidget*>(form_.ImageOriginal)}) {
        control->setEnabled(!locked);
    }
    // Cancel stands where the progress shows; searching would mark the pages being captured.
    form_.ButtonCancel->setVisible(locked);
    if (locked && form_.FindBar1->isVisible()) {
        form_.CloseFindBar();
    }
}

} // namespace qm

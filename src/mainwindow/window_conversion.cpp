#include "mainwindow/window_conversion.h"

#include "mainwindow/Unit1.h"
#include "mainwindow/panel.h"
#include "mainwindow/picture_button.h"
#include "platform/qt/web_engine_browser.h"

#include <QLabel>
#include <QObject>
#include <QProgressBar>
#include <QPushButton>

namespace qm {

void WindowConversion::ShowBrowser() {
    form_.LabelStart->hide();
    form_.Panel1->show();
    form_.ConversionPage1->show();
    form_.WebBrowser1->show();
    form_.WebBrowser1->raise();
}

void WindowConversion::Maximise() {
    form_.SetMaximised(true);
    form_.SizeConversionPage();
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
    // The conversion has a page of its own; the reader reads on. Only opening another book (whose unpacking
    // would take the pages away) waits: the open command refuses during a conversion, and its button is grey.
    form_.ImageOpen->setEnabled(!locked);
    form_.ButtonCancel->setVisible(locked);
}

} // namespace qm

#include "mainwindow/help_window.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace qm {

namespace {

constexpr int kHelpWidth = 760;
constexpr int kHelpHeight = 640;

} // namespace

THelpWindow::THelpWindow(QWidget* parent, std::function<void(const std::string& url)> openExternal)
    : QWidget(parent, Qt::Window), openExternal_(std::move(openExternal)) {
    setObjectName("HelpWindow");
    setWindowTitle(tr("Quillmark help"));
    resize(kHelpWidth, kHelpHeight);
    Browser = new QTextBrowser(this);
    Browser->setObjectName("HelpBrowser");
    Browser->setAccessibleName(tr("Help page"));
    Browser->setOpenLinks(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Browser);
    connect(Browser, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.isLocalFile() || url.isRelative()) {
            Browser->setSource(url);
        } else if (url.scheme() == "http" || url.scheme() == "https") {
            openExternal_(url.toString().toStdString());
        }
    });
}

void THelpWindow::ShowPage(const QString& url) {
    // Rich text reads no linked style sheet; the pages' own is given as the document's.
    QFile css(QFileInfo(QUrl(url).toLocalFile()).dir().filePath("help.css"));
    if (css.open(QIODevice::ReadOnly)) {
        Browser->document()->setDefaultStyleSheet(QString::fromUtf8(css.readAll()));
    }
    Browser->setSource(QUrl(url));
    if (!isVisible() && parentWidget() != nullptr) {
        move(parentWidget()->geometry().center() - rect().center());
    }
    show();
    raise();
    activateWindow();
}

void THelpWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace qm

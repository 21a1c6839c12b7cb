#include "platform/qt/desktop_shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace qm {

void DesktopShell::OpenFolder(const std::string& folder) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)));
}

void DesktopShell::OpenPage(const std::string& url) {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

} // namespace qm

#include "mainwindow/help_pages.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace qm {

std::string HelpPageUrl(const std::string& name) {
    const QString relative = "quillmark/help/" + QString::fromStdString(name);
    QString path = QCoreApplication::applicationDirPath() + "/../share/" + relative;
    if (!QFileInfo::exists(path)) {
        path = QStandardPaths::locate(QStandardPaths::GenericDataLocation, relative);
    }
    if (path.isEmpty()) {
        return {};
    }
    return QUrl::fromLocalFile(QFileInfo(path).canonicalFilePath()).toString().toStdString();
}

} // namespace qm

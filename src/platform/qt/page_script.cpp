#include "platform/qt/page_script.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>

#include <stdexcept>

namespace qm::PageScript {

namespace {

const QString& Source(const char* name) {
    static QHash<QString, QString> loaded;
    const QString key = QString::fromLatin1(name);
    if (const auto found = loaded.constFind(key); found != loaded.constEnd()) {
        return *found;
    }
    QFile file(":/page_scripts/" + key + ".js");
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::logic_error("The program lacks its page script " + key.toStdString());
    }
    return *loaded.insert(key, QString::fromUtf8(file.readAll()).trimmed());
}

} // namespace

QString Call(const char* name, const QVariantList& arguments) {
    const QString list =
        QString::fromUtf8(QJsonDocument(QJsonArray::fromVariantList(arguments)).toJson(QJsonDocument::Compact));
    return Source(name) + "(" + list.mid(1, list.size() - 2) + ")";
}

} // namespace qm::PageScript

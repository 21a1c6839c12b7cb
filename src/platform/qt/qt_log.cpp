#include "platform/qt/qt_log.h"

#include "diagnostics/log.h"

namespace qm {

Q_LOGGING_CATEGORY(lcView, "quillmark.view", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPage, "quillmark.page", QtWarningMsg)

namespace {

Q_LOGGING_CATEGORY(lcBook, "quillmark.book", QtWarningMsg)
Q_LOGGING_CATEGORY(lcConvert, "quillmark.convert", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPdf, "quillmark.pdf", QtWarningMsg)

const QLoggingCategory& CategoryOf(log::Area area) {
    switch (area) {
    case log::Area::Book:
        return lcBook();
    case log::Area::Convert:
        return lcConvert();
    case log::Area::Pdf:
        break;
    }
    return lcPdf();
}

} // namespace

void InstallCoreLogListener() {
    log::SetListener([](log::Area area) { return CategoryOf(area).isDebugEnabled(); },
                     [](log::Area area, const std::string& line) {
                         qCDebug(CategoryOf(area)).noquote() << QString::fromStdString(line);
                     });
}

} // namespace qm

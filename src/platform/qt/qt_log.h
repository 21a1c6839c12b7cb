#pragma once

#include <QLoggingCategory>

namespace qm {

// The program's logging categories: quillmark.book (opening a book), quillmark.convert (conversions),
// quillmark.pdf (the PDF writer) for the core's lines, quillmark.view for the page view, quillmark.page for
// what a book's page does (the requests refused to it, its console). All are off unless QT_LOGGING_RULES (or a
// rules file) turns them on, e.g. QT_LOGGING_RULES="quillmark.*=true".
Q_DECLARE_LOGGING_CATEGORY(lcView)
Q_DECLARE_LOGGING_CATEGORY(lcPage)

// Passes the core's diagnostics (qm::log) to the categories above. Call once at start-up.
void InstallCoreLogListener();

} // namespace qm

#pragma once

#include <QString>
#include <QVariantList>

namespace qm::PageScript {

// A call of one of the program's page scripts (page_scripts/<name>.js, compiled in as a resource). Each file
// holds one function expression; the call appends `arguments` as JavaScript literals (strings, numbers, lists
// of strings). Throws std::logic_error when the program lacks the script.
QString Call(const char* name, const QVariantList& arguments);

} // namespace qm::PageScript

#pragma once

#include <string>

namespace qm {

// The pages that ship with the program and open in the desktop's browser, offline.
inline constexpr const char* kHomePage = "index.html";
inline constexpr const char* kHelpPage = "help.html";

// The file:// address of the shipped page `name`: next to the program (<program folder>/../share/quillmark/
// help, as installed and as built), else in the data folders of the desktop. Empty when it is nowhere.
std::string HelpPageUrl(const std::string& name);

} // namespace qm

#pragma once

#include <string>

namespace qm {

// The desktop's shell: the file manager and the web browser.
class Shell {
public:
    virtual ~Shell() = default;

    // Shows `folder` in the file manager. Reports nothing when none opens.
    virtual void OpenFolder(const std::string& folder) = 0;

    // Opens `file` in the program the desktop has for its type. Reports nothing when none opens.
    virtual void OpenFile(const std::string& file) = 0;

    // Shows the page at `url` (a web address or a file:// URL) in the default web browser. Reports nothing
    // when none opens.
    virtual void OpenPage(const std::string& url) = 0;
};

} // namespace qm

#pragma once

#include "platform/ui/shell.h"

#include <sys/types.h>

namespace qm {

// The shell through the desktop's URL handlers (xdg-open on Linux desktops). The process that shows books has
// no network (LockOutNetwork), and what it starts would inherit that: a web browser started to open a link
// could reach nothing. So the shell starts its opener, a shell loop that runs xdg-open for each page or folder
// it is handed, when it is made, before the network is taken; only where that fails does it open them itself.
class DesktopShell final : public Shell {
public:
    DesktopShell();
    ~DesktopShell() override;
    DesktopShell(const DesktopShell&) = delete;
    DesktopShell& operator=(const DesktopShell&) = delete;

    void OpenFolder(const std::string& folder) override;
    void OpenFile(const std::string& file) override;
    void OpenPage(const std::string& url) override;

private:
    void Open(const std::string& encodedUrl);

    int opener_ = -1;
    pid_t openerPid_ = -1;
};

} // namespace qm

#pragma once

#include "platform/ui/shell.h"

namespace qm {

// The shell through the desktop's URL handlers (xdg-open on Linux desktops).
class DesktopShell final : public Shell {
public:
    void OpenFolder(const std::string& folder) override;
    void OpenPage(const std::string& url) override;
};

} // namespace qm

#include "platform/ui/dialogs.h"

namespace qm {

bool FileDialog::ExecuteOpen(Dialogs& dialogs) {
    std::optional<std::string> chosen = dialogs.AskOpenFileName(Filter, FileName);
    if (!chosen) {
        return false;
    }
    FileName = std::move(*chosen);
    return true;
}

} // namespace qm

#include "platform/dialogs.h"

namespace qm {

bool FileDialog::ExecuteOpen(Dialogs& dialogs) {
    std::optional<std::string> chosen = dialogs.AskOpenFileName(Filter, FileName);
    if (!chosen) {
        return false;
    }
    FileName = std::move(*chosen);
    return true;
}

bool FileDialog::ExecuteSave(Dialogs& dialogs) {
    std::optional<std::string> chosen = dialogs.AskSaveFileName(Filter, FileName, DefaultExt);
    if (!chosen) {
        return false;
    }
    FileName = std::move(*chosen);
    return true;
}

} // namespace qm

#include "book/working_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace qm {

namespace fs = std::filesystem;

std::string GetLocalAppDataPath() {
    // A relative $XDG_DATA_HOME is invalid by the XDG rules and must be ignored.
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] == '/') {
        std::string base = xdg;
        while (base.size() > 1 && base.back() == '/') {
            base.pop_back();
        }
        return base;
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        // Without $HOME (a service, a scrubbed environment) the account's own home folder still holds the data.
        const passwd* account = getpwuid(getuid());
        home = account != nullptr ? account->pw_dir : nullptr;
    }
    if (home != nullptr && home[0] == '/') {
        return (fs::path(home) / ".local" / "share").string();
    }
    return {};
}

WorkingFolders ComposeWorkingFolders(const std::string& base) {
    const fs::path program = fs::path(base) / kProgramFolderName;
    return {(program / "tempDir").string(), (program / "tempJPG").string()};
}

bool DeleteFolder(const std::string& path) {
    std::error_code ec;
    fs::remove_all(path, ec);
    return !ec && !fs::exists(fs::symlink_status(path, ec));
}

void ResetFolder(const std::string& path) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(path, ec))) {
        DeleteFolder(path);
    }
    fs::create_directories(path, ec);
}

} // namespace qm

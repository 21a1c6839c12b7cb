#pragma once

#include <string>

namespace qm {

// The user's data folder: $XDG_DATA_HOME when set and absolute, else <home>/.local/share, without a trailing
// "/"; the home folder is $HOME when absolute, else the account's home folder. Empty when none can be found.
std::string GetLocalAppDataPath();

// Name of the program folder below the data folder; it is created with the working folders and never removed.
inline constexpr const char* kProgramFolderName = "QMK";

struct WorkingFolders {
    std::string tempDir; // where an opened book is unpacked
    std::string tempJPG; // where captured pages are written
};

// <base>/QMK/tempDir and <base>/QMK/tempJPG.
WorkingFolders ComposeWorkingFolders(const std::string& base);

// Deletes `path` with everything in it, for good and without a question. True when nothing is left.
// A link is removed as a link: its target is never touched.
bool DeleteFolder(const std::string& path);

// Deletes the folder when it exists (a link to a folder counts), then creates it with every missing folder
// above it. Failures are not reported: a folder that could not be removed keeps its old content.
void ResetFolder(const std::string& path);

} // namespace qm

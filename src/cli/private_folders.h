#pragma once

#include "book/working_folders.h"

#include <string>
#include <sys/types.h>

namespace qm::cli {

// Working folders of one command-line run, in a fresh folder below $TMPDIR (or /tmp), so that runs never
// touch the desktop program's folders nor each other's. Everything is removed on destruction, and also when
// the process ends any other way (an interrupt, a kill): a small watcher process, started with the folder,
// removes it as soon as this process is gone.
class PrivateFolders {
public:
    PrivateFolders();
    ~PrivateFolders();
    PrivateFolders(const PrivateFolders&) = delete;
    PrivateFolders& operator=(const PrivateFolders&) = delete;

    const WorkingFolders& working() const { return working_; }
    // The private folder itself, which holds the working folders.
    const std::string& root() const { return root_; }

private:
    std::string root_;
    WorkingFolders working_;
    int watcherConnection_ = -1;
    pid_t watcher_ = -1;
};

} // namespace qm::cli

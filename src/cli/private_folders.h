#pragma once

#include "book/working_folders.h"

#include <string>

namespace qm::cli {

// Working folders of one command-line run, in a fresh folder below $TMPDIR (or /tmp), so that runs never
// touch the desktop program's folders nor each other's. Everything is removed on destruction.
class PrivateFolders {
public:
    PrivateFolders();
    ~PrivateFolders();
    PrivateFolders(const PrivateFolders&) = delete;
    PrivateFolders& operator=(const PrivateFolders&) = delete;

    const WorkingFolders& working() const { return working_; }

private:
    std::string root_;
    WorkingFolders working_;
};

} // namespace qm::cli

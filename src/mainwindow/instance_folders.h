#pragma once

#include "book/working_folders.h"

#include <string>

namespace qm {

// The working folders of one running program. Programs running side by side each take a slot of their own:
// slot 1 uses <base>/QMK/tempDir and tempJPG, slot n uses tempDir-n and tempJPG-n. A program holds its slot
// by an exclusive lock (flock) on <base>/QMK/instance-n.lock for as long as it runs, so a slot whose lock
// nobody holds belongs to a program that has ended, and its folders may go. Nothing is created until a
// slot is claimed; folders are deleted and reset only through the working-folder routines.
class InstanceFolders {
public:
    explicit InstanceFolders(std::string base);
    ~InstanceFolders();
    InstanceFolders(const InstanceFolders&) = delete;
    InstanceFolders& operator=(const InstanceFolders&) = delete;

    // The folders of the slot held, or of slot 1 while none is held.
    WorkingFolders Folders() const;

    // Holds a slot from now on: the one held already, else the first free one (creating QMK and its lock
    // file). Returns its folders. Throws std::runtime_error when no lock file can be made.
    WorkingFolders Claim();

    // Deletes the folders of the slot held, if any.
    void DeleteOwnFolders() const;

    // Deletes the folders of every slot that no running program holds. Touches nothing when QMK is absent.
    void DeleteFoldersOfEndedPrograms() const;

private:
    std::string base_;
    std::string program_;
    int slot_ = 0;
    int lockFd_ = -1;
};

} // namespace qm

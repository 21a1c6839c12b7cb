#pragma once

#include <span>
#include <string>
#include <vector>

#include "files/unique_fd.h"

namespace qm {

// Creates folders and files below one existing folder without ever leaving it. Every part of a path is opened
// relative to the folder before it with O_NOFOLLOW, so a link already on disk (or one that an earlier member
// managed to leave there) is never followed; the caller has ruled out ".." and absolute names.
// Errors are std::runtime_error holding only the reason; the caller adds which member it was.
class ExtractionFolder {
public:
    // Throws when `path` is not an existing folder that can be opened.
    explicit ExtractionFolder(const std::string& path);

    // Creates the folders of `parts` that are missing, one below the other.
    void CreateFolders(std::span<const std::string> parts);
    // Creates the file `parts` (its folders first) for writing, replacing a file of that name: the old file is
    // unlinked, never written through, so a link or hard link in its place cannot redirect the data.
    UniqueFd CreateFile(std::span<const std::string> parts);
    // Removes the file `parts`; used to take away a member that failed half-way. Errors are ignored.
    void RemoveFile(std::span<const std::string> parts) noexcept;

private:
    // The folder `parts` opened (and created where missing). The last folder opened is kept, because members
    // come grouped by folder in most archives.
    int OpenFolder(std::span<const std::string> parts, bool create);

    UniqueFd root_;
    std::vector<std::string> cachedParts_;
    UniqueFd cached_;
};

// The text for a failed file-system call: "there is no space left on the disk" for a full disk (or an
// exhausted quota), else the system's reason.
std::string FileSystemReason(int error);

} // namespace qm

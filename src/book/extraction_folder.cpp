#include "book/extraction_folder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

std::string Joined(std::span<const std::string> parts) {
    std::string path;
    for (const auto& part : parts) {
        if (!path.empty()) {
            path += '/';
        }
        path += part;
    }
    return path;
}

[[noreturn]] void ThrowFolderError(std::span<const std::string> parts, int error) {
    // O_NOFOLLOW|O_DIRECTORY on a link or a file gives ELOOP or ENOTDIR: say what is really in the way.
    if (error == ELOOP || error == ENOTDIR) {
        throw std::runtime_error("\"" + Joined(parts) + "\" is not a folder");
    }
    throw std::runtime_error("cannot create the folder \"" + Joined(parts) + "\": " + FileSystemReason(error));
}

} // namespace

std::string FileSystemReason(int error) {
    if (error == ENOSPC || error == EDQUOT) {
        return "there is no space left on the disk";
    }
    return std::strerror(error);
}

ExtractionFolder::ExtractionFolder(const std::string& path) {
    root_.Reset(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!root_.Valid()) {
        throw std::runtime_error("cannot open the folder \"" + path + "\": " + std::strerror(errno));
    }
}

int ExtractionFolder::OpenFolder(std::span<const std::string> parts, bool create) {
    if (parts.empty()) {
        return root_.Get();
    }
    if (cached_.Valid() && std::ranges::equal(parts, cachedParts_)) {
        return cached_.Get();
    }
    cached_.Reset();
    cachedParts_.clear();
    UniqueFd current;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const int parent = i == 0 ? root_.Get() : current.Get();
        const char* name = parts[i].c_str();
        int fd = ::openat(parent, name, kFolderFlags);
        if (fd < 0 && errno == ENOENT && create) {
            if (::mkdirat(parent, name, 0777) != 0 && errno != EEXIST) {
                ThrowFolderError(parts.first(i + 1), errno);
            }
            fd = ::openat(parent, name, kFolderFlags);
        }
        if (fd < 0) {
            ThrowFolderError(parts.first(i + 1), errno);
        }
        current.Reset(fd);
    }
    cachedParts_.assign(parts.begin(), parts.end());
    cached_ = std::move(current);
    return cached_.Get();
}

void ExtractionFolder::CreateFolders(std::span<const std::string> parts) {
    OpenFolder(parts, true);
}

UniqueFd ExtractionFolder::CreateFile(std::span<const std::string> parts) {
    const int folder = OpenFolder(parts.first(parts.size() - 1), true);
    const char* name = parts.back().c_str();
    constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::openat(folder, name, kFlags, 0666);
    if (fd < 0 && errno == EEXIST) {
        if (::unlinkat(folder, name, 0) != 0) {
            const int error = errno;
            if (error == EISDIR || error == EPERM) {
                throw std::runtime_error("a folder named \"" + Joined(parts) + "\" is in the way");
            }
            throw std::runtime_error("cannot replace \"" + Joined(parts) + "\": " + FileSystemReason(error));
        }
        fd = ::openat(folder, name, kFlags, 0666);
    }
    if (fd < 0) {
        throw std::runtime_error("cannot create \"" + Joined(parts) + "\": " + FileSystemReason(errno));
    }
    return UniqueFd(fd);
}

void ExtractionFolder::RemoveFile(std::span<const std::string> parts) noexcept {
    try {
        ::unlinkat(OpenFolder(parts.first(parts.size() - 1), false), parts.back().c_str(), 0);
    } catch (const std::exception&) {
        // The folder is gone or unreachable; there is nothing of the member left to remove.
    }
}

} // namespace qm

#include "book/file_search.h"

#include "book/string_fields.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>

namespace qm {

namespace {

enum class EntryKind { Folder, File, Other };

EntryKind KindOf(const std::string& path, const dirent& entry) {
    switch (entry.d_type) {
    case DT_DIR:
        return EntryKind::Folder;
    case DT_REG:
        return EntryKind::File;
    case DT_UNKNOWN:
        break;
    default:
        return EntryKind::Other;
    }
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        return EntryKind::Other;
    }
    if (S_ISDIR(info.st_mode)) {
        return EntryKind::Folder;
    }
    return S_ISREG(info.st_mode) ? EntryKind::File : EntryKind::Other;
}

void Search(const std::string& rawFolder, const std::string& pattern, std::string& result, bool& found) {
    found = false;
    result.clear();
    std::string folder = Trim(rawFolder);
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
    if (!dir) {
        return;
    }
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        const std::string path = folder + name;
        switch (KindOf(path, *entry)) {
        case EntryKind::Folder:
            Search(path, pattern, result, found);
            break;
        case EntryKind::File:
            if (LowerCaseAsciiLetters(name).find(pattern) != std::string::npos) {
                result = path;
                found = true;
            }
            break;
        case EntryKind::Other:
            break;
        }
        if (found) {
            break;
        }
    }
}

} // namespace

std::string FindFileByPattern(const std::string& folder, const std::string& pattern, bool& found) {
    std::string result;
    Search(folder, pattern, result, found);
    return result;
}

std::string FileNameWithoutExt(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos) {
        return {};
    }
    const std::string extension = name.substr(dot);
    return name.substr(0, name.find(extension));
}

std::string ExtractFilePath(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace qm

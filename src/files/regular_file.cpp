#include "files/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace qm {

UniqueFd OpenRegularFile(const std::string& path, std::uint64_t& size) {
    if (path.empty()) {
        return {};
    }
    UniqueFd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (!file.Valid() || ::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return {};
    }
    size = static_cast<std::uint64_t>(info.st_size);
    return file;
}

bool SameFile(const std::string& first, const std::string& second) {
    struct stat a {};
    struct stat b {};
    return !first.empty() && !second.empty() && ::stat(first.c_str(), &a) == 0 && ::stat(second.c_str(), &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace qm

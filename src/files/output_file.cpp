#include "files/output_file.h"

#include "files/fd_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace qm {

namespace {

[[noreturn]] void CannotCreate(const std::string& path, int error) {
    throw std::runtime_error("Cannot create file \"" + ShownPath(path) + "\". " + std::strerror(error));
}

[[noreturn]] void CannotWrite(const std::string& path, int error) {
    throw std::runtime_error("Cannot write file \"" + ShownPath(path) + "\". " + std::strerror(error));
}

// A name beside `target` that no other writer uses: the process and a counter make it unique among writers of
// this machine, and O_EXCL refuses one that is taken anyway.
std::string AsideName(const std::filesystem::path& target) {
    static std::atomic<unsigned> counter{0};
    return (target.parent_path() / ("." + target.filename().string() + "." + std::to_string(::getpid()) + "." +
                                    std::to_string(counter++) + ".part"))
        .string();
}

// Renames `from` to `to`; false with errno set when that fails.
bool PutInPlace(const std::string& from, const std::string& to, Replacing replacing) {
    if (replacing == Replacing::Allowed) {
        return ::rename(from.c_str(), to.c_str()) == 0;
    }
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    // A file system without the flag: a hard link also never replaces a file.
    if (::link(from.c_str(), to.c_str()) != 0) {
        return false;
    }
    ::unlink(from.c_str());
    return true;
}

} // namespace

OutputFile::OutputFile(const std::string& path, Replacing replacing)
    : path_(path), target_(path), replacing_(replacing) {
    if (path.empty()) {
        CannotCreate(path, ENOENT);
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) {
            // Opened without blocking, so that a FIFO with no reader fails instead of hanging; writes then block.
            fd_.Reset(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK));
            const int flags = fd_.Valid() ? ::fcntl(fd_.Get(), F_GETFL) : -1;
            if (flags < 0 || ::fcntl(fd_.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
                CannotCreate(path, errno);
            }
            direct_ = true;
            return;
        }
        if (replacing_ == Replacing::Refused) {
            CannotCreate(path, EEXIST);
        }
        std::error_code ec;
        target_ = std::filesystem::canonical(path, ec).string();
        if (ec) {
            CannotCreate(path, ec.value());
        }
    }
    const std::filesystem::path target(target_);
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : std::string(".");
    if (target.filename().empty()) {
        CannotCreate(path, EISDIR);
    }
    fd_.Reset(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    if (fd_.Valid()) {
        return;
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        CannotCreate(path, errno);
    }
    for (int attempt = 0; attempt < 100 && !fd_.Valid(); ++attempt) {
        aside_ = AsideName(target);
        fd_.Reset(::open(aside_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!fd_.Valid() && errno != EEXIST) {
            break;
        }
    }
    if (!fd_.Valid()) {
        const int error = errno;
        aside_.clear();
        CannotCreate(path, error);
    }
}

OutputFile::~OutputFile() {
    if (!committed_) {
        Discard();
    }
}

void OutputFile::Discard() {
    fd_.Reset();
    if (!aside_.empty()) {
        ::unlink(aside_.c_str());
        aside_.clear();
    }
}

void OutputFile::Commit() {
    if (committed_ || !fd_.Valid()) {
        throw std::logic_error("The output file \"" + path_ + "\" was committed or discarded already");
    }
    if (direct_) {
        if (fd_.Reset() != 0) {
            const int error = errno;
            Discard();
            CannotWrite(path_, error);
        }
        committed_ = true;
        return;
    }
    if (aside_.empty() && replacing_ == Replacing::Refused) {
        // The unnamed file takes the name itself: linking never replaces a file, so a name taken meanwhile
        // fails with EEXIST.
        if (!LinkUnnamed(target_)) {
            const int error = errno;
            Discard();
            CannotWrite(path_, error);
        }
        Close();
        committed_ = true;
        return;
    }
    if (aside_.empty()) {
        // The unnamed file gets a hidden name first: linking cannot replace a file, renaming can.
        const std::filesystem::path target(target_);
        for (int attempt = 0; attempt < 100 && aside_.empty(); ++attempt) {
            const std::string name = AsideName(target);
            if (LinkUnnamed(name)) {
                aside_ = name;
            } else if (errno != EEXIST) {
                const int error = errno;
                Discard();
                CannotWrite(path_, error);
            }
        }
    }
    if (fd_.Reset() != 0) {
        const int error = errno;
        Discard();
        CannotWrite(path_, error);
    }
    if (!PutInPlace(aside_, target_, replacing_)) {
        const int error = errno;
        Discard();
        CannotWrite(path_, error);
    }
    aside_.clear();
    committed_ = true;
}

bool OutputFile::LinkUnnamed(const std::string& name) const {
    const std::string procPath = "/proc/self/fd/" + std::to_string(fd_.Get());
    return ::linkat(fd_.Get(), "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0 ||
           (errno != EEXIST && ::linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0);
}

void OutputFile::Close() {
    if (fd_.Reset() != 0) {
        // The file has its name already: a write error the close reports leaves it incomplete, so it goes.
        const int error = errno;
        ::unlink(target_.c_str());
        CannotWrite(path_, error);
    }
}

void MoveIntoPlace(const std::string& from, const std::string& to, Replacing replacing) {
    if (PutInPlace(from, to, replacing)) {
        return;
    }
    if (errno != EXDEV) {
        CannotWrite(to, errno);
    }
    // Another file system: the file is copied through a file of the target's folder, then the original goes.
    const int source = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (source < 0) {
        CannotWrite(to, errno);
    }
    const UniqueFd input(source);
    OutputFile output(to, replacing);
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(source, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            CannotWrite(to, errno);
        }
        if (got == 0) {
            break;
        }
        WriteAll(output.Fd(), buffer, static_cast<std::size_t>(got), to);
    }
    output.Commit();
    ::unlink(from.c_str());
}

} // namespace qm

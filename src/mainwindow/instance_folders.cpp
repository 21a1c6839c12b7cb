#include "mainwindow/instance_folders.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <sys/file.h>
#include <unistd.h>

namespace qm {

namespace fs = std::filesystem;

namespace {

constexpr const char* kLockPrefix = "instance-";
constexpr const char* kLockSuffix = ".lock";

WorkingFolders SlotFolders(const std::string& base, int slot) {
    WorkingFolders folders = ComposeWorkingFolders(base);
    if (slot > 1) {
        folders.tempDir += "-" + std::to_string(slot);
        folders.tempJPG += "-" + std::to_string(slot);
    }
    return folders;
}

std::string LockPath(const std::string& program, int slot) {
    return program + "/" + kLockPrefix + std::to_string(slot) + kLockSuffix;
}

// The slot a name in the program folder belongs to, or 0 for a name of no slot.
int SlotOfName(const std::string& name) {
    auto number = [](std::string_view digits) {
        int value = 0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        return ec == std::errc() && end == digits.data() + digits.size() && value > 1 ? value : 0;
    };
    for (const std::string_view folder : {"tempDir", "tempJPG"}) {
        if (name == folder) {
            return 1;
        }
        if (name.size() > folder.size() + 1 && name.compare(0, folder.size(), folder) == 0 &&
            name[folder.size()] == '-') {
            return number(std::string_view(name).substr(folder.size() + 1));
        }
    }
    const std::string_view prefix = kLockPrefix;
    const std::string_view suffix = kLockSuffix;
    if (name.size() > prefix.size() + suffix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
        const std::string_view digits =
            std::string_view(name).substr(prefix.size(), name.size() - prefix.size() - suffix.size());
        return digits == "1" ? 1 : number(digits);
    }
    return 0;
}

constexpr int kLockBusy = -2;

// Opens the slot's lock file and locks it without waiting. kLockBusy when another program holds it, -1 (with
// errno) when the file cannot be opened.
int TryLock(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return -1;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return kLockBusy;
    }
    return fd;
}

} // namespace

InstanceFolders::InstanceFolders(std::string base)
    : base_(std::move(base)), program_((fs::path(base_) / kProgramFolderName).string()) {}

InstanceFolders::~InstanceFolders() {
    if (lockFd_ >= 0) {
        close(lockFd_);
    }
}

WorkingFolders InstanceFolders::Folders() const {
    return SlotFolders(base_, slot_ == 0 ? 1 : slot_);
}

WorkingFolders InstanceFolders::Claim() {
    if (slot_ != 0) {
        return Folders();
    }
    std::error_code ec;
    fs::create_directories(program_, ec);
    // Lock files are never removed: removing one while another program opens it would let two programs
    // lock different files of the same name.
    for (int slot = 1;; ++slot) {
        const std::string path = LockPath(program_, slot);
        const int fd = TryLock(path);
        if (fd == -1) {
            throw std::runtime_error("Cannot create the lock file \"" + path + "\". " + std::strerror(errno));
        }
        if (fd != kLockBusy) {
            slot_ = slot;
            lockFd_ = fd;
            return Folders();
        }
    }
}

void InstanceFolders::DeleteOwnFolders() const {
    if (slot_ == 0) {
        return;
    }
    const WorkingFolders own = Folders();
    std::error_code ec;
    if (fs::exists(fs::symlink_status(own.tempDir, ec))) {
        DeleteFolder(own.tempDir);
    }
    if (fs::exists(fs::symlink_status(own.tempJPG, ec))) {
        DeleteFolder(own.tempJPG);
    }
}

void InstanceFolders::DeleteFoldersOfEndedPrograms() const {
    std::error_code ec;
    std::set<int> slots;
    for (fs::directory_iterator it(program_, ec), end; !ec && it != end; it.increment(ec)) {
        if (const int slot = SlotOfName(it->path().filename().string()); slot != 0 && slot != slot_) {
            slots.insert(slot);
        }
    }
    for (const int slot : slots) {
        const int fd = TryLock(LockPath(program_, slot));
        if (fd < 0) {
            continue;
        }
        const WorkingFolders ended = SlotFolders(base_, slot);
        if (fs::exists(fs::symlink_status(ended.tempDir, ec))) {
            DeleteFolder(ended.tempDir);
        }
        if (fs::exists(fs::symlink_status(ended.tempJPG, ec))) {
            DeleteFolder(ended.tempJPG);
        }
        close(fd);
    }
}

} // namespace qm

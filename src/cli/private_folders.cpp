#include "cli/private_folders.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace qm::cli {

namespace {

// Starts a process that waits until the write end of a pipe closes, which happens when this process ends in
// whatever way, and then removes `folder`. It ignores the terminal's signals, which reach the whole process
// group, so that an interrupt ends this process but not the clean-up. It runs the shell so that nothing of
// this process's state has to survive the fork. Returns the pipe's write end, or -1 when no watcher could
// start (the folder is then removed on destruction only).
int StartWatcher(const std::string& folder, pid_t& watcher) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        return -1;
    }
    watcher = fork();
    if (watcher == 0) {
        for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
            std::signal(signal, SIG_IGN);
        }
        dup2(ends[0], STDIN_FILENO);
        execl("/bin/sh", "sh", "-c", "cat >/dev/null; exec rm -rf -- \"$0\"", folder.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ends[0]);
    if (watcher < 0) {
        close(ends[1]);
        return -1;
    }
    return ends[1];
}

} // namespace

PrivateFolders::PrivateFolders() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/quillmark-cli-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("Cannot create a temporary folder \"" + pattern + "\". " + std::strerror(errno));
    }
    root_ = pattern;
    working_ = {root_ + "/tempDir", root_ + "/tempJPG"};
    watcherPipe_ = StartWatcher(root_, watcher_);
}

PrivateFolders::~PrivateFolders() {
    DeleteFolder(root_);
    if (watcherPipe_ >= 0) {
        close(watcherPipe_);
        waitpid(watcher_, nullptr, 0);
    }
}

} // namespace qm::cli

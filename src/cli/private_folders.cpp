#include "cli/private_folders.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace qm::cli {

namespace {

// Starts a process that reads the name of the folder to watch from a pipe, waits until the pipe's write end
// closes, which happens when this process ends in whatever way, and then removes that folder. It starts
// before the folder exists, so there is no moment in which the folder exists unwatched. It ignores the
// terminal's signals, which reach the whole process group, so that an interrupt ends this process but not
// the clean-up. It runs the shell so that nothing of this process's state has to survive the fork. Returns
// the pipe's write end, or -1 when no watcher could start (the folder is then removed on destruction only).
int StartWatcher(pid_t& watcher) {
    // A socket rather than a pipe, so that a write to a watcher that is gone fails instead of raising SIGPIPE.
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        return -1;
    }
    watcher = fork();
    if (watcher == 0) {
        for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
            std::signal(signal, SIG_IGN);
        }
        dup2(ends[0], STDIN_FILENO);
        execl("/bin/sh", "sh", "-c",
              "IFS= read -r folder; cat >/dev/null; [ -n \"$folder\" ] && exec rm -rf -- \"$folder\"",
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
    watcherPipe_ = StartWatcher(watcher_);
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/quillmark-cli-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        const int error = errno;
        if (watcherPipe_ >= 0) {
            close(watcherPipe_);
            waitpid(watcher_, nullptr, 0);
        }
        errno = error;
        throw std::runtime_error("Cannot create a temporary folder \"" + pattern + "\". " + std::strerror(errno));
    }
    root_ = pattern;
    working_ = {root_ + "/tempDir", root_ + "/tempJPG"};
    if (watcherPipe_ >= 0) {
        const std::string line = root_ + "\n";
        if (send(watcherPipe_, line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size())) {
            close(watcherPipe_);
            watcherPipe_ = -1;
        }
    }
}

PrivateFolders::~PrivateFolders() {
    DeleteFolder(root_);
    if (watcherPipe_ >= 0) {
        close(watcherPipe_);
        waitpid(watcher_, nullptr, 0);
    }
}

} // namespace qm::cli

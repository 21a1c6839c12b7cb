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

// The watcher makes the folder itself, tells its name, waits until this process's end of the socket closes
// (which happens when this process ends in whatever way, killed included) and then removes the folder. As the
// folder comes from the watcher, there is no moment in which it exists unwatched.
// SIGPIPE is ignored: when this process is killed before it reads the name, the watcher must still clean up.
// The conversion processes this process started end a moment after it (they are told when it dies), and one
// may still be writing a page into the folder while it is removed: the removal is tried again, for up to five
// seconds, until the folder is gone.
constexpr const char* kWatcherScript = "trap '' PIPE; exec 2>/dev/null\n"
                                       "folder=$(mktemp -d \"$0/quillmark-cli-XXXXXX\") || exit 1\n"
                                       "printf '%s\\n' \"$folder\"\n"
                                       "cat >/dev/null\n"
                                       "rm -rf -- \"$folder\"\n"
                                       "tries=0\n"
                                       "while [ -e \"$folder\" ] && [ $tries -lt 50 ]; do\n"
                                       "    sleep 0.1; rm -rf -- \"$folder\"; tries=$((tries + 1))\n"
                                       "done\n";

std::string TemporaryBase() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp";
}

// Starts the watcher below `base` and reads the folder's name from it. The watcher ignores the terminal's
// signals, which reach the whole process group, so that an interrupt ends this process but not the clean-up;
// it runs the shell so that nothing of this process's state has to survive the fork. A socket rather than a
// pipe, so that nothing raises SIGPIPE. Returns the folder, or "" when no watcher could make one.
std::string StartWatcher(const std::string& base, int& connection, pid_t& watcher) {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        return {};
    }
    watcher = fork();
    if (watcher == 0) {
        for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
            std::signal(signal, SIG_IGN);
        }
        dup2(ends[1], STDIN_FILENO);
        dup2(ends[1], STDOUT_FILENO);
        execl("/bin/sh", "sh", "-c", kWatcherScript, base.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ends[1]);
    if (watcher < 0) {
        close(ends[0]);
        return {};
    }
    std::string line;
    char c = 0;
    while (read(ends[0], &c, 1) == 1 && c != '\n') {
        line += c;
    }
    if (c != '\n' || line.empty()) {
        close(ends[0]);
        waitpid(watcher, nullptr, 0);
        return {};
    }
    connection = ends[0];
    return line;
}

} // namespace

PrivateFolders::PrivateFolders() {
    const std::string base = TemporaryBase();
    root_ = StartWatcher(base, watcherConnection_, watcher_);
    if (root_.empty()) {
        // Without a watcher the folder is still made and removed on destruction.
        std::string pattern = base + "/quillmark-cli-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("Cannot create a temporary folder \"" + pattern + "\". " + std::strerror(errno));
        }
        root_ = pattern;
    }
    working_ = {root_ + "/tempDir", root_ + "/tempJPG"};
}

PrivateFolders::~PrivateFolders() {
    DeleteFolder(root_);
    if (watcherConnection_ >= 0) {
        close(watcherConnection_);
        waitpid(watcher_, nullptr, 0);
    }
}

} // namespace qm::cli

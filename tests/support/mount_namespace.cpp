#include "support/mount_namespace.h"

#include "support/temp_dir.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qm::test {

std::string InPrivateMountNamespace(const std::function<std::string()>& body) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        return "";
    }
    const pid_t pid = fork();
    if (pid == 0) {
        close(pipeFds[0]);
        std::string result;
        const uid_t uid = getuid();
        const gid_t gid = getgid();
        bool isolated = unshare(CLONE_NEWNS) == 0;
        if (!isolated && unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0) {
            WriteFile("/proc/self/setgroups", "deny");
            WriteFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
            WriteFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
            isolated = true;
        }
        if (isolated && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0) {
            result = body();
        }
        (void)!write(pipeFds[1], result.data(), result.size());
        _exit(0);
    }
    close(pipeFds[1]);
    std::string result;
    char buffer[4096];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0) {
        result.append(buffer, static_cast<std::size_t>(n));
    }
    close(pipeFds[0]);
    waitpid(pid, nullptr, 0);
    return result;
}

bool MountSmallDisk(const std::string& folder, int kibibytes) {
    return mount("tmpfs", folder.c_str(), "tmpfs", 0, ("size=" + std::to_string(kibibytes) + "k").c_str()) == 0;
}

} // namespace qm::test

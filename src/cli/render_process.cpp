#include "cli/render_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace qm::cli {

namespace {

std::atomic<bool> interrupted{false};
// The processes to stop; read by the signal handler, so only plain stores of their process ids.
constexpr int kMaxWatched = 64;
std::atomic<pid_t> watched[kMaxWatched];

void OnInterrupt(int) {
    interrupted = true;
    for (auto& pid : watched) {
        if (const pid_t process = pid.load(); process > 0) {
            ::kill(process, SIGTERM);
        }
    }
}

void InstallHandlers() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }
}

void Watch(pid_t pid) {
    for (auto& slot : watched) {
        pid_t empty = 0;
        if (slot.compare_exchange_strong(empty, pid)) {
            return;
        }
    }
}

void Unwatch(pid_t pid) {
    for (auto& slot : watched) {
        pid_t mine = pid;
        slot.compare_exchange_strong(mine, 0);
    }
}

pid_t Start(const std::string& program, const std::vector<std::string>& args, int stdoutFd) {
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        throw std::runtime_error(std::string("Cannot start quillmark-render: ") + std::strerror(errno));
    }
    if (pid == 0) {
        // A conversion whose caller is gone, killed outright included, stops and removes what it wrote.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) {
            ::_exit(1);
        }
        if (stdoutFd >= 0) {
            ::dup2(stdoutFd, STDOUT_FILENO);
        }
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    return pid;
}

int ExitStatus(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : 1;
}

} // namespace

std::string RenderProgram() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return {};
    }
    for (const std::filesystem::path& candidate :
         {self.parent_path() / "quillmark-render",
          self.parent_path().parent_path() / "libexec" / "quillmark" / "quillmark-render"}) {
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate.string();
        }
    }
    return {};
}

RenderProcess::RenderProcess(const std::string& program, const std::vector<std::string>& args) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        throw std::runtime_error(std::string("Cannot start quillmark-render: ") + std::strerror(errno));
    }
    try {
        pid_ = Start(program, args, pipeFds[1]);
    } catch (...) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        throw;
    }
    ::close(pipeFds[1]);
    output_ = pipeFds[0];
    Watch(pid_);
}

RenderProcess::~RenderProcess() {
    if (pid_ > 0) {
        Stop();
        Wait();
    }
    if (output_ >= 0) {
        ::close(output_);
    }
}

bool RenderProcess::Read(std::vector<std::string>& lines) {
    if (output_ < 0) {
        return false;
    }
    char buffer[4096];
    const ssize_t got = ::read(output_, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) {
        return true;
    }
    if (got <= 0) {
        ::close(output_);
        output_ = -1;
        return false;
    }
    pending_.append(buffer, static_cast<std::size_t>(got));
    for (std::size_t end; (end = pending_.find('\n')) != std::string::npos;) {
        lines.push_back(pending_.substr(0, end));
        pending_.erase(0, end + 1);
    }
    return true;
}

int RenderProcess::Wait() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    Unwatch(pid_);
    pid_ = -1;
    return ExitStatus(status);
}

void RenderProcess::Stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
    }
}

int RunRenderProcess(const std::string& program, const std::vector<std::string>& args) {
    InstallHandlers();
    const pid_t pid = Start(program, args, -1);
    Watch(pid);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    Unwatch(pid);
    return ExitStatus(status);
}

void PassInterruptsOn() {
    InstallHandlers();
}

bool Interrupted() {
    return interrupted;
}

} // namespace qm::cli

#include "run_cli.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace qm::test {

std::filesystem::path ErrorPath(const TempDir& dir, const std::string& tag) {
    return dir / (tag + "-stderr.txt");
}

int StartCli(const TempDir& dir, const std::vector<std::string>& args, const std::string& tmpdir,
             const std::string& tag) {
    const auto outPath = dir / (tag + "-stdout.txt");
    const auto errPath = ErrorPath(dir, tag);
    std::vector<char*> argv{const_cast<char*>(QM_CLI_PATH)};
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        if (!tmpdir.empty()) {
            ::setenv("TMPDIR", tmpdir.c_str(), 1);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return child;
}

CliResult FinishCli(int pid, const TempDir& dir, const std::string& tag) {
    CliResult result;
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    }
    result.out = ReadFile(dir / (tag + "-stdout.txt"));
    result.err = ReadFile(ErrorPath(dir, tag));
    return result;
}

CliResult RunCli(const TempDir& dir, const std::vector<std::string>& args, const std::string& tmpdir,
                 const std::string& tag) {
    return FinishCli(StartCli(dir, args, tmpdir, tag), dir, tag);
}

} // namespace qm::test

#include "run_cli.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace qm::test {

CliResult RunCli(const TempDir& dir, const std::vector<std::string>& args, const std::string& tmpdir,
                 const std::string& tag) {
    const auto outPath = dir / (tag + "-stdout.txt");
    const auto errPath = dir / (tag + "-stderr.txt");
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
    CliResult result;
    int status = 0;
    if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    }
    result.out = ReadFile(outPath);
    result.err = ReadFile(errPath);
    return result;
}

} // namespace qm::test

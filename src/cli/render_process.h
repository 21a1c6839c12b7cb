#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace qm::cli {

// The conversion program quillmark-render: beside this program (the build tree), or in
// <prefix>/libexec/quillmark when installed. Empty when neither is there.
std::string RenderProgram();

// A quillmark-render process with its standard output read through a pipe; standard error is this
// program's.
class RenderProcess {
public:
    RenderProcess(const std::string& program, const std::vector<std::string>& args);
    ~RenderProcess();
    RenderProcess(const RenderProcess&) = delete;
    RenderProcess& operator=(const RenderProcess&) = delete;

    // The pipe of its standard output, -1 once it has ended.
    int Output() const { return output_; }
    // Reads what is waiting; complete lines go to `lines`. False at the end of the output.
    bool Read(std::vector<std::string>& lines);
    // Waits for the process to end and returns its exit status (128 + the signal when a signal ended it).
    int Wait();
    // Asks it to stop, as an interrupt does: it cancels and removes what it wrote.
    void Stop();

private:
    pid_t pid_ = -1;
    int output_ = -1;
    std::string pending_;
};

// Runs quillmark-render with `args`, its output and errors this program's, and returns its exit status.
// An interrupt of this program is passed on to it.
int RunRenderProcess(const std::string& program, const std::vector<std::string>& args);

// From now on an interrupt of this program (SIGINT, SIGTERM, SIGHUP) stops every RenderProcess running, which
// then cancels and removes what it wrote; Interrupted() tells whether one came.
void PassInterruptsOn();
bool Interrupted();

} // namespace qm::cli

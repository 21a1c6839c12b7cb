#pragma once

#include <qpdf/Pipeline.hh>

#include <string>
#include <vector>

namespace qm {

// The end of a qpdf pipeline: bytes go to an open file descriptor through a buffer, so that qpdf's many small
// writes become few system calls.
class FdPipeline final : public Pipeline {
public:
    // `fd` stays owned by the caller; `name` is the file's name for error messages.
    FdPipeline(int fd, std::string name);

    // Both throw std::runtime_error `Cannot write file "<absolute name>". <system's reason>` when the bytes
    // cannot be written.
    void write(unsigned char const* data, size_t size) override;
    // Writes out what is buffered; the descriptor stays open.
    void finish() override;

private:
    void WriteAll(unsigned char const* data, size_t size);

    int fd_;
    std::string name_;
    std::vector<unsigned char> buffer_;
};

} // namespace qm

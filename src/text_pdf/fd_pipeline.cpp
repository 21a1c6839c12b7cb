#include "text_pdf/fd_pipeline.h"

#include "files/fd_io.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <utility>

namespace qm {

namespace {

constexpr size_t kBufferSize = 256 * 1024;

} // namespace

FdPipeline::FdPipeline(int fd, std::string name)
    : Pipeline("file descriptor", nullptr), fd_(fd), name_(std::move(name)) {
    buffer_.reserve(kBufferSize);
}

void FdPipeline::write(unsigned char const* data, size_t size) {
    if (buffer_.size() + size > kBufferSize) {
        finish();
    }
    if (size >= kBufferSize) {
        WriteAll(data, size);
    } else {
        buffer_.insert(buffer_.end(), data, data + size);
    }
}

void FdPipeline::finish() {
    // Emptied first: after a failed write the document is abandoned, and nothing may be written twice.
    const std::vector<unsigned char> pending = std::exchange(buffer_, {});
    buffer_.reserve(kBufferSize);
    WriteAll(pending.data(), pending.size());
}

void FdPipeline::WriteAll(unsigned char const* data, size_t size) {
    qm::WriteAll(fd_, data, size, name_);
}

} // namespace qm

#include "jpeg2pdf2/pdf_sink.h"

#include "files/fd_io.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace qm {

namespace {

constexpr std::size_t kTextBufferSize = 64 * 1024;
constexpr std::size_t kCopyBufferSize = 1024 * 1024;
// Largest request to copy_file_range; the kernel cuts larger ones to about this anyway.
constexpr std::uint64_t kKernelCopyChunk = 1024 * 1024 * 1024;

// Errors by which copy_file_range says that it cannot copy between these two files at all (older kernels,
// different file systems, special files); the bytes are then copied through the buffer.
bool KernelCopyUnsupported(int error) {
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EBADF;
}

} // namespace

FileSink::FileSink(int fd, std::string name) : fd_(fd), name_(std::move(name)) {
    pending_.reserve(kTextBufferSize);
}

void FileSink::Write(std::string_view text) {
    if (pending_.size() + text.size() > kTextBufferSize) {
        Flush();
    }
    if (text.size() > kTextBufferSize) {
        WriteAll(text.data(), text.size());
    } else {
        pending_.append(text);
    }
    count_ += text.size();
}

void FileSink::Flush() {
    // Cleared first: after a failed write the document is abandoned, and nothing may be written twice.
    const std::string pending = std::exchange(pending_, {});
    pending_.reserve(kTextBufferSize);
    WriteAll(pending.data(), pending.size());
}

void FileSink::WriteAll(const char* data, std::size_t size) {
    if (const int error = WriteFully(fd_, data, size); error != 0) {
        Fail("Cannot write to", error);
    }
}

void FileSink::CopyFrom(int source, std::uint64_t size) {
    Flush();
    std::uint64_t offset = 0;
    bool kernelCopy = true;
    while (offset < size) {
        if (!kernelCopy) {
            offset += CopyThroughBuffer(source, offset, size - offset);
            continue;
        }
        auto sourceOffset = static_cast<off_t>(offset);
        const auto request = static_cast<std::size_t>(std::min(size - offset, kKernelCopyChunk));
        const ssize_t copied = ::copy_file_range(source, &sourceOffset, fd_, nullptr, request, 0);
        if (copied < 0 && errno == EINTR) {
            continue;
        }
        if (copied < 0 && !KernelCopyUnsupported(errno)) {
            Fail("Cannot copy page data into", errno);
        }
        if (copied <= 0) {
            // Some file systems answer 0 instead of copying; the buffered path tells that apart from a file
            // that really ended early.
            kernelCopy = false;
            continue;
        }
        offset += static_cast<std::uint64_t>(copied);
        count_ += static_cast<std::uint64_t>(copied);
    }
}

std::uint64_t FileSink::CopyThroughBuffer(int source, std::uint64_t offset, std::uint64_t size) {
    if (!copyBuffer_) {
        copyBuffer_ = std::make_unique<char[]>(kCopyBufferSize);
    }
    const auto request = static_cast<std::size_t>(std::min<std::uint64_t>(size, kCopyBufferSize));
    ssize_t got = 0;
    do {
        got = ::pread(source, copyBuffer_.get(), request, static_cast<off_t>(offset));
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        Fail("Cannot read page data for", errno);
    }
    if (got == 0) {
        throw std::runtime_error("A page file ended " + std::to_string(size) +
                                 " bytes before its size while it was copied into \"" + name_ + "\"");
    }
    WriteAll(copyBuffer_.get(), static_cast<std::size_t>(got));
    count_ += static_cast<std::uint64_t>(got);
    return static_cast<std::uint64_t>(got);
}

void FileSink::Fail(const std::string& what, int error) const {
    throw std::runtime_error(what + " \"" + name_ + "\" at byte " + std::to_string(count_) + ": " +
                             std::strerror(error));
}

} // namespace qm

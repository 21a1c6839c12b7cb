#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace qm {

// Where the PDF writer puts the document, front to back. Count() is the number of bytes taken so far: the
// cross-reference offsets are read from it, never computed on the side.
class PdfSink {
public:
    virtual ~PdfSink() = default;
    // Appends ASCII text. Throws std::runtime_error when the bytes cannot be written.
    virtual void Write(std::string_view text) = 0;
    // Appends the first `size` bytes of the open file `source`, from its first byte whatever the file's
    // position. Throws std::runtime_error when a read or a write fails, or when the file ends before `size`
    // bytes (it shrank since its size was taken).
    virtual void CopyFrom(int source, std::uint64_t size) = 0;
    virtual std::uint64_t Count() const = 0;
};

// A sink onto an open output file. Text is gathered in a small buffer; page bytes go from file to file inside
// the kernel (copy_file_range) where it can, else through one fixed buffer, so memory does not depend on the
// number or the size of the pages.
class FileSink final : public PdfSink {
public:
    // `fd` stays owned by the caller; `name` is for error messages.
    FileSink(int fd, std::string name);

    void Write(std::string_view text) override;
    void CopyFrom(int source, std::uint64_t size) override;
    std::uint64_t Count() const override { return count_; }
    // Writes out the buffered text. Throws std::runtime_error when it cannot.
    void Flush();

private:
    void WriteAll(const char* data, std::size_t size);
    std::uint64_t CopyThroughBuffer(int source, std::uint64_t offset, std::uint64_t size);
    [[noreturn]] void Fail(const std::string& what, int error) const;

    int fd_;
    std::string name_;
    std::string pending_;
    std::uint64_t count_ = 0;
    std::unique_ptr<char[]> copyBuffer_;
};

} // namespace qm

#include "jpeg2pdf2/pdf_sink.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

#include "support/temp_dir.h"

namespace qm {
namespace {

// The two ways the sink copies page bytes: inside the kernel into a regular file, through its buffer into a
// pipe (which copy_file_range refuses).
class FileSinkCopies : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        page_ = test::WriteFile(dir_ / "page.jpg", std::string(20000, 'j') + "end");
        source_ = ::open(page_.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(source_, 0);
        ASSERT_EQ(::lseek(source_, 100, SEEK_SET), 100); // the copy starts at the first byte all the same
        if (GetParam()) {
            int ends[2];
            ASSERT_EQ(::pipe(ends), 0);
            output_ = ends[1];
            readBack_ = ends[0];
        } else {
            output_ = ::open((dir_ / "out.pdf").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
            ASSERT_GE(output_, 0);
            readBack_ = ::open((dir_ / "out.pdf").c_str(), O_RDONLY | O_CLOEXEC);
        }
    }
    void TearDown() override {
        for (const int fd : {source_, output_, readBack_}) {
            ::close(fd);
        }
    }
    std::string ReadBack(std::size_t size) {
        std::string bytes(size, '\0');
        std::size_t got = 0;
        while (got < size) {
            const ssize_t n = ::read(readBack_, bytes.data() + got, size - got);
            if (n <= 0) {
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        bytes.resize(got);
        return bytes;
    }

    test::TempDir dir_;
    std::filesystem::path page_;
    int source_ = -1;
    int output_ = -1;
    int readBack_ = -1;
};

TEST_P(FileSinkCopies, TextAndPageBytesArriveInOrderAndAreCounted) {
    FileSink sink(output_, "out.pdf");
    sink.Write("stream\r\n");
    sink.CopyFrom(source_, 20003);
    sink.Write("endstream\r\n");
    sink.Flush();
    EXPECT_EQ(sink.Count(), 8u + 20003u + 11u);
    EXPECT_EQ(ReadBack(20022), "stream\r\n" + std::string(20000, 'j') + "endendstream\r\n");
}

TEST_P(FileSinkCopies, APageFileShorterThanItsSizeFailsTheCopy) {
    FileSink sink(output_, "out.pdf");
    EXPECT_THROW(sink.CopyFrom(source_, 30000), std::runtime_error);
}

INSTANTIATE_TEST_SUITE_P(Outputs, FileSinkCopies, ::testing::Values(false, true),
                         [](const auto& p) { return p.param ? std::string("Pipe") : std::string("RegularFile"); });

} // namespace
} // namespace qm

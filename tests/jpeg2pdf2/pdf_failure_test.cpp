#include "jpeg2pdf2/jpeg2pdf2.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "jpeg_fixtures.h"
#include "progress_log.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

const std::string kOldContent = "an older document of the same name";

// Page files in a fresh folder: rgb.jpg (2000 bytes), big.jpg (50000 bytes), cmyk.jpg, grey.jpg (one
// component, refused by the probe), a folder, and book.pdf, an existing file of the output's name.
class PdfFailures : public ::testing::Test {
protected:
    void SetUp() override {
        rgb_ = test::WriteFile(dir_ / "rgb.jpg", test::FrameJpeg(640, 480, 3, 2000)).string();
        big_ = test::WriteFile(dir_ / "big.jpg", test::FrameJpeg(800, 1200, 3, 50000)).string();
        cmyk_ = test::WriteFile(dir_ / "cmyk.jpg", test::FrameJpeg(32, 16, 4, 300)).string();
        grey_ = test::WriteFile(dir_ / "grey.jpg", test::FrameJpeg(64, 64, 1, 300)).string();
        fs::create_directory(dir_ / "folder.jpg");
        out_ = test::WriteFile(dir_ / "book.pdf", kOldContent).string();
    }

    // The earlier document of the output's name is still there, and no partial document lies beside it.
    void ExpectEarlierOutputKept() const {
        EXPECT_EQ(test::ReadFile(out_), kOldContent);
        for (const auto& entry : fs::directory_iterator(dir_.path())) {
            EXPECT_FALSE(entry.path().filename().string().starts_with(".")) << entry.path();
        }
    }

    // Every page file as it was made, so that a test can show that none was changed.
    void ExpectPagesUnchanged() const {
        EXPECT_EQ(test::ReadFile(rgb_), test::FrameJpeg(640, 480, 3, 2000));
        EXPECT_EQ(test::ReadFile(cmyk_), test::FrameJpeg(32, 16, 4, 300));
    }

    test::TempDir dir_;
    std::string rgb_, big_, cmyk_, grey_, out_;
};

struct RefusedList {
    const char* name;
    std::vector<std::string> pages; // "@name" is the file of that name in the fixture folder
    bool emptyOutputName;
    std::vector<std::string> calls;
    int pumps;
};

void PrintTo(const RefusedList& c, std::ostream* os) {
    *os << c.name;
}

class PdfRefusals : public PdfFailures, public ::testing::WithParamInterface<RefusedList> {};

TEST_P(PdfRefusals, NothingIsWrittenAndAnExistingOutputKeepsItsContent) {
    const RefusedList& c = GetParam();
    std::vector<std::string> pages;
    for (const std::string& page : c.pages) {
        pages.push_back(page.starts_with("@") ? (dir_ / page.substr(1)).string() : page);
    }
    test::ProgressLog log;
    EXPECT_EQ(JpegsToPDF(pages, c.emptyOutputName ? "" : out_, log.Progress(), log.Pump()), pdfNoFiles);
    EXPECT_EQ(log.calls, c.calls);
    EXPECT_EQ(log.pumps, c.pumps);
    EXPECT_EQ(test::ReadFile(out_), kOldContent);
    ExpectPagesUnchanged();
}

const std::vector<std::string> kStartAndFinish = {"converting.. 0 0", "Finished! 0 0"};

// Pumps: one per entry of the size pass, then one per entry that passed the probe.
INSTANTIATE_TEST_SUITE_P(
    Lists, PdfRefusals,
    ::testing::Values(
        RefusedList{"EmptyOutputName", {"@rgb.jpg"}, true, {}, 0}, RefusedList{"EmptyList", {}, false, {}, 0},
        RefusedList{
            "ThirdEntryMissing", {"@rgb.jpg", "@cmyk.jpg", "@gone.jpg", "@rgb.jpg"}, false, kStartAndFinish, 4 + 2},
        RefusedList{"EmptyEntry", {"@rgb.jpg", ""}, false, kStartAndFinish, 2 + 1},
        RefusedList{"GreyScaleFirst", {"@grey.jpg", "@rgb.jpg"}, false, kStartAndFinish, 2 + 0},
        RefusedList{"GreyScaleLast", {"@rgb.jpg", "@cmyk.jpg", "@grey.jpg"}, false, kStartAndFinish, 3 + 2},
        RefusedList{"Folder", {"@folder.jpg"}, false, kStartAndFinish, 1 + 0}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(PdfFailures, OutputThatIsOneOfThePagesIsRefusedAndThePageKept) {
    fs::create_hard_link(rgb_, dir_ / "link.pdf");
    test::ProgressLog log;
    EXPECT_EQ(JpegsToPDF({cmyk_, rgb_}, rgb_, log.Progress()), pdfNoFiles);
    EXPECT_EQ(JpegsToPDF({cmyk_, rgb_}, (dir_ / "link.pdf").string(), log.Progress()), pdfNoFiles);
    EXPECT_EQ(log.calls.size(), 4u);
    ExpectPagesUnchanged();
}

TEST_F(PdfFailures, OutputThatCannotBeCreatedRaisesTheCreationError) {
    struct Case {
        std::string outFile;
        std::string message;
    };
    const std::string base = dir_.path().string();
    const std::vector<Case> cases = {
        {base + "/folder.jpg/../missing/book.pdf",
         "Cannot create file \"" + base + "/missing/book.pdf\". No such file or directory"},
        {base + "/folder.jpg", "Cannot create file \"" + base + "/folder.jpg\". Is a directory"},
        {base + "/fifo.pdf", "Cannot create file \"" + base + "/fifo.pdf\". No such device or address"},
    };
    ASSERT_EQ(::mkfifo((dir_ / "fifo.pdf").c_str(), 0600), 0); // no reader: opening it must not wait for one
    for (const Case& c : cases) {
        SCOPED_TRACE(c.outFile);
        test::ProgressLog log;
        try {
            JpegsToPDF({rgb_}, c.outFile, log.Progress());
            ADD_FAILURE() << "no error raised";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
        EXPECT_EQ(log.calls, (std::vector<std::string>{"converting.. 0 0"}));
    }
    EXPECT_FALSE(fs::exists(dir_ / "missing"));
    EXPECT_TRUE(fs::is_fifo(dir_ / "fifo.pdf"));
}

TEST_F(PdfFailures, AnAbandonedBuildDeletesOnlyTheFileItCreated) {
    const std::string second = (dir_ / "second.jpg").string();
    fs::copy_file(big_, second);
    test::ProgressLog log;
    log.onProgress = [&](const std::string& text) {
        if (text == rgb_) {
            fs::rename(out_, dir_ / "moved.pdf");
            test::WriteFile(out_, "someone else's file");
            fs::remove(second);
        }
    };
    EXPECT_EQ(JpegsToPDF({rgb_, second}, out_, log.Progress()), pdfAborted);
    EXPECT_EQ(test::ReadFile(out_), "someone else's file");
}

// What the progress routine does, while page 1 is reported, to the page file of page 2.
struct PageChange {
    const char* name;
    std::function<void(const fs::path& page)> change;
};

void PrintTo(const PageChange& c, std::ostream* os) {
    *os << c.name;
}

class PdfPageChanges : public PdfFailures, public ::testing::WithParamInterface<PageChange> {};

TEST_P(PdfPageChanges, APageFileThatCannotBeReadAbortsAndKeepsTheEarlierOutput) {
    const fs::path second = dir_ / "second.jpg";
    fs::copy_file(big_, second);
    test::ProgressLog log;
    log.onProgress = [&](const std::string& text) {
        if (text == rgb_) {
            GetParam().change(second);
        }
    };
    EXPECT_EQ(JpegsToPDF({rgb_, second.string(), cmyk_}, out_, log.Progress()), pdfAborted);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"converting.. 0 0", rgb_ + " 52300 2000", "Finished! 0 0"}));
    ExpectEarlierOutputKept();
    ExpectPagesUnchanged();
}

INSTANTIATE_TEST_SUITE_P(Changes, PdfPageChanges,
                         ::testing::Values(PageChange{"Removed", [](const fs::path& page) { fs::remove(page); }},
                                           PageChange{"ReplacedByAFolder",
                                                      [](const fs::path& page) {
                                                          fs::remove(page);
                                                          fs::create_directory(page);
                                                      }},
                                           PageChange{"ReplacedByAFifo",
                                                      [](const fs::path& page) {
                                                          fs::remove(page);
                                                          ASSERT_EQ(::mkfifo(page.c_str(), 0600), 0);
                                                      }},
                                           PageChange{"ProgressRoutineThrows",
                                                      [](const fs::path&) {
                                                          throw std::runtime_error("the window went away");
                                                      }}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(PdfFailures, APageFileChangedAfterTheProbeIsEmbeddedAsItIsWhenWritten) {
    const fs::path second = dir_ / "second.jpg";
    fs::copy_file(big_, second);
    test::ProgressLog log;
    log.onProgress = [&](const std::string& text) {
        if (text == rgb_) {
            fs::resize_file(second, 7); // the frame header is gone; the probe's width and height stay
        }
    };
    ASSERT_EQ(JpegsToPDF({rgb_, second.string()}, out_, log.Progress()), pdfDone);
    const std::string document = test::ReadFile(out_);
    EXPECT_NE(document.find("/Width 800\r\n/Height 1200\r\n"), std::string::npos);
    EXPECT_NE(document.find("/Length 7 >>\r\nstream\r\n" + test::FrameJpeg(800, 1200, 3, 50000).substr(0, 7) +
                            "endstream\r\n"),
              std::string::npos);
    EXPECT_EQ(log.calls[2], second.string() + " 52000 2007");
}

// A write failure from the operating system: in a child process, files may not grow beyond `limit` bytes
// (RLIMIT_FSIZE), and SIGXFSZ is ignored so that the write itself fails with EFBIG.
struct WriteLimit {
    const char* name;
    rlim_t limit;
    std::size_t pagesReported;
};

void PrintTo(const WriteLimit& c, std::ostream* os) {
    *os << c.name;
}

class PdfWriteFailures : public PdfFailures, public ::testing::WithParamInterface<WriteLimit> {};

TEST_P(PdfWriteFailures, AFailedWriteAbortsWithItsCauseAndKeepsTheEarlierOutput) {
    const WriteLimit& c = GetParam();
    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(channel[0]);
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{c.limit, c.limit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        test::ProgressLog log;
        std::string cause;
        const std::int32_t result = JpegsToPDF({rgb_, big_}, out_, log.Progress(), {}, &cause);
        std::string report = std::to_string(result) + "\n" + cause;
        for (const std::string& call : log.calls) {
            report += "\n" + call;
        }
        const bool sent = ::write(channel[1], report.data(), report.size()) == static_cast<ssize_t>(report.size());
        ::_exit(sent ? 0 : 1);
    }
    ::close(channel[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;) {
        report.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(channel[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child failed, status " << status;

    // The second line is the cause: the system's reason and the file.
    const std::size_t causeStart = report.find('\n') + 1;
    const std::size_t causeEnd = report.find('\n', causeStart);
    const std::string cause = report.substr(causeStart, causeEnd - causeStart);
    EXPECT_NE(cause.find("File too large"), std::string::npos) << cause;
    EXPECT_NE(cause.find("book.pdf"), std::string::npos) << cause;
    report.erase(causeStart - 1, causeEnd - causeStart + 1);
    std::string expected = std::to_string(pdfAborted) + "\nconverting.. 0 0";
    const std::vector<std::string> pageCalls = {rgb_ + " 52000 2000", big_ + " 52000 52000"};
    for (std::size_t i = 0; i < c.pagesReported; ++i) {
        expected += "\n" + pageCalls[i];
    }
    expected += "\nFinished! 0 0";
    EXPECT_EQ(report, expected);
    ExpectEarlierOutputKept();
    ExpectPagesUnchanged();
}

// The complete document of these two pages is 53,345 bytes long.
INSTANTIATE_TEST_SUITE_P(Limits, PdfWriteFailures,
                         ::testing::Values(WriteLimit{"InTheHeader", 5, 0}, WriteLimit{"InTheFirstImage", 1000, 0},
                                           WriteLimit{"InTheSecondImage", 20000, 1},
                                           WriteLimit{"AtTheLastByte", 53344, 2}),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace qm

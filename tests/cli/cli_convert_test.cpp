// quillmark-cli convert run as a separate program on the real browser engine, offscreen.
#include "run_cli.h"
#include "support/jpeg_decode.h"
#include "support/pdf_pages.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

namespace qm {
namespace {

namespace fs = std::filesystem;

class CliConvert : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directory(scratch_); }
    // Nothing of a run stays in its temporary folder.
    void TearDown() override {
        for (const auto& entry : fs::recursive_directory_iterator(scratch_)) {
            ADD_FAILURE() << "left behind: " << entry.path();
        }
    }
    test::CliResult Run(const std::vector<std::string>& args, const std::string& tag = "cli") {
        std::vector<std::string> words{"convert"};
        words.insert(words.end(), args.begin(), args.end());
        return test::RunCli(dir_, words, scratch_.string(), tag);
    }

    test::TempDir dir_;
    fs::path scratch_ = dir_ / "scratch";
};

TEST_F(CliConvert, WritesAPdfWithOnePagePerChapterAndNeverReplacesOneUnasked) {
    const std::string out = (dir_ / "Sample.pdf").string();
    const test::CliResult done = Run({QM_SAMPLE_BOOK, out});
    ASSERT_EQ(done.exitCode, 0) << done.err;
    EXPECT_EQ(test::CountPdfPages(out), 5);
    EXPECT_NE(done.err.find("chapter 1 of 5: Title Page\n"), std::string::npos) << done.err;
    EXPECT_NE(done.err.find("chapter 5 of 5: Chapter 4. The Almanac\n"), std::string::npos) << done.err;

    test::WriteFile(out, "mine");
    const test::CliResult refused = Run({QM_SAMPLE_BOOK, out});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("exists; --replace overwrites it"), std::string::npos) << refused.err;
    EXPECT_EQ(test::ReadFile(out), "mine");

    const test::CliResult replaced = Run({QM_SAMPLE_BOOK, out, "--replace", "--timeout", "30"});
    EXPECT_EQ(replaced.exitCode, 0) << replaced.err;
    EXPECT_EQ(test::CountPdfPages(out), 5);
}

TEST_F(CliConvert, WritesNumberedJpegFilesAndTwoRunsKeepApart) {
    const std::string outA = (dir_ / "a" / "Page.JPG").string();
    const std::string outB = (dir_ / "b" / "Page").string() + ".jpeg";
    fs::create_directories(dir_ / "a");
    fs::create_directories(dir_ / "b");
    test::CliResult first;
    std::thread other([&] { first = Run({QM_SAMPLE_BOOK, outA}, "a"); });
    const test::CliResult second = Run({QM_SAMPLE_BOOK, outB}, "b");
    other.join();
    ASSERT_EQ(first.exitCode, 0) << first.err;
    ASSERT_EQ(second.exitCode, 0) << second.err;
    for (int row = 1; row <= 5; ++row) {
        EXPECT_EQ(test::DecodeJpeg(dir_ / "a" / ("Page" + std::to_string(row) + ".JPG")).components, 3);
        EXPECT_TRUE(fs::exists(dir_ / "b" / ("Page" + std::to_string(row) + ".jpeg")));
    }

    const test::CliResult kept = Run({QM_SAMPLE_BOOK, outA, "--no-replace"});
    EXPECT_EQ(kept.exitCode, 1);
    EXPECT_NE(kept.err.find("kept 5 existing file(s)"), std::string::npos) << kept.err;
}

TEST_F(CliConvert, MisuseAndBadBooksFail) {
    const std::string notABook = test::WriteFile(dir_ / "notes.epub", "plain text, no archive").string();
    const std::string out = (dir_ / "x.pdf").string();
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* message;
    };
    const std::vector<Case> cases = {
        {{QM_SAMPLE_BOOK}, 64, "usage: quillmark-cli convert"},
        {{QM_SAMPLE_BOOK, (dir_ / "x.png").string()}, 64, "must end in .pdf, .jpg or .jpeg"},
        {{QM_SAMPLE_BOOK, out, "--timeout", "soon"}, 64, "--timeout takes a whole number of seconds"},
        {{QM_SAMPLE_BOOK, out, "--fast"}, 64, "unknown option \"--fast\""},
        {{(dir_ / "missing.epub").string(), out}, 1, "is not a file"},
        {{notABook, out}, 1, "Error reading zip file"},
    };
    for (const Case& c : cases) {
        const test::CliResult result = Run(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.message;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
    EXPECT_FALSE(fs::exists(out));
}

} // namespace
} // namespace qm

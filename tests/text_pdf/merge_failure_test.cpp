#include "text_pdf/merge_chapter_pdfs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "chapter_pdfs.h"
#include "support/mount_namespace.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

const std::string kOldContent = "an older book of the same name";

// Three sound chapters in a folder, and book.pdf, an earlier file of the output's name.
class MergeFailures : public ::testing::Test {
protected:
    void SetUp() override {
        chapters_ = {
            test::WriteChapterPdf(dir_ / "1.pdf", {{{"one"}}}),
            test::WriteChapterPdf(dir_ / "2.pdf", {{{"two"}, {"three"}, {"four"}}}),
            test::WriteChapterPdf(dir_ / "3.pdf", {{{"five"}}}),
        };
        out_ = test::WriteFile(dir_ / "book.pdf", kOldContent).string();
    }

    // The earlier book is still there, and no partial book lies beside it.
    void ExpectEarlierOutputKept() const {
        EXPECT_EQ(test::ReadFile(out_), kOldContent);
        for (const auto& entry : fs::directory_iterator(dir_.path())) {
            EXPECT_FALSE(entry.path().filename().string().starts_with(".")) << entry.path();
        }
    }

    test::TempDir dir_;
    std::vector<std::string> chapters_;
    std::string out_;
};

// What replaces the second chapter file, and what the error then says after the file's name.
struct BadChapter {
    const char* name;
    std::function<void(const fs::path& chapter)> spoil;
    const char* cause;
};

void PrintTo(const BadChapter& c, std::ostream* os) {
    *os << c.name;
}

class BadChapters : public MergeFailures, public ::testing::WithParamInterface<BadChapter> {};

TEST_P(BadChapters, AreNamedWithTheCauseAndNothingIsWritten) {
    const fs::path chapter = chapters_[1];
    GetParam().spoil(chapter);
    std::vector<int> done;
    try {
        MergeChapterPdfs(chapters_, {}, {}, out_, [&](int count, int) { done.push_back(count); });
        ADD_FAILURE() << "no error raised";
    } catch (const std::runtime_error& e) {
        const std::string prefix = "Cannot read chapter 2 \"" + chapter.string() + "\". ";
        EXPECT_TRUE(std::string(e.what()).starts_with(prefix)) << e.what();
        EXPECT_NE(std::string(e.what()).find(GetParam().cause, prefix.size()), std::string::npos) << e.what();
    }
    EXPECT_EQ(done, std::vector<int>{1});
    ExpectEarlierOutputKept();
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadChapters,
    ::testing::Values(
        BadChapter{"Missing", [](const fs::path& chapter) { fs::remove(chapter); }, "No such file or directory"},
        BadChapter{"NotAPdf", [](const fs::path& chapter) { test::WriteFile(chapter, "<html>chapter</html>\n"); },
                   "can't find PDF header; can't find startxref"},
        BadChapter{"Empty", [](const fs::path& chapter) { fs::resize_file(chapter, 0); },
                   "can't find PDF header; can't find startxref"},
        BadChapter{"Truncated", [](const fs::path& chapter) { fs::resize_file(chapter, fs::file_size(chapter) / 2); },
                   "xref"},
        BadChapter{"Folder",
                   [](const fs::path& chapter) {
                       fs::remove(chapter);
                       fs::create_directory(chapter);
                   },
                   "Is a directory"},
        BadChapter{"Fifo",
                   [](const fs::path& chapter) {
                       fs::remove(chapter);
                       ASSERT_EQ(::mkfifo(chapter.c_str(), 0600), 0);
                   },
                   "Not a regular file"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(MergeFailures, OutlineEntriesOutsideTheChaptersAreRefusedBeforeAnythingIsWritten) {
    struct Case {
        OutlineEntry entry;
        const char* message;
    };
    const std::vector<Case> cases = {
        {{"Before", 0, -1, 0}, "Outline entry 2 \"Before\" names chapter -1 (counted from 0) of 3"},
        {{"After", 0, 3, 0}, "Outline entry 2 \"After\" names chapter 3 (counted from 0) of 3"},
        {{"Past the end", 0, 1, 3},
         "Outline entry 2 \"Past the end\" names page 3 (counted from 0) of chapter 1, which has 3 pages"},
        {{"Negative page", 0, 2, -1},
         "Outline entry 2 \"Negative page\" names page -1 (counted from 0) of chapter 2, which has 1 pages"},
    };
    for (const Case& c : cases) {
        try {
            MergeChapterPdfs(chapters_, {{"Good", 0, 1, 2}, c.entry}, {}, out_);
            ADD_FAILURE() << "no error raised for " << c.message;
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
    EXPECT_THROW(MergeChapterPdfs({}, {}, {}, out_), std::invalid_argument);
    ExpectEarlierOutputKept();
}

TEST_F(MergeFailures, AChapterThatCannotBeReadWhileTheBookIsWrittenLeavesNoBook) {
    // The chapters' stream data is read only when the book is written, after the last progress report.
    const auto removeSecond = [&](int done, int total) {
        if (done == total) {
            fs::remove(chapters_[1]);
        }
    };
    try {
        MergeChapterPdfs(chapters_, {}, {}, out_, removeSecond);
        ADD_FAILURE() << "no error raised";
    } catch (const std::runtime_error& e) {
        EXPECT_TRUE(std::string(e.what()).starts_with("Cannot write file \"" + out_ + "\". ")) << e.what();
        EXPECT_NE(std::string(e.what()).find("No such file or directory"), std::string::npos) << e.what();
    }
    ExpectEarlierOutputKept();
}

TEST_F(MergeFailures, AFullDiskGivesTheSystemsReasonAndLeavesNoPartialBook) {
    // The book needs about 300 KB; the disk holds 128 KB, the earlier book included.
    const std::string big = test::WriteChapterPdf(dir_ / "big.pdf", {{{"big"}}, false, 300 * 1024});
    const fs::path disk = dir_ / "disk";
    fs::create_directory(disk);
    const std::string out = (disk / "book.pdf").string();
    const std::string result = test::InPrivateMountNamespace([&] {
        if (!test::MountSmallDisk(disk.string(), 128)) {
            return std::string();
        }
        test::WriteFile(out, kOldContent);
        std::string text;
        try {
            MergeChapterPdfs({chapters_[0], big, chapters_[2]}, {}, {}, out);
            text = "no error raised";
        } catch (const std::runtime_error& e) {
            text = e.what();
        }
        text += "\n";
        for (const auto& entry : fs::directory_iterator(disk)) {
            text += entry.path().filename().string() + "=" + test::ReadFile(entry.path()) + "\n";
        }
        return text;
    });
    if (result.empty()) {
        GTEST_SKIP() << "cannot mount a small file system here";
    }
    EXPECT_EQ(result, "Cannot write file \"" + out + "\". No space left on device\nbook.pdf=" + kOldContent + "\n");
}

} // namespace
} // namespace qm

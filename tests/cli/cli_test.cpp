// quillmark-cli run as a separate program: its output lines and exit codes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "jpeg_fixtures.h"
#include "run_cli.h"
#include "support/corpus.h"
#include "support/temp_dir.h"
#include "zipwriter/zip_writer.h"

namespace qm {
namespace {

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        rgb_ = test::WriteFile(dir_ / "pages/rgb.jpg", test::FrameJpeg(640, 480, 3, 2000)).string();
        cmyk_ = test::WriteFile(dir_ / "pages/cmyk.jpg", test::FrameJpeg(32, 16, 4, 300)).string();
        grey_ = test::WriteFile(dir_ / "pages/grey.jpg", test::FrameJpeg(64, 64, 1, 300)).string();
    }
    test::TempDir dir_;
    std::string rgb_, cmyk_, grey_;
};

TEST_F(Cli, HelpListsEveryCommandAndMisuseIsAUsageError) {
    const test::CliResult help = test::RunCli(dir_, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("\n  probe FILE..."), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("\n  pdf OUT.pdf JPEG..."), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("\n  toc BOOK.epub"), std::string::npos) << help.out;
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{{}, {"frobnicate"}, {"probe"}}) {
        const test::CliResult misuse = test::RunCli(dir_, args);
        EXPECT_EQ(misuse.exitCode, 64);
        EXPECT_EQ(misuse.out, "");
        EXPECT_NE(misuse.err.find("usage: quillmark-cli"), std::string::npos) << misuse.err;
    }
}

TEST_F(Cli, ProbePrintsOneLinePerFileAndFailsWhenOneIsRefused) {
    const test::CliResult accepted = test::RunCli(dir_, {"probe", rgb_, cmyk_});
    EXPECT_EQ(accepted.exitCode, 0);
    EXPECT_EQ(accepted.out, rgb_ + "\t640\t480\tRGB\n" + cmyk_ + "\t32\t16\tCMYK\n");

    const test::CliResult refused = test::RunCli(dir_, {"probe", grey_, rgb_, "missing.jpg"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, grey_ + "\trefused\tbaseline frame with 1 component, not 3 (RGB) or 4 (CMYK)\n" + rgb_ +
                               "\t640\t480\tRGB\nmissing.jpg\trefused\tNo such file or directory\n");
}

TEST_F(Cli, ProbeSaysWhyAFileIsRefused) {
    using test::Hex;
    struct Refusal {
        const char* name;
        std::string bytes;
        const char* reason;
    };
    const std::string rgbComponents = Hex("011100 021100 031100");
    const char* const noFrameToTheEnd = "no baseline or progressive frame header before the end of the file";
    const std::vector<Refusal> table{
        {"empty", "", "no JPEG start-of-image marker"},
        {"gif", "GIF89a", "no JPEG start-of-image marker"},
        {"soi-only", Hex("FFD8"), noFrameToTheEnd},
        {"app0-then-end", Hex("FFD8 FFE0 0010") + std::string(14, 'J'), noFrameToTheEnd},
        {"eoi", Hex("FFD8 FFE0 0004 0000 FFD9"),
         "no baseline or progressive frame header before the end-of-image marker"},
        {"fill", Hex("FFD8 FFFF C0"),
         "fill bytes (FF FF) where a marker belongs, before a baseline or progressive frame header"},
        // A length of 0 steps back onto itself, so the FFD9 here is read as a length, not as a marker.
        {"length-zero", Hex("FFD8 FFE0 0000 FFD9"), noFrameToTheEnd},
        {"grey", test::FrameJpeg(64, 64, 1, 300), "baseline frame with 1 component, not 3 (RGB) or 4 (CMYK)"},
        {"two", Hex("FFD8 FFC2 000E 08 0010 0010 02 011100 021100"),
         "progressive frame with 2 components, not 3 (RGB) or 4 (CMYK)"},
        {"no-width", test::FrameJpeg(0, 16, 3, 64), "baseline frame of width or height 0"},
        {"no-height", Hex("FFD8 FFC2 0011 08 0000 0010 03") + rgbComponents, "progressive frame of width or height 0"},
        {"cut-in-size", Hex("FFD8 FFC0 0011 08 0010 00"), "baseline frame header cut short"},
        {"cut-before-components", Hex("FFD8 FFC0 0011 08 0010 0010"), "baseline frame header cut short"},
    };
    std::vector<std::string> args{"probe"};
    std::string expected;
    for (const Refusal& row : table) {
        args.push_back(test::WriteFile(dir_ / (std::string(row.name) + ".jpg"), row.bytes).string());
        expected += args.back() + "\trefused\t" + row.reason + "\n";
    }
    std::filesystem::create_directory(dir_ / "folder.jpg");
    args.push_back((dir_ / "folder.jpg").string());
    expected += args.back() + "\trefused\ta folder, not a regular file\n";

    const test::CliResult probed = test::RunCli(dir_, args);
    EXPECT_EQ(probed.exitCode, 1);
    EXPECT_EQ(probed.out, expected);
}

TEST_F(Cli, ProbeSaysWhyRealFilesAreRefused) {
    QM_SKIP_WITHOUT_CORPUS();
    const std::vector<std::pair<std::string, std::string>> table{
        {"jd-jpeg_lossless_sel1-sof3-16bit.jpg", "no baseline or progressive frame header before the end of the file"},
        {"jd-max_size-65535x65535.jpg", "baseline frame with 1 component, not 3 (RGB) or 4 (CMYK)"},
        {"jd-mozilla-jpg-size-6x6-is-png.jpg", "no JPEG start-of-image marker"},
        {"jd-null_height-dnl.jpg", "baseline frame of width or height 0"},
        {"ljt-testimgari-arithmetic-sof9.jpg", "no baseline or progressive frame header before the end of the file"},
    };
    for (const auto& [name, reason] : table) {
        const std::string file = test::CorpusFile("jpeg/" + name).string();
        const test::CliResult probed = test::RunCli(dir_, {"probe", file});
        EXPECT_EQ(probed.exitCode, 1);
        EXPECT_EQ(probed.out, file + "\trefused\t" + reason + "\n");
    }
}

// The commands that need no browser engine load none of Qt: the dynamic loader names every library it loads.
TEST_F(Cli, CommandsWithoutTheEngineLoadNoQt) {
    const std::string page = test::WriteFile(dir_ / "page.jpg", test::FrameJpeg(16, 16, 3, 64)).string();
    ::setenv("LD_DEBUG", "libs", 1);
    const std::vector<std::vector<std::string>> commands = {
        {"probe", page},         {"pdf", (dir_ / "out.pdf").string(), page}, {"toc", QM_SAMPLE_BOOK},
        {"nav", QM_SAMPLE_BOOK}, {"search", QM_SAMPLE_BOOK, "the"},          {"--version"}};
    std::vector<test::CliResult> results;
    for (const std::vector<std::string>& command : commands) {
        results.push_back(test::RunCli(dir_, command));
    }
    ::unsetenv("LD_DEBUG");
    for (std::size_t n = 0; n < commands.size(); ++n) {
        EXPECT_EQ(results[n].exitCode, 0) << commands[n].front();
        EXPECT_NE(results[n].err.find("calling init"), std::string::npos) << "the loader said nothing";
        EXPECT_EQ(results[n].err.find("libQt6"), std::string::npos) << commands[n].front() << " loads Qt";
    }
}

TEST_F(Cli, VersionAndEachCommandsHelpGoToStdout) {
    struct Request {
        std::vector<std::string> args;
        std::string start; // how stdout begins
        std::vector<std::string> mentions;
    };
    const std::vector<Request> table{
        {{"--version"}, std::string("quillmark-cli ") + QM_VERSION + "\n", {}},
        {{"toc", "--help"}, "usage: quillmark-cli toc BOOK.epub\n", {"exit status: 0", "; 64 usage error"}},
        {{"probe", "-h"}, "usage: quillmark-cli probe FILE...\n", {"refused TAB REASON", "1 at least one refused"}},
        {{"search", "--help"}, "usage: quillmark-cli search BOOK.epub TEXT\n", {"0 something was found; 1 nothing"}},
        {{"nav", "--help"}, "usage: quillmark-cli nav BOOK.epub\n", {"level (0 at the", "path#fragment"}},
        {{"pdf", "out.pdf", "--help"}, "usage: quillmark-cli pdf OUT.pdf JPEG...\n", {"2 OUT.pdf cannot be created"}},
        {{"convert", "--help"},
         "usage: quillmark-cli convert BOOK.epub OUT.pdf|OUT.jpg [OPTIONS]\n",
         {"--replace ", "--no-replace ", "--timeout S ", "(default 60)", "--width PX ", "(default 800)", "--height PX ",
          "(default 600)", "--scripts ", "1 failure (the reason on stderr); 64 usage error"}},
    };
    const std::string commands = test::RunCli(dir_, {"--help"}).out;
    for (const Request& request : table) {
        if (request.args.front() == "convert" && commands.find("\n  convert ") == std::string::npos) {
            continue; // built without the window, so without convert
        }
        const test::CliResult answer = test::RunCli(dir_, request.args);
        EXPECT_EQ(answer.exitCode, 0) << request.start;
        EXPECT_EQ(answer.err, "") << request.start;
        EXPECT_TRUE(answer.out.starts_with(request.start)) << answer.out;
        for (const std::string& mention : request.mentions) {
            EXPECT_NE(answer.out.find(mention), std::string::npos) << mention << " in\n" << answer.out;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir_ / "out.pdf"));
}

TEST_F(Cli, PdfPrintsTheResultAndExitsByIt) {
    const std::string out = (dir_ / "book.pdf").string();
    const test::CliResult done = test::RunCli(dir_, {"pdf", out, rgb_, cmyk_});
    EXPECT_EQ(done.exitCode, 0);
    EXPECT_EQ(done.out, "pdfDone\n");
    EXPECT_EQ(done.err, "") << "progress is shown only on a terminal";
    EXPECT_TRUE(test::ReadFile(out).starts_with("%PDF-1.2\r\n"));

    const test::CliResult refused = test::RunCli(dir_, {"pdf", out, rgb_, grey_});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, "pdfNoFiles\n");

    const test::CliResult noPages = test::RunCli(dir_, {"pdf", out});
    EXPECT_EQ(noPages.exitCode, 1);
    EXPECT_EQ(noPages.out, "pdfNoFiles\n");

    const std::string unwritable = (dir_ / "missing/book.pdf").string();
    const test::CliResult cannotCreate = test::RunCli(dir_, {"pdf", unwritable, rgb_});
    EXPECT_EQ(cannotCreate.exitCode, 2);
    EXPECT_EQ(cannotCreate.out, "");
    EXPECT_EQ(cannotCreate.err, "Cannot create file \"" + unwritable + "\". No such file or directory\n");
}

TEST_F(Cli, TocPrintsTheTableAndLeavesNoWorkingFolderBehind) {
    const std::string scratch = (dir_ / "scratch").string();
    std::filesystem::create_directory(scratch);
    const test::CliResult listed = test::RunCli(dir_, {"toc", QM_SAMPLE_BOOK}, scratch);
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(listed.out, "No.\tTitle\t\n"
                          "1\tTitle Page\tText/title.xhtml\n"
                          "3\tChapter 1. The Lamp Room\tText/chapter1.xhtml\n"
                          "4\tChapter 2. Fog Signals\tText/chapter2.xhtml\n"
                          "6\tChapter 3. Driftwood\tText/chapter3.html\n"
                          "7\tChapter 4. The Almanac\tText/chapter4.xhtml\n");

    const std::string notABook = test::WriteFile(dir_ / "notes.epub", "plain text, no archive").string();
    const test::CliResult failed = test::RunCli(dir_, {"toc", notABook}, scratch);
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.out, "");
    EXPECT_EQ(failed.err, "\"" + notABook + "\" is not a ZIP archive, or it is cut short (Error reading zip file)\n");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(scratch)) {
        ADD_FAILURE() << "left behind: " << entry.path();
    }
}

// search prints every match in reading order and exits by what it found; nav prints the book's whole
// navigation, entries inside a chapter file too.
TEST_F(Cli, SearchAndNavOfRealBooks) {
    QM_SKIP_WITHOUT_CORPUS();
    const std::string alice = test::CorpusFile("epub/epubjs-alice.epub").string();
    const test::CliResult hatter = test::RunCli(dir_, {"search", alice, "hatter"});
    EXPECT_EQ(hatter.exitCode, 0) << hatter.err;
    EXPECT_EQ(std::count(hatter.out.begin(), hatter.out.end(), '\n'), 11) << hatter.out;
    EXPECT_TRUE(hatter.out.starts_with("9\tPig And Pepper\t\u2026said, waving the right paw 'round, \"lives a Hatter;"))
        << hatter.out;
    EXPECT_NE(hatter.out.find("\n12\tWho Stole The Tarts?\t"), std::string::npos) << hatter.out;

    const test::CliResult none = test::RunCli(dir_, {"search", alice, "jabberwocky"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.out, "");
    const std::string notABook = test::WriteFile(dir_ / "notes.epub", "plain text, no archive").string();
    const test::CliResult failed = test::RunCli(dir_, {"search", notABook, "x"});
    EXPECT_EQ(failed.exitCode, 2);
    EXPECT_NE(failed.err.find("notes.epub\" is not a ZIP archive"), std::string::npos) << failed.err;

    const test::CliResult nav =
        test::RunCli(dir_, {"nav", test::CorpusFile("epub/calibre-quick_start-eng.epub").string()});
    EXPECT_EQ(nav.exitCode, 0) << nav.err;
    EXPECT_EQ(std::count(nav.out.begin(), nav.out.end(), '\n'), 22) << nav.out;
    EXPECT_TRUE(nav.out.starts_with("0\tCalibre Quick Start Guide\ttext/internal_titlepage.xhtml\n")) << nav.out;
    EXPECT_NE(nav.out.find("\n1\tTask 2: Conversion\ttext/task_2_conversion.xhtml\n"
                           "2\t2.1: Background\ttext/task_2_conversion.xhtml#task2.1\n"),
              std::string::npos)
        << nav.out;
}

TEST_F(Cli, AKilledTocLeavesNoWorkingFolderBehind) {
    // Thousands of small members keep the extraction busy long enough to be killed in the middle of it.
    std::vector<ZipMember> members;
    for (int i = 0; i < 5000; ++i) {
        ZipMember member;
        member.name = "OEBPS/Text/page" + std::to_string(i) + ".xhtml";
        member.data = "<html/>";
        members.push_back(member);
    }
    const std::string book = (dir_ / "many.epub").string();
    WriteZipFile(book, members);
    const std::filesystem::path scratch = dir_ / "scratch";
    std::filesystem::create_directory(scratch);

    const pid_t child = ::fork();
    if (child == 0) {
        ::setenv("TMPDIR", scratch.c_str(), 1);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::execl(QM_CLI_PATH, QM_CLI_PATH, "toc", book.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::filesystem::is_empty(scratch) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    while (!std::filesystem::is_empty(scratch) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    for (const auto& entry : std::filesystem::recursive_directory_iterator(scratch)) {
        ADD_FAILURE() << "left behind: " << entry.path();
    }
}

} // namespace
} // namespace qm

// quillmark-cli convert run as a separate program on the real browser engine, offscreen.
#include "run_cli.h"
#include "support/corpus.h"
#include "support/jpeg_decode.h"
#include "support/mount_namespace.h"
#include "support/pdf_pages.h"
#include "support/temp_dir.h"
#include "zipwriter/fixture_book.h"
#include "zipwriter/zip_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>
#include <tuple>

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
    // Chapters shared among processes start in any order; each is told once, counted up to the last.
    EXPECT_NE(done.err.find("chapter 5 of 5: "), std::string::npos) << done.err;
    for (const char* title : {": Title Page\n", ": Chapter 4. The Almanac\n"}) {
        EXPECT_NE(done.err.find(title), std::string::npos) << done.err;
    }

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

    // Without --replace, a page's name that is taken is refused before anything renders.
    const std::string before = test::ReadFile(dir_ / "a" / "Page1.JPG");
    const test::CliResult kept = Run({QM_SAMPLE_BOOK, outA, "--no-replace"});
    EXPECT_EQ(kept.exitCode, 1);
    EXPECT_NE(kept.err.find("Page1.JPG\" exists (the page of row 1); --replace overwrites it"), std::string::npos)
        << kept.err;
    EXPECT_EQ(kept.err.find("chapter 1 of"), std::string::npos) << kept.err;
    EXPECT_EQ(test::ReadFile(dir_ / "a" / "Page1.JPG"), before);
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
        {{QM_SAMPLE_BOOK, out, "--timeout", "soon"}, 64, "--timeout takes a whole number"},
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

// An output that is the book itself, by its path, a hard link or a symbolic link, is refused before anything
// is written, and the book stays as it was.
TEST_F(CliConvert, NeverWritesOverTheBook) {
    const std::string bookBytes = test::ReadFile(QM_SAMPLE_BOOK);
    const fs::path book = test::WriteFile(dir_ / "same.pdf", bookBytes);
    fs::create_hard_link(book, dir_ / "hard.pdf");
    fs::create_symlink(book, dir_ / "soft.pdf");
    for (const char* out : {"same.pdf", "hard.pdf", "soft.pdf"}) {
        const test::CliResult result = Run({book.string(), (dir_ / out).string(), "--replace"});
        EXPECT_EQ(result.exitCode, 1) << out;
        EXPECT_NE(result.err.find("is the book itself"), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("chapter 1 of"), std::string::npos) << "a chapter was rendered first";
    }
    EXPECT_EQ(test::ReadFile(book), bookBytes);
    EXPECT_TRUE(fs::is_symlink(dir_ / "soft.pdf"));
}

// Replacing a PDF on a disk too full for the new one keeps the old one whole, and says why.
TEST_F(CliConvert, AFullDiskKeepsTheEarlierPdf) {
    const fs::path first = dir_ / "first.pdf";
    ASSERT_EQ(Run({QM_SAMPLE_BOOK, first.string()}).exitCode, 0);
    const std::string earlier = test::ReadFile(first);
    const fs::path small = dir_ / "small";
    fs::create_directory(small);
    const std::string outcome = test::InPrivateMountNamespace([&] {
        // Room for the earlier document and a little more, not for a second one beside it.
        if (!test::MountSmallDisk(small.string(), static_cast<int>(earlier.size() * 3 / 2 / 1024))) {
            return std::string();
        }
        const fs::path out = small / "book.pdf";
        test::WriteFile(out, earlier);
        const test::CliResult result = Run({QM_SAMPLE_BOOK, out.string(), "--replace"}, "full");
        std::string report =
            std::to_string(result.exitCode) + "\n" + (test::ReadFile(out) == earlier ? "kept" : "changed") + "\n";
        for (const auto& entry : fs::directory_iterator(small)) {
            report += entry.path().filename().string() + "\n";
        }
        return report + result.err;
    });
    if (outcome.empty()) {
        GTEST_SKIP() << "cannot mount a small file system here";
    }
    EXPECT_EQ(outcome.substr(0, outcome.find("\nchapter")), "1\nkept\nbook.pdf") << outcome;
    EXPECT_NE(outcome.find("Aborted! "), std::string::npos) << outcome;
    EXPECT_NE(outcome.find("No space left on device"), std::string::npos) << outcome;
}

// A command's standard output, or "" when it cannot run.
std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            text.append(buffer, got);
        }
        ::pclose(pipe);
    }
    return text;
}

// A text PDF: the engine prints each chapter file once, with real text in every script, one bookmark per row
// nested as the navigation map nests them, a row with an anchor at its anchor, and the book's title and author.
TEST_F(CliConvert, TextPdfHasTheChaptersWordsAndABookmarkPerRow) {
    if (std::system("command -v pdftotext >/dev/null && command -v qpdf >/dev/null") != 0) {
        GTEST_SKIP() << "needs pdftotext and qpdf";
    }
    const std::string tall = "<div style='height:2400px'></div>";
    const std::string book = (dir_ / "text.epub").string();
    WriteZipFile(book,
                 FixtureEpub({
                     {"one.xhtml", FixturePage("<h1>Alpha</h1><p>Первая глава.</p>"), "First", "", 0},
                     {"two.xhtml", FixturePage("<h1>Bravo</h1>" + tall + "<h2 id='deep'>Deeper</h2><p>本文です。</p>"),
                      "Second", "", 0},
                     {"two.xhtml#deep", "", "Second, deeper", "", 1},
                     {"three.xhtml", FixturePage("<h1>Charlie</h1>"), "Third", "", 0},
                 }));
    const std::string out = (dir_ / "text.pdf").string();
    const test::CliResult done = Run({book, out, "--text"});
    ASSERT_EQ(done.exitCode, 0) << done.err;
    EXPECT_EQ(std::system(("qpdf --check '" + out + "' >/dev/null").c_str()), 0);
    const std::string text = Output("pdftotext '" + out + "' -");
    std::size_t at = 0;
    for (const char* word : {"Alpha", "Первая", "Bravo", "Deeper", "本文", "Charlie"}) {
        at = text.find(word, at);
        EXPECT_NE(at, std::string::npos) << word << " in order in:\n" << text;
    }
    EXPECT_EQ(text.find("Bravo", text.find("Bravo") + 1), std::string::npos) << "a chapter printed twice";
    const std::string info = Output("pdfinfo '" + out + "'");
    EXPECT_NE(info.find("Fixture Book"), std::string::npos) << info;
    EXPECT_NE(info.find("Ann Writer"), std::string::npos) << info;
    // The outline, as qpdf reads it: one line per entry, "depth page title", in order.
    const std::string outline = Output("qpdf --json --json-key=outlines '" + out +
                                       "' | python3 -c \"import json,sys\n"
                                       "def walk(items, depth):\n"
                                       "    for item in items:\n"
                                       "        print(depth, item['destpageposfrom1'], item['title'])\n"
                                       "        walk(item['kids'], depth + 1)\n"
                                       "walk(json.load(sys.stdin)['outlines'], 0)\"");
    std::istringstream lines(outline);
    std::vector<std::tuple<int, int, std::string>> entries;
    for (int depth = 0, page = 0; lines >> depth >> page;) {
        std::string title;
        std::getline(lines >> std::ws, title);
        entries.emplace_back(depth, page, title);
    }
    ASSERT_EQ(entries.size(), 4u) << outline;
    EXPECT_EQ(entries[0], std::make_tuple(0, 1, std::string("First")));
    EXPECT_EQ(std::get<2>(entries[1]), "Second");
    EXPECT_EQ(std::get<0>(entries[2]), 1);
    EXPECT_EQ(std::get<2>(entries[2]), "Second, deeper");
    EXPECT_GT(std::get<1>(entries[2]), std::get<1>(entries[1])) << "the anchor's entry is not at its anchor";
    EXPECT_EQ(std::get<0>(entries[3]), 0);

    // On chapter paper each short chapter is one page.
    const std::string pages = (dir_ / "pages.pdf").string();
    ASSERT_EQ(Run({book, pages, "--text", "--paper", "chapter"}).exitCode, 0);
    EXPECT_NE(Output("pdfinfo '" + pages + "'").find("Pages:           3\n"), std::string::npos);
}

// A chapter that cannot be printed ends the run as a failure naming it, and nothing is written.
TEST_F(CliConvert, ATextPdfWithAMissingChapterNamesItAndWritesNothing) {
    const std::string book = (dir_ / "gap.epub").string();
    WriteZipFile(book, FixtureEpub({{"one.xhtml", FixturePage("<p>one</p>"), "One"}, {"gone.xhtml", "", "Gone"}}));
    const std::string out = (dir_ / "gap.pdf").string();
    const test::CliResult result = Run({book, out, "--text"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("chapter \"Gone\" (row 2) has no page"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(out));
}

// Pages are --width CSS pixels drawn at one pixel each whatever the display's scale (a desktop's HiDPI setting
// reaches the conversion through the environment), and --scale F draws them F times sharper in a PDF whose pages
// keep their size.
TEST_F(CliConvert, PagesAreTheSameOnEveryDisplayAndScaleMakesThemSharper) {
    ::setenv("QT_SCALE_FACTOR", "2", 1);
    const test::CliResult plain = Run({QM_SAMPLE_BOOK, (dir_ / "plain.jpg").string()});
    ::unsetenv("QT_SCALE_FACTOR");
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(test::DecodeJpeg(dir_ / "plain1.jpg").width, 800);

    const test::CliResult sharp = Run({QM_SAMPLE_BOOK, (dir_ / "sharp.pdf").string(), "--scale", "2"});
    ASSERT_EQ(sharp.exitCode, 0) << sharp.err;
    const std::string pdf = test::ReadFile(dir_ / "sharp.pdf");
    EXPECT_NE(pdf.find("/Width 1600"), std::string::npos);
    EXPECT_NE(pdf.find("/MediaBox [ 0 0 800.00 "), std::string::npos);
    EXPECT_EQ(Run({QM_SAMPLE_BOOK, (dir_ / "x.pdf").string(), "--scale", "5"}).exitCode, 64);
}

// --quality Q encodes the page pictures at JPEG quality Q: the same pages, smaller; 100 unless told.
TEST_F(CliConvert, QualityMakesThePicturesSmaller) {
    ASSERT_EQ(Run({QM_SAMPLE_BOOK, (dir_ / "best.jpg").string()}).exitCode, 0);
    const test::CliResult lower = Run({QM_SAMPLE_BOOK, (dir_ / "lower.jpg").string(), "--quality", "80"});
    ASSERT_EQ(lower.exitCode, 0) << lower.err;
    const test::DecodedJpeg best = test::DecodeJpeg(dir_ / "best1.jpg");
    const test::DecodedJpeg smaller = test::DecodeJpeg(dir_ / "lower1.jpg");
    EXPECT_EQ(smaller.width, best.width);
    EXPECT_EQ(smaller.height, best.height);
    EXPECT_LT(fs::file_size(dir_ / "lower1.jpg") * 2, fs::file_size(dir_ / "best1.jpg"));
    for (const char* wrong : {"0", "101", "high"}) {
        EXPECT_EQ(Run({QM_SAMPLE_BOOK, (dir_ / "x.pdf").string(), "--quality", wrong}).exitCode, 64) << wrong;
    }
    EXPECT_FALSE(fs::exists(dir_ / "x.pdf"));
}

// A book of fixed layout: each page is captured at the size its viewport meta declares, and is a PDF page of
// that size; a box sized by the viewport fills the page to its last row.
TEST_F(CliConvert, FixedLayoutPagesAreTheirOwnSize) {
    const std::string book = (dir_ / "fixed.epub").string();
    std::vector<ZipMember> members = FixtureEpub(
        {{"page.xhtml",
          "<?xml version='1.0'?><html xmlns='http://www.w3.org/1999/xhtml'><head><title>p</title>"
          "<meta name='viewport' content='width=600, height=800'/><style>html,body{margin:0;height:100%}</style>"
          "</head><body><div style='height:100%;background:#2050a0'></div></body></html>",
          "Page"}});
    for (ZipMember& member : members) {
        if (member.name == "OEBPS/content.opf") {
            const std::size_t spine = member.data.find("<itemref ");
            member.data.insert(spine + 9, "properties='rendition:layout-pre-paginated' ");
        }
    }
    WriteZipFile(book, members);
    const test::CliResult result = Run({book, (dir_ / "fixed.pdf").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string pdf = test::ReadFile(dir_ / "fixed.pdf");
    EXPECT_NE(pdf.find("/MediaBox [ 0 0 600 800 ]"), std::string::npos);
    ASSERT_EQ(Run({book, (dir_ / "fixed.jpg").string()}).exitCode, 0);
    const test::DecodedJpeg page = test::DecodeJpeg(dir_ / "fixed1.jpg");
    EXPECT_EQ(std::make_pair(page.width, page.height), std::make_pair(600, 800));
    EXPECT_TRUE(test::NearColour(page.Pixel(300, 799), 0x2050a0)) << std::hex << page.Pixel(300, 799);
}

// Chapters are parsed as the documents they are: valid XHTML with self-closed elements shows its text (the HTML
// parser would swallow the rest of the file into <title/> or <script/>), and a chapter that is not well-formed
// XML still shows its text, as HTML.
TEST_F(CliConvert, XhtmlChaptersShowTheirText) {
    const std::string book = (dir_ / "xhtml.epub").string();
    const std::string text = "<p style='font:40px sans-serif'>WORDS WORDS WORDS</p>";
    WriteZipFile(book, FixtureEpub({{"title.xhtml",
                                     "<?xml version='1.0'?><html xmlns='http://www.w3.org/1999/xhtml'><head><title/>"
                                     "</head><body>" +
                                         text + "</body></html>",
                                     "Title"},
                                    {"script.xhtml",
                                     "<?xml version='1.0'?><html xmlns='http://www.w3.org/1999/xhtml'><head>"
                                     "<script src='none.js'/></head><body>" +
                                         text + "</body></html>",
                                     "Script"},
                                    {"broken.xhtml", "<html><body>" + text + "<br></body></html>", "Broken"}}));
    const test::CliResult result = Run({book, (dir_ / "x.jpg").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    for (int row = 1; row <= 3; ++row) {
        const test::DecodedJpeg page = test::DecodeJpeg(dir_ / ("x" + std::to_string(row) + ".jpg"));
        int ink = 0;
        for (int y = 0; y < 150; ++y) {
            for (int x = 0; x < page.width; ++x) {
                ink += (page.Pixel(x, y) & 0xff) < 100 ? 1 : 0;
            }
        }
        EXPECT_GT(ink, 2000) << "row " << row << " shows no text";
    }
}

// An incomplete conversion replaces nothing, --replace or not: what was converted goes under the incomplete
// name, and the document or the pages under the chosen name stay byte for byte.
TEST_F(CliConvert, AnIncompleteConversionReplacesNothing) {
    const std::string book = (dir_ / "gap.epub").string();
    WriteZipFile(book, FixtureEpub({{"one.xhtml", FixturePage("<p>one</p>"), "One"},
                                    {"gone.xhtml", "", "Gone"},
                                    {"three.xhtml", FixturePage("<p>three</p>"), "Three"}}));
    test::WriteFile(dir_ / "gap.pdf", "a whole book");
    for (const char* page : {"gap1.jpg", "gap2.jpg", "gap3.jpg"}) {
        test::WriteFile(dir_ / page, "a whole book's page");
    }
    for (const char* name : {"gap.pdf", "gap.jpg"}) {
        for (const char* jobs : {"1", "2"}) {
            const test::CliResult result = Run({book, (dir_ / name).string(), "--replace", "--jobs", jobs});
            EXPECT_EQ(result.exitCode, 1) << result.err;
            EXPECT_NE(result.err.find("chapter \"Gone\" (row 2) has no page"), std::string::npos) << result.err;
            const std::string kept =
                std::string(name) == "gap.pdf" ? " was left as it was" : " was written or replaced";
            EXPECT_NE(result.err.find("since the book is incomplete; "), std::string::npos) << result.err;
            EXPECT_NE(result.err.find((dir_ / name).string() + kept), std::string::npos) << result.err;
        }
    }
    EXPECT_EQ(test::ReadFile(dir_ / "gap.pdf"), "a whole book");
    EXPECT_EQ(test::CountPdfPages(dir_ / "gap.incomplete.pdf"), 2);
    for (const char* page : {"gap1.jpg", "gap2.jpg", "gap3.jpg"}) {
        EXPECT_EQ(test::ReadFile(dir_ / page), "a whole book's page");
    }
    EXPECT_EQ(test::DecodeJpeg(dir_ / "gap.incomplete3.jpg").components, 3);
    EXPECT_TRUE(fs::exists(dir_ / "gap.incomplete1.jpg"));
    EXPECT_FALSE(fs::exists(dir_ / "gap.incomplete2.jpg"));
}

// Two runs started together to one new file: exactly one writes it; the other says the name is taken and
// exits with 1.
TEST_F(CliConvert, OfTwoRacingRunsOneWrites) {
    for (const char* name : {"race.pdf", "race.jpg"}) {
        const std::string out = (dir_ / name).string();
        test::CliResult first;
        std::thread other([&] { first = Run({QM_SAMPLE_BOOK, out}, "a"); });
        const test::CliResult second = Run({QM_SAMPLE_BOOK, out}, "b");
        other.join();
        EXPECT_EQ((first.exitCode == 0) + (second.exitCode == 0), 1) << first.err << "\n" << second.err;
        const std::string& lost = first.exitCode == 0 ? second.err : first.err;
        EXPECT_NE(lost.find("exists"), std::string::npos) << lost;
    }
    EXPECT_EQ(test::CountPdfPages(dir_ / "race.pdf"), 5);
    for (int row = 1; row <= 5; ++row) {
        EXPECT_EQ(test::DecodeJpeg(dir_ / ("race" + std::to_string(row) + ".jpg")).components, 3);
    }
}

// Shared among processes, a conversion gives the same output byte for byte as one process: a PDF, JPEG files
// and a text PDF, of a book with a tall chapter, a picture chapter and sections.
TEST_F(CliConvert, SharedAmongProcessesTheOutputIsTheSame) {
    const std::string book = (dir_ / "mixed.epub").string();
    std::string bands;
    for (int i = 0; i < 9; ++i) {
        bands += "<div style='height:1000px;background:#" + std::string(i % 2 ? "1030c0" : "e0c020") + "'></div>";
    }
    WriteZipFile(
        book, FixtureEpub({{"a.xhtml", FixturePage("<h1>A</h1><div style='height:900px'></div><h2 id='b'>B</h2>"), "A"},
                           {"a.xhtml#b", "", "B", "", 1},
                           {"tall.xhtml", FixturePage(bands), "Tall"},
                           {"plan.svg",
                            "<svg xmlns='http://www.w3.org/2000/svg' width='300' height='200'><rect width='300' "
                            "height='200' fill='#c03030'/></svg>",
                            "Plan", "image/svg+xml"},
                           {"c.xhtml", FixturePage("<p>C</p>"), "C"}}));
    for (const std::vector<std::string>& kind :
         std::vector<std::vector<std::string>>{{"x.pdf"}, {"x.jpg"}, {"x.pdf", "--text"}}) {
        std::vector<std::string> outputs;
        for (const char* jobs : {"1", "3"}) {
            const fs::path folder = dir_ / ("jobs" + std::string(jobs) + kind.back());
            fs::create_directories(folder);
            std::vector<std::string> args = {book, (folder / kind.front()).string(), "--jobs", jobs};
            args.insert(args.end(), kind.begin() + 1, kind.end());
            const test::CliResult result = Run(args);
            ASSERT_EQ(result.exitCode, 0) << result.err;
            std::string all;
            for (const auto& entry : fs::directory_iterator(folder)) {
                all += entry.path().filename().string() + "\n";
            }
            for (const char* name : {"x.pdf", "x1.jpg", "x2.jpg", "x3.jpg", "x4.jpg", "x5.jpg", "x3_part2.jpg"}) {
                if (fs::exists(folder / name)) {
                    all += std::string(name) + ":" + test::ReadFile(folder / name);
                }
            }
            outputs.push_back(all);
        }
        EXPECT_EQ(outputs[0], outputs[1]) << kind.front() << (kind.size() > 1 ? " --text" : "");
    }
}

// Several books into one folder: a bad book among good ones is reported, the others are converted, and the
// status says that one failed.
TEST_F(CliConvert, ManyBooksIntoOneFolderFinishTheGoodOnes) {
    const fs::path out = dir_ / "books";
    fs::create_directories(out);
    const std::string bad = test::WriteFile(dir_ / "bad.epub", "not a book").string();
    const std::string other = (dir_ / "other.epub").string();
    WriteZipFile(other, FixtureEpub({{"a.xhtml", FixturePage("<p>a</p>"), "A"}}));
    const test::CliResult result = Run({"--output-dir", out.string(), QM_SAMPLE_BOOK, bad, other, "--jobs", "2"});
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_EQ(test::CountPdfPages(out / "quillmark-sample.pdf"), 5);
    EXPECT_EQ(test::CountPdfPages(out / "other.pdf"), 1);
    EXPECT_FALSE(fs::exists(out / "bad.pdf"));
    EXPECT_NE(result.err.find("bad.epub: failed"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("3 books, 6 pages, 1 failure"), std::string::npos) << result.err;
}

struct CorpusCase {
    const char* book;
    int pages;
};

void PrintTo(const CorpusCase& c, std::ostream* os) {
    *os << c.book;
}

class CliConvertCorpus : public CliConvert, public ::testing::WithParamInterface<CorpusCase> {};

// Real books whose chapters are unlike the sample's: pictures as chapters (JPEG images, SVG documents without
// a body) and a chapter taller than a JPEG file can hold (three chapters, four pages).
TEST_P(CliConvertCorpus, ConvertsToAPdfThatQpdfAccepts) {
    QM_SKIP_WITHOUT_CORPUS();
    const std::string out = (dir_ / "book.pdf").string();
    const test::CliResult done = Run({test::CorpusFile(std::string("epub/") + GetParam().book).string(), out});
    ASSERT_EQ(done.exitCode, 0) << done.err;
    EXPECT_EQ(test::CountPdfPages(out), GetParam().pages);
    if (std::system("command -v qpdf >/dev/null 2>&1") == 0) {
        EXPECT_EQ(std::system(("qpdf --check '" + out + "' >/dev/null 2>&1").c_str()), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Books, CliConvertCorpus,
                         ::testing::Values(CorpusCase{"idpf-haruko-jpeg.epub", 13},
                                           CorpusCase{"idpf-sous-le-vent_svg-in-spine.epub", 13},
                                           CorpusCase{"idpf-childrens-literature.epub", 4}),
                         [](const auto& p) {
                             std::string name = p.param.book;
                             name = name.substr(0, name.find('.'));
                             std::replace_if(
                                 name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
                             return name;
                         });

// A book of `chapters` short chapters.
std::string WriteLongBook(const fs::path& path, int chapters) {
    std::vector<ZipMember> members;
    auto add = [&](std::string name, std::string data) {
        ZipMember member;
        member.name = std::move(name);
        member.data = std::move(data);
        members.push_back(std::move(member));
    };
    std::string manifest;
    std::string spine;
    for (int i = 1; i <= chapters; ++i) {
        const std::string id = "c" + std::to_string(i);
        manifest += "<item id='" + id + "' href='" + id + ".html' media-type='application/xhtml+xml'/>";
        spine += "<itemref idref='" + id + "'/>";
        add("OEBPS/" + id + ".html", "<html><body><p>Chapter " + std::to_string(i) + "</p></body></html>");
    }
    add("OEBPS/content.opf", "<?xml version='1.0'?><package xmlns='http://www.idpf.org/2007/opf' version='2.0'>"
                             "<manifest>" +
                                 manifest + "</manifest><spine>" + spine + "</spine></package>");
    add("OEBPS/toc.ncx", "<?xml version='1.0'?><ncx xmlns='http://www.daisy.org/z3986/2005/ncx/'><navMap/></ncx>");
    WriteZipFile(path.string(), members);
    return path.string();
}

// A run killed outright cannot clean up after itself: what it was writing has no name yet, so an earlier
// file of that name stays whole and no partial file appears.
TEST_F(CliConvert, AKilledRunLeavesTheEarlierFilesWhole) {
    const std::string book = WriteLongBook(dir_ / "Long.epub", 40);
    const fs::path out = dir_ / "out";
    fs::create_directories(out);
    for (const char* name : {"Long.pdf", "Long.jpg"}) {
        test::WriteFile(out / "Long.pdf", "an earlier document");
        test::WriteFile(out / "Long1.jpg", "an earlier page");
        fs::remove(test::ErrorPath(dir_));
        const int pid = test::StartCli(dir_, {"convert", book, (out / name).string(), "--replace"}, scratch_.string());
        // Killed while the last chapters are captured, or the document written.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        auto reached = [&] {
            const fs::path err = test::ErrorPath(dir_);
            return fs::exists(err) && test::ReadFile(err).find("chapter 39 of 40") != std::string::npos;
        };
        while (!reached() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ::kill(pid, SIGKILL);
        test::FinishCli(pid, dir_);
        // Its conversion processes follow it, and their private folders are removed by their watchers.
        const auto settle = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!fs::is_empty(scratch_) && std::chrono::steady_clock::now() < settle) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_EQ(test::ReadFile(out / "Long.pdf"), "an earlier document") << name;
        for (const auto& entry : fs::directory_iterator(out)) {
            const std::string file = entry.path().filename().string();
            EXPECT_FALSE(file.starts_with(".")) << "a partial file is left: " << file;
            if (file != "Long.pdf" && file != "Long1.jpg") {
                EXPECT_EQ(test::DecodeJpeg(entry.path()).components, 3) << file;
            }
        }
    }
}

TEST_F(CliConvert, AnInterruptedConversionLeavesNoOutput) {
    const std::string book = WriteLongBook(dir_ / "Long.epub", 60);
    for (const char* name : {"Long.pdf", "Long.jpg"}) {
        const fs::path out = dir_ / "out" / name;
        fs::create_directories(out.parent_path());
        fs::remove(test::ErrorPath(dir_));
        const int pid = test::StartCli(dir_, {"convert", book, out.string()}, scratch_.string());
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        auto reachedChapter5 = [&] {
            const fs::path err = test::ErrorPath(dir_);
            return fs::exists(err) && test::ReadFile(err).find("chapter 5 of 60") != std::string::npos;
        };
        while (!reachedChapter5() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ::kill(pid, SIGINT);
        const test::CliResult result = test::FinishCli(pid, dir_);
        EXPECT_EQ(result.exitCode, 1) << name;
        EXPECT_NE(result.err.find("interrupted"), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("chapter 60 of 60"), std::string::npos) << "not interrupted in time";
        EXPECT_TRUE(fs::is_empty(out.parent_path())) << name;
    }
}

} // namespace
} // namespace qm

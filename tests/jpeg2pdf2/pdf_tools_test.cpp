// The writer's documents read by independent tools: qpdf checks the structure, pdfimages lists each page's
// image. The pages are the corpus files that the probe accepts.
#include "jpeg2pdf2/jpeg2pdf2.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/corpus.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

struct CommandResult {
    int status = -1;
    std::string output;
};

// Runs a shell command, standard error joined to standard output.
CommandResult RunShell(const std::string& command) {
    CommandResult result;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen((command + " 2>&1").c_str(), "r"), ::pclose);
    if (!pipe) {
        return result;
    }
    std::array<char, 4096> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe.get()) != nullptr) {
        result.output += buffer.data();
    }
    const int status = ::pclose(pipe.release());
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool ToolInstalled(const std::string& tool) {
    return RunShell("command -v " + tool).status == 0;
}

struct Page {
    const char* file;
    int width;
    int height;
    const char* color;
};

// The corpus files that the probe accepts, in the order they become pages.
const std::vector<Page> kPages = {
    {"jd-mjpeg-no-dht.jpg", 960, 720, "rgb"},
    {"jd-mozilla-jpg-cmyk-1-adobe-cmyk.jpg", 32, 32, "cmyk"},
    {"jd-non-interleaved-mcu-progressive-restart.jpg", 64, 16, "rgb"},
    {"jd-rgb-adobe-transform0-3comp.jpg", 500, 333, "rgb"},
    {"ljt-testorig-baseline-420.jpg", 227, 149, "rgb"},
    {"made-large-8000x4288-baseline.jpg", 8000, 4288, "rgb"},
    {"pillow-app13-multiple-progressive.jpg", 256, 160, "rgb"},
    {"pillow-flower-exif.jpg", 480, 360, "rgb"},
    {"pillow-flower2-app1-13-2-14-restart.jpg", 300, 225, "rgb"},
    {"pillow-pil_sample_cmyk-ycck.jpg", 100, 100, "cmyk"},
    {"pillow-sugarshack-mpo.jpg", 640, 480, "rgb"},
    {"pillow-truncated_jpeg.jpg", 100, 100, "rgb"},
    {"pillow-xmp_test-2000x1072.jpg", 2000, 1072, "rgb"},
};

TEST(PdfTools, CorpusDocumentPassesQpdfAndListsEveryPage) {
    QM_SKIP_WITHOUT_CORPUS();
    if (!ToolInstalled("qpdf") || !ToolInstalled("pdfimages")) {
        GTEST_SKIP() << "qpdf or pdfimages (poppler-utils) not installed";
    }
    test::TempDir dir;
    std::vector<std::string> files;
    for (const Page& page : kPages) {
        files.push_back(test::CorpusFile(std::string("jpeg/") + page.file).string());
    }
    const auto out = dir / "corpus.pdf";
    ASSERT_EQ(JpegsToPDF(files, out.string(), {}), pdfDone);

    // qpdf also decodes the JPEG data, and two corpus files are damaged on purpose (a truncated scan, a
    // missing Huffman table): warnings about decoding image data are theirs, anything else is the document's.
    const CommandResult check = RunShell("qpdf --check '" + out.string() + "'");
    ASSERT_TRUE(check.status == 0 || check.status == 3) << check.output;
    std::istringstream lines(check.output);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("WARNING")) {
            EXPECT_TRUE(line.find("error decoding stream data") != std::string::npos ||
                        line.find("re-processed without filtering") != std::string::npos)
                << line;
        }
    }
    EXPECT_NE(check.output.find("PDF Version: 1.2"), std::string::npos) << check.output;

    const CommandResult list = RunShell("pdfimages -list '" + out.string() + "'");
    ASSERT_EQ(list.status, 0) << list.output;
    std::istringstream rows(list.output);
    std::string row;
    std::getline(rows, row); // column names
    std::getline(rows, row); // rule
    for (std::size_t i = 0; i < kPages.size(); ++i) {
        SCOPED_TRACE(kPages[i].file);
        ASSERT_TRUE(std::getline(rows, row));
        std::istringstream fields(row);
        std::size_t pageNumber = 0;
        int num = 0, width = 0, height = 0, comp = 0, bpc = 0;
        std::string type, color, enc;
        fields >> pageNumber >> num >> type >> width >> height >> color >> comp >> bpc >> enc;
        EXPECT_EQ(pageNumber, i + 1);
        EXPECT_EQ(width, kPages[i].width);
        EXPECT_EQ(height, kPages[i].height);
        EXPECT_EQ(color, kPages[i].color);
        EXPECT_EQ(enc, "jpeg");
    }
    EXPECT_FALSE(std::getline(rows, row)) << "an extra image: " << row;
}

} // namespace
} // namespace qm

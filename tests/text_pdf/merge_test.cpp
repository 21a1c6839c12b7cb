#include "text_pdf/merge_chapter_pdfs.h"

#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFAnnotationObjectHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageLabelDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "chapter_pdfs.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

const DocumentInfo kInfo = {"Война и мир", "Лев Толстой", "ru", "Quillmark 5.2"};

// The words of the merged pages, in order, and the chapters they come from: one page, then three (one of
// them as tall as a page may be, with links on the first), then two in a PDF 1.7 file.
const std::vector<std::string> kWords = {"alpha", "bravo", "charlie", "delta", "echo", "foxtrot"};

class MergedBook : public ::testing::Test {
protected:
    void SetUp() override {
        chapters_ = {
            test::WriteChapterPdf(dir_ / "1.pdf", {{{"alpha"}}}),
            test::WriteChapterPdf(dir_ / "2.pdf", {{{"bravo"}, {"charlie", 14400}, {"delta", 600, 100}}, true}),
            test::WriteChapterPdf(dir_ / "3.pdf", {{{"echo"}, {"foxtrot"}}, false, 0, "1.7"}),
        };
        outline_ = {{"One", 0, 0, 0, -1}, {"Two", 0, 1, 0, -1}, {"Three", 0, 2, 0, -1}};
    }

    // Merges the chapters into `name` in the fixture's folder; returns its path.
    std::string Merge(const std::string& name, const MergeProgress& progress = {}) {
        const std::string out = (dir_ / name).string();
        MergeChapterPdfs(chapters_, outline_, kInfo, out, progress);
        return out;
    }

    test::TempDir dir_;
    std::vector<std::string> chapters_;
    std::vector<OutlineEntry> outline_;
};

int OpenDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

TEST_F(MergedBook, PagesFollowTheChaptersWithTheirSizesAndNoChapterFileStaysOpen) {
    const int descriptors = OpenDescriptors();
    std::vector<std::pair<int, int>> calls;
    std::vector<int> descriptorsAfterChapter;
    const std::string out = Merge("book.pdf", [&](int done, int total) {
        calls.emplace_back(done, total);
        descriptorsAfterChapter.push_back(OpenDescriptors());
    });
    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{1, 3}, {2, 3}, {3, 3}}));
    EXPECT_EQ(descriptorsAfterChapter, std::vector<int>(3, descriptors));

    QPDF pdf;
    pdf.processFile(out.c_str());
    const std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
    ASSERT_EQ(pages.size(), kWords.size());
    const std::vector<std::string> boxes = {"[ 0 0 612 792 ]",   "[ 0 0 612 792 ]", "[ 0 0 612 14400 ]",
                                            "[ 0 100 612 700 ]", "[ 0 0 612 792 ]", "[ 0 0 612 792 ]"};
    for (std::size_t i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE(kWords[i]);
        EXPECT_NE(test::PageContent(pages[i]).find("(" + kWords[i] + ") Tj"), std::string::npos);
        EXPECT_EQ(QPDFPageObjectHelper(pages[i]).getMediaBox().unparse(), boxes[i]);
        EXPECT_TRUE(
            QPDFPageObjectHelper(pages[i]).getObjectHandle().getKey("/Resources").getKey("/Font").hasKey("/F1"));
    }
}

TEST_F(MergedBook, InfoLanguageAndPageLabelsAreSet) {
    const std::string out = Merge("book.pdf");
    QPDF pdf;
    pdf.processFile(out.c_str());
    QPDFObjectHandle infoDict = pdf.getTrailer().getKey("/Info");
    EXPECT_EQ(infoDict.getKey("/Title").getUTF8Value(), kInfo.title);
    EXPECT_EQ(infoDict.getKey("/Author").getUTF8Value(), kInfo.author);
    EXPECT_EQ(infoDict.getKey("/Producer").getUTF8Value(), kInfo.producer);
    EXPECT_TRUE(infoDict.getKey("/Title").getStringValue().starts_with("\xFE\xFF")); // UTF-16BE
    EXPECT_EQ(pdf.getRoot().getKey("/Lang").getUTF8Value(), "ru");

    QPDFPageLabelDocumentHelper labels(pdf);
    ASSERT_TRUE(labels.hasPageLabels());
    for (int page = 0; page < static_cast<int>(kWords.size()); ++page) {
        QPDFObjectHandle label = labels.getLabelForPage(page);
        EXPECT_EQ(label.getKey("/S").unparse(), "/D") << page;
        EXPECT_EQ(label.getKey("/St").getIntValue(), page + 1) << page;
    }
}

TEST_F(MergedBook, TheBookHasTheNewestVersionOfItsChapters) {
    QPDF pdf;
    pdf.processFile(Merge("book.pdf").c_str());
    EXPECT_EQ(pdf.getPDFVersion(), "1.7");
}

TEST_F(MergedBook, EmptyInfoFieldsAreLeftOut) {
    const std::string out = (dir_ / "bare.pdf").string();
    MergeChapterPdfs(chapters_, {}, {}, out);
    QPDF pdf;
    pdf.processFile(out.c_str());
    EXPECT_EQ(pdf.getTrailer().getKey("/Info").getKeys().size(), 0u);
    EXPECT_FALSE(pdf.getRoot().hasKey("/Lang"));
    EXPECT_FALSE(pdf.getRoot().hasKey("/Outlines"));
}

TEST_F(MergedBook, LinksInsideAChapterLeadToItsPagesInTheBook) {
    const std::string out = Merge("book.pdf");
    QPDF pdf;
    pdf.processFile(out.c_str());
    // The second chapter starts at page 1 of the book; its links go to its second and last pages.
    std::vector<std::string> links;
    for (QPDFAnnotationObjectHelper& annotation : QPDFPageObjectHelper(pdf.getAllPages()[1]).getAnnotations()) {
        QPDFObjectHandle link = annotation.getObjectHandle();
        QPDFObjectHandle destination = link.getKey("/Dest");
        QPDFObjectHandle action = link.getKey("/A");
        if (action.isDictionary() && action.getKey("/S").unparse() == "/URI") {
            links.push_back(action.getKey("/URI").getUTF8Value());
            continue;
        }
        if (action.isDictionary()) {
            destination = action.getKey("/D");
        }
        ASSERT_TRUE(destination.isArray()) << link.unparse();
        links.push_back("page " + std::to_string(test::PageIndex(pdf, destination.getArrayItem(0))) + " y " +
                        destination.getArrayItem(3).unparse());
    }
    EXPECT_EQ(links, (std::vector<std::string>{"page 2 y 500", "page 3 y 300", "page 3 y 200",
                                               "https://example.org/ch#part"}));
    for (const std::size_t page : {0, 2, 3, 4, 5}) {
        EXPECT_FALSE(QPDFObjectHandle(pdf.getAllPages()[page]).hasKey("/Annots")) << page;
    }
}

TEST_F(MergedBook, TheSameChaptersGiveTheSameBytes) {
    const std::string first = Merge("first.pdf");
    const std::string second = Merge("second.pdf");
    EXPECT_EQ(test::ReadFile(first), test::ReadFile(second));
}

TEST_F(MergedBook, IndependentToolsReadTheBook) {
    if (!test::ToolInstalled("qpdf") || !test::ToolInstalled("pdftotext") || !test::ToolInstalled("pdfinfo")) {
        GTEST_SKIP() << "qpdf or poppler-utils not installed";
    }
    const std::string out = Merge("book.pdf");
    const test::ToolResult check = test::RunTool("qpdf --check '" + out + "'");
    EXPECT_EQ(check.status, 0) << check.output;
    EXPECT_NE(check.output.find("No syntax or stream encoding errors found"), std::string::npos) << check.output;

    const test::ToolResult text = test::RunTool("pdftotext -enc UTF-8 '" + out + "' -");
    ASSERT_EQ(text.status, 0) << text.output;
    std::size_t at = 0;
    for (const std::string& word : kWords) {
        at = text.output.find(word, at);
        EXPECT_NE(at, std::string::npos) << word << " in order in:\n" << text.output;
    }

    const test::ToolResult info = test::RunTool("pdfinfo -enc UTF-8 '" + out + "'");
    ASSERT_EQ(info.status, 0) << info.output;
    for (const std::string& line : {"Title:           " + kInfo.title, "Author:          " + kInfo.author,
                                    "Producer:        " + kInfo.producer, std::string("Pages:           6")}) {
        EXPECT_NE(info.output.find(line + "\n"), std::string::npos) << line << " in:\n" << info.output;
    }
}

} // namespace
} // namespace qm

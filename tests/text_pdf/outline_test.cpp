#include "text_pdf/merge_chapter_pdfs.h"

#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFOutlineObjectHelper.hh>

#include <string>
#include <vector>

#include "chapter_pdfs.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

// The outline as read back: one line per item, indented by depth, with its page in the book, its destination
// and its count when it has one.
void Render(QPDF& pdf, std::vector<QPDFOutlineObjectHelper> items, int depth, std::string& text) {
    for (QPDFOutlineObjectHelper& item : items) {
        QPDFObjectHandle destination = item.getDest();
        text += std::string(static_cast<std::size_t>(2 * depth), ' ') + item.getTitle() + ": page " +
                std::to_string(test::PageIndex(pdf, destination.getArrayItem(0)));
        for (int i = 1; i < destination.getArrayNItems(); ++i) {
            text += " " + destination.getArrayItem(i).unparse();
        }
        if (item.getObjectHandle().hasKey("/Count")) {
            text += ", count " + std::to_string(item.getCount());
        }
        text += "\n";
        Render(pdf, item.getKids(), depth + 1, text);
    }
}

// Chapter pages of several heights and MediaBox origins; in the book they are pages 0, 1-3 and 4-5.
class Outlines : public ::testing::Test {
protected:
    void SetUp() override {
        chapters_ = {
            test::WriteChapterPdf(dir_ / "1.pdf", {{{"one"}}}),
            test::WriteChapterPdf(dir_ / "2.pdf", {{{"two"}, {"tall", 14400}, {"raised", 600, 100}}}),
            test::WriteChapterPdf(dir_ / "3.pdf", {{{"three"}, {"four"}}}),
        };
    }

    // Merges with `outline`, reads the book back and renders its outline; `rootCount` gets the root's /Count.
    std::string MergeAndRender(const std::vector<OutlineEntry>& outline, long long* rootCount = nullptr) {
        const std::string out = (dir_ / "book.pdf").string();
        MergeChapterPdfs(chapters_, outline, {}, out);
        QPDF pdf;
        pdf.processFile(out.c_str());
        if (rootCount != nullptr) {
            *rootCount = pdf.getRoot().getKey("/Outlines").getKey("/Count").getIntValue();
        }
        QPDFOutlineDocumentHelper outlines(pdf);
        std::string text;
        Render(pdf, outlines.getTopLevelOutlines(), 0, text);
        return text;
    }

    test::TempDir dir_;
    std::vector<std::string> chapters_;
};

TEST_F(Outlines, EntriesNestByLevelAndPointAtTheirPlaceOnTheirPage) {
    long long rootCount = 0;
    const std::string text = MergeAndRender(
        {
            {"Part one", 0, 0, 0, -1},
            {"Chapter 1", 1, 1, 0, 0},
            {"Section 1.1", 2, 1, 1, 400},   // on the 14,400 pt page
            {"Section 1.2", 2, 1, 2, 50.25}, // on the page whose MediaBox starts at 100
            {"Deep", 5, 1, 2, 5000},         // below the bottom of its page
            {"Chapter 2", 1, 2, 0, 10.5},
            {"Part two", 0, 2, 1, -1},
            {"Глава первая", 3, 2, 1, 100},
            {"第一章 はじめに", 1, 2, 1, 700},
        },
        &rootCount);
    EXPECT_EQ(text, "Part one: page 0 /Fit, count -2\n"
                    "  Chapter 1: page 1 /XYZ 0 792 null, count -2\n"
                    "    Section 1.1: page 2 /XYZ 0 14000 null\n"
                    "    Section 1.2: page 3 /XYZ 0 649.75 null, count -1\n"
                    "      Deep: page 3 /XYZ 0 100 null\n"
                    "  Chapter 2: page 4 /XYZ 0 781.5 null\n"
                    "Part two: page 5 /Fit, count -2\n"
                    "  Глава первая: page 5 /XYZ 0 692 null\n"
                    "  第一章 はじめに: page 5 /XYZ 0 92 null\n");
    EXPECT_EQ(rootCount, 2);
}

TEST_F(Outlines, TitlesOutsideAsciiAreUtf16WithAByteOrderMark) {
    const std::string out = (dir_ / "book.pdf").string();
    MergeChapterPdfs(chapters_, {{"Plain", 0, 0, 0, -1}, {"Глава", 0, 0, 0, -1}, {"第一章", 0, 0, 0, -1}}, {}, out);
    QPDF pdf;
    pdf.processFile(out.c_str());
    std::vector<std::string> raw;
    for (QPDFOutlineObjectHelper& item : QPDFOutlineDocumentHelper(pdf).getTopLevelOutlines()) {
        raw.push_back(item.getObjectHandle().getKey("/Title").getStringValue());
    }
    EXPECT_EQ(raw,
              (std::vector<std::string>{"Plain", std::string("\xFE\xFF\x04\x13\x04\x3B\x04\x30\x04\x32\x04\x30", 12),
                                        std::string("\xFE\xFF\x7B\x2C\x4E\x00\x7A\xE0", 8)}));
}

struct Nesting {
    const char* name;
    std::vector<int> levels; // of entries titled a, b, c...
    const char* shape;       // each item, then its children in parentheses
    long long rootCount;
};

void PrintTo(const Nesting& c, std::ostream* os) {
    *os << c.name;
}

std::string Shape(std::vector<QPDFOutlineObjectHelper> items) {
    std::string shape;
    for (QPDFOutlineObjectHelper& item : items) {
        shape += (shape.empty() ? "" : " ") + item.getTitle();
        const std::vector<QPDFOutlineObjectHelper> kids = item.getKids();
        if (!kids.empty()) {
            shape += "(" + Shape(kids) + ")";
        }
    }
    return shape;
}

class OutlineNesting : public Outlines, public ::testing::WithParamInterface<Nesting> {};

TEST_P(OutlineNesting, AnEntryNestsUnderTheNearestEarlierEntryOfASmallerLevel) {
    std::vector<OutlineEntry> outline;
    for (const int level : GetParam().levels) {
        outline.push_back({std::string(1, static_cast<char>('a' + outline.size())), level, 0, 0, -1});
    }
    const std::string out = (dir_ / "book.pdf").string();
    MergeChapterPdfs(chapters_, outline, {}, out);
    QPDF pdf;
    pdf.processFile(out.c_str());
    EXPECT_EQ(Shape(QPDFOutlineDocumentHelper(pdf).getTopLevelOutlines()), GetParam().shape);
    EXPECT_EQ(pdf.getRoot().getKey("/Outlines").getKey("/Count").getIntValue(), GetParam().rootCount);
}

INSTANTIATE_TEST_SUITE_P(Levels, OutlineNesting,
                         ::testing::Values(Nesting{"Flat", {0, 0, 0}, "a b c", 3},
                                           Nesting{"Steps", {0, 1, 2, 1, 0}, "a(b(c) d) e", 2},
                                           Nesting{"SkippedLevels", {0, 3, 3, 1, 2}, "a(b c d(e))", 1},
                                           Nesting{"BackToAShallowerLevel", {0, 2, 1}, "a(b c)", 1},
                                           Nesting{"DeepFirst", {2, 1, 0}, "a b c", 3},
                                           Nesting{"Negative", {-1, 0, 0}, "a(b c)", 1}),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace qm

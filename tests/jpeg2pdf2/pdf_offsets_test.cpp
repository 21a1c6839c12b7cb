#include "jpeg2pdf2/pdf_document.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "jpeg2pdf2/jpeg2pdf2.h"
#include "jpeg_fixtures.h"
#include "progress_log.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t k2GiB = 2147483648;

// Counts every byte and keeps the text by its offset, but takes the page bytes without reading them: a
// document of many gigabytes is then checked in memory, its page files being sparse.
class TextOnlySink final : public PdfSink {
public:
    void Write(std::string_view text) override {
        if (text_.empty() || text_.rbegin()->first + text_.rbegin()->second.size() != count_) {
            text_[count_];
        }
        text_.rbegin()->second.append(text);
        count_ += text.size();
    }
    void CopyFrom(int source, std::uint64_t size) override {
        struct stat info {};
        ASSERT_EQ(::fstat(source, &info), 0);
        ASSERT_EQ(static_cast<std::uint64_t>(info.st_size), size);
        count_ += size;
    }
    std::uint64_t Count() const override { return count_; }

    // The text written at `offset`, up to the next page data.
    std::string TextAt(std::uint64_t offset) const {
        auto chunk = text_.upper_bound(offset);
        if (chunk == text_.begin()) {
            return {};
        }
        --chunk;
        const std::uint64_t within = offset - chunk->first;
        return within < chunk->second.size() ? chunk->second.substr(within) : std::string();
    }
    // The text after the last page data: content streams, cross-reference table and trailer.
    const std::string& Tail() const { return text_.rbegin()->second; }

private:
    std::map<std::uint64_t, std::string> text_;
    std::uint64_t count_ = 0;
};

struct Document {
    TextOnlySink sink;
    test::ProgressLog log;
};

// Writes the document for page files of the given sizes (sparse, 800 x 1200 each).
void WriteDocument(Document& doc, const test::TempDir& dir, const std::vector<std::uint64_t>& sizes) {
    std::vector<std::string> pages;
    std::vector<TInfosJPG> infos;
    for (const std::uint64_t size : sizes) {
        pages.push_back((dir / ("page" + std::to_string(pages.size()) + ".jpg")).string());
        test::WriteSparseJpeg(pages.back(), 800, 1200, size);
        infos.push_back({false, 800, 1200});
    }
    WritePdfDocument(doc.sink, pages, infos, 0, doc.log.Progress(), doc.log.Pump());
}

// Every cross-reference entry leads to its object's first line and startxref to the table.
void ExpectCrossReferencesHold(const TextOnlySink& sink) {
    const std::string& tail = sink.Tail();
    const auto startxref = tail.find("startxref\r\n");
    ASSERT_NE(startxref, std::string::npos);
    const std::uint64_t xref = std::stoull(tail.substr(startxref + 11));
    const std::string table = sink.TextAt(xref);
    ASSERT_TRUE(table.starts_with("xref\r\n0 ")) << "startxref " << xref;
    const std::size_t objects = std::stoul(table.substr(8)) - 1;
    const auto first = table.find("0000000000 65535 f\r\n") + 20;
    for (std::size_t k = 1; k <= objects; ++k) {
        const std::string entry = table.substr(first + (k - 1) * 20, 20);
        ASSERT_TRUE(entry.ends_with(" 00000 n\r\n")) << entry;
        const std::uint64_t offset = std::stoull(entry.substr(0, 10));
        EXPECT_TRUE(sink.TextAt(offset).starts_with(std::to_string(k) + " 0 obj\r\n")) << "object " << k;
    }
}

TEST(PdfOffsets, DocumentsBeyond2GiBAnd4GiBCarryFullOffsetsAndLengths) {
    test::TempDir dir;
    Document doc;
    WriteDocument(doc, dir, {k2GiB + 10, 2 * k2GiB + 1000, 50000});
    ExpectCrossReferencesHold(doc.sink);
    EXPECT_NE(doc.sink.TextAt(0).find("/Length 2147483658 >>\r\n"), std::string::npos);
    // Bytes done are shown in 32 bits and wrap; the images' lengths do not.
    const std::string second = (dir / "page1.jpg").string();
    const std::string third = (dir / "page2.jpg").string();
    EXPECT_EQ(doc.log.calls, (std::vector<std::string>{(dir / "page0.jpg").string() + " 0 -2147483638",
                                                       second + " 0 -2147482638", third + " 0 -2147432638"}));
}

TEST(PdfOffsets, TheLastOffsetMayHaveTenDigitsButNotEleven) {
    test::TempDir dir;
    Document probe;
    WriteDocument(probe, dir, {1000});
    // Everything but the page data is the same for a page of any size with the same number of digits.
    const std::uint64_t textBytes = probe.sink.Count() - 1000;
    const std::uint64_t xrefWithout =
        std::stoull(probe.sink.Tail().substr(probe.sink.Tail().find("startxref") + 11)) - 1000;
    const std::uint64_t largest = kPdfOffsetLimit - 1 - xrefWithout - 6; // six more digits in /Length

    Document fits;
    WriteDocument(fits, dir, {largest});
    ExpectCrossReferencesHold(fits.sink);
    EXPECT_TRUE(fits.sink.Tail().ends_with("startxref\r\n9999999999\r\n%%EOF"));
    EXPECT_EQ(fits.sink.Count(), largest + textBytes + 6 + 6); // and six more in the startxref value

    Document beyond;
    EXPECT_THROW(WriteDocument(beyond, dir, {largest + 1}), std::runtime_error);
}

TEST(PdfOffsets, APageThatWouldPassTheLimitAbortsBeforeItIsCopied) {
    test::TempDir dir;
    Document doc;
    EXPECT_THROW(WriteDocument(doc, dir, {1000, kPdfOffsetLimit}), std::runtime_error);
    EXPECT_EQ(doc.log.calls.size(), 1u);
    EXPECT_LT(doc.sink.Count(), 3000u);
}

TEST(PdfOffsets, JpegsToPdfGivesAbortedForADocumentOf10GBAndDeletesIt) {
    test::TempDir dir;
    const auto page = dir / "huge.jpg";
    test::WriteSparseJpeg(page, 800, 1200, kPdfOffsetLimit);
    const auto out = dir / "book.pdf";
    test::ProgressLog log;
    EXPECT_EQ(JpegsToPDF({page.string()}, out.string(), log.Progress()), pdfAborted);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"converting.. 0 0", "Finished! 0 0"}));
    EXPECT_FALSE(fs::exists(out));
}

} // namespace
} // namespace qm

#include "jpeg2pdf2/jpeg2pdf2.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "jpeg_fixtures.h"
#include "progress_log.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

// The expected document with "\n" standing for CR LF and "{name}" for the bytes of a page file.
std::string Expected(std::string_view text, const std::vector<std::pair<std::string, std::string>>& files) {
    std::string bytes;
    for (const char c : text) {
        bytes += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    for (const auto& [name, content] : files) {
        const std::string placeholder = "{" + name + "}";
        for (auto at = bytes.find(placeholder); at != std::string::npos; at = bytes.find(placeholder, at)) {
            bytes.replace(at, placeholder.size(), content);
            at += content.size();
        }
    }
    return bytes;
}

// Compares byte for byte; on a mismatch the actual document stays in the build folder for inspection.
void ExpectDocument(const std::filesystem::path& actualPath, const std::string& expected, const std::string& name) {
    const std::string actual = test::ReadFile(actualPath);
    if (actual != expected) {
        const auto kept = std::filesystem::path(QM_TEST_OUTPUT_DIR) / (name + ".actual.pdf");
        std::filesystem::copy_file(actualPath, kept, std::filesystem::copy_options::overwrite_existing);
        ADD_FAILURE() << name << ": the document differs from the expected bytes; actual output kept in " << kept;
    }
}

std::vector<std::size_t> ObjectOffsets(const std::string& document) {
    std::vector<std::size_t> offsets;
    for (std::size_t k = 1;; ++k) {
        const auto at = document.find("\r\n" + std::to_string(k) + " 0 obj\r\n");
        if (at == std::string::npos) {
            return offsets;
        }
        offsets.push_back(at + 2);
    }
}

TEST(PdfLayout, OnePageOf800By1200FromA50000ByteFile) {
    test::TempDir dir;
    const std::string jpeg = test::FrameJpeg(800, 1200, 3, 50000);
    const auto page = test::WriteFile(dir / "page.jpg", jpeg).string();
    const auto out = dir / "book.pdf";
    test::ProgressLog log;

    ASSERT_EQ(JpegsToPDF({page}, out.string(), log.Progress(), log.Pump()), pdfDone);

    ExpectDocument(out,
                   Expected(R"(%PDF-1.2
1 0 obj
<<
/Type /Catalog
/Pages 2 0 R
/OpenAction [3 0 R /XYZ -32768 -32768 1 ]
>>
endobj
2 0 obj
<<
/Type /Pages
/Kids [ 3 0 R ]
/Count 1
>>
endobj
3 0 obj
<<
/Type /Page
/Parent 2 0 R
/Resources
<<
/XObject << /Im0 4 0 R >>
/ProcSet [ /PDF /ImageC ]
>>
/MediaBox [ 0 0 800 1200 ]
/Contents 5 0 R
>>
endobj
4 0 obj
<<
/Type /XObject
/Subtype /Image
/Name /Im0
/Width 800
/Height 1200
/BitsPerComponent 8
/Filter [/DCTDecode]
/ColorSpace /DeviceRGB
/Length 50000 >>
stream
{page}endstream
endobj
5 0 obj
<< /Length 36 >>
stream
q
800 0 0 1200 0 0 cm
/Im0 Do
Q
endstream
endobj
xref
0 6
0000000000 65535 f
0000000010 00000 n
0000000108 00000 n
0000000174 00000 n
0000000346 00000 n
0000050542 00000 n
trailer
<<
/Size 6
/Root 1 0 R
>>
startxref
50632
%%EOF)",
                            {{"page", jpeg}}),
                   "one_page");
    const std::string document = test::ReadFile(out);
    EXPECT_EQ(ObjectOffsets(document), (std::vector<std::size_t>{10, 108, 174, 346, 50542}));
    EXPECT_EQ(document.find("xref\r\n"), 50632u);
    EXPECT_EQ(document.size(), 50825u);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"converting.. 0 0", page + " 50000 50000", "Finished! 0 0"}));
}

TEST(PdfLayout, PagesInListOrderWithACmykPageAndARepeatedFile) {
    test::TempDir dir;
    const std::string rgb = test::FrameJpeg(800, 1200, 3, 40);
    const std::string cmyk = test::FrameJpeg(32, 16, 4, 44);
    const auto rgbPath = test::WriteFile(dir / "rgb.jpg", rgb).string();
    const auto cmykPath = test::WriteFile(dir / "cmyk.jpg", cmyk).string();
    const auto out = dir / "book.pdf";
    test::WriteFile(out, "an older document of the same name");
    test::ProgressLog log;

    ASSERT_EQ(JpegsToPDF({rgbPath, cmykPath, rgbPath}, out.string(), log.Progress(), log.Pump()), pdfDone);

    ExpectDocument(out,
                   Expected(R"(%PDF-1.2
1 0 obj
<<
/Type /Catalog
/Pages 2 0 R
/OpenAction [3 0 R /XYZ -32768 -32768 1 ]
>>
endobj
2 0 obj
<<
/Type /Pages
/Kids [ 3 0 R 4 0 R 5 0 R ]
/Count 3
>>
endobj
3 0 obj
<<
/Type /Page
/Parent 2 0 R
/Resources
<<
/XObject << /Im0 6 0 R >>
/ProcSet [ /PDF /ImageC ]
>>
/MediaBox [ 0 0 800 1200 ]
/Contents 9 0 R
>>
endobj
4 0 obj
<<
/Type /Page
/Parent 2 0 R
/Resources
<<
/XObject << /Im0 7 0 R >>
/ProcSet [ /PDF /ImageC ]
>>
/MediaBox [ 0 0 32 16 ]
/Contents 10 0 R
>>
endobj
5 0 obj
<<
/Type /Page
/Parent 2 0 R
/Resources
<<
/XObject << /Im0 8 0 R >>
/ProcSet [ /PDF /ImageC ]
>>
/MediaBox [ 0 0 800 1200 ]
/Contents 11 0 R
>>
endobj
6 0 obj
<<
/Type /XObject
/Subtype /Image
/Name /Im0
/Width 800
/Height 1200
/BitsPerComponent 8
/Filter [/DCTDecode]
/ColorSpace /DeviceRGB
/Length 40 >>
stream
{rgb}endstream
endobj
7 0 obj
<<
/Type /XObject
/Subtype /Image
/Name /Im0
/Width 32
/Height 16
/BitsPerComponent 8
/Filter [/DCTDecode]
/ColorSpace /DeviceCMYK
/Decode[1 0 1 0 1 0 1 0]
/Length 44 >>
stream
{cmyk}endstream
endobj
8 0 obj
<<
/Type /XObject
/Subtype /Image
/Name /Im0
/Width 800
/Height 1200
/BitsPerComponent 8
/Filter [/DCTDecode]
/ColorSpace /DeviceRGB
/Length 40 >>
stream
{rgb}endstream
endobj
9 0 obj
<< /Length 36 >>
stream
q
800 0 0 1200 0 0 cm
/Im0 Do
Q
endstream
endobj
10 0 obj
<< /Length 33 >>
stream
q
32 0 0 16 0 0 cm
/Im0 Do
Q
endstream
endobj
11 0 obj
<< /Length 36 >>
stream
q
800 0 0 1200 0 0 cm
/Im0 Do
Q
endstream
endobj
xref
0 12
0000000000 65535 f
0000000010 00000 n
0000000108 00000 n
0000000186 00000 n
0000000358 00000 n
0000000528 00000 n
0000000701 00000 n
0000000934 00000 n
0000001195 00000 n
0000001428 00000 n
0000001518 00000 n
0000001606 00000 n
trailer
<<
/Size 12
/Root 1 0 R
>>
startxref
1697
%%EOF)",
                            {{"rgb", rgb}, {"cmyk", cmyk}}),
                   "three_pages");
    EXPECT_EQ(log.calls, (std::vector<std::string>{"converting.. 0 0", rgbPath + " 124 40", cmykPath + " 124 84",
                                                   rgbPath + " 124 124", "Finished! 0 0"}));
    // Per page: its size, its probe, its /Kids reference, its page, image and content objects; then one per
    // cross-reference entry of the 3n + 2 objects.
    EXPECT_EQ(log.pumps, 6 * 3 + 11);
}

} // namespace
} // namespace qm

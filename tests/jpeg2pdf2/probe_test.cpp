#include "jpeg2pdf2/jpeg_probe.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "jpeg_fixtures.h"
#include "support/corpus.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

using test::Hex;

struct ProbeCase {
    const char* name;
    std::string bytes;
    bool accepted;
    std::int32_t W = 0;
    std::int32_t H = 0;
    bool CMYK = false;
};

void PrintTo(const ProbeCase& c, std::ostream* os) {
    *os << c.name;
}

// Three component specifications, so that a frame header is complete.
const std::string kComponents = Hex("011100 021100 031100");

// Sentinel for CMYK: a refusal must leave it as it was.
constexpr bool kUntouched = true;

class ProbeRules : public ::testing::TestWithParam<ProbeCase> {};

TEST_P(ProbeRules, AnswersAsTheWalkOverTheBytesGives) {
    const ProbeCase& c = GetParam();
    test::TempDir dir;
    const auto path = test::WriteFile(dir / "page.jpg", c.bytes);
    std::int32_t w = -1;
    std::int32_t h = -1;
    bool cmyk = kUntouched;
    ASSERT_EQ(GetInfosJPG(path.string(), w, h, cmyk), c.accepted);
    if (c.accepted) {
        EXPECT_EQ(w, c.W);
        EXPECT_EQ(h, c.H);
        EXPECT_EQ(cmyk, c.CMYK);
    } else {
        EXPECT_EQ(cmyk, kUntouched);
    }
}

// Scan data after the start-of-scan segment of an extended-sequential (0xFFC1) file; its frame header and
// the scan header are skipped by their lengths and the walk goes on in marker-and-length steps.
const std::string kSof1ThenScan =
    Hex("FFD8 FFC1 0011 08 0010 0010 03") + kComponents + Hex("FFDA 000C 03 0100 0211 0311 003F00");

const std::vector<ProbeCase> kProbeCases = {
    {"Baseline", Hex("FFD8 FFC0 0011 08 04B0 0320 03") + kComponents, true, 800, 1200, false},
    {"FourComponentsAreCmyk", Hex("FFD8 FFC0 0014 08 0010 0020 04") + kComponents + Hex("041100"), true, 32, 16, true},
    {"Progressive", Hex("FFD8 FFC2 0011 08 0001 0002 03") + kComponents, true, 2, 1, false},
    {"SizesAreUnsigned", Hex("FFD8 FFC0 0011 08 FFFF FFFE 03") + kComponents, true, 65534, 65535, false},
    // A frame without a height or a width would make a page of no size: refused.
    {"ZeroLinesAwaitingDnl", Hex("FFD8 FFC0 0011 08 0000 0100 03") + kComponents, false},
    {"ZeroWidth", Hex("FFD8 FFC0 0011 08 0100 0000 03") + kComponents, false},
    {"OneComponent", Hex("FFD8 FFC0 000B 08 0010 0010 01 011100"), false},
    {"TwoComponents", Hex("FFD8 FFC0 000E 08 0010 0010 02 011100 021100"), false},
    {"FiveComponents", Hex("FFD8 FFC0 0017 08 0010 0010 05") + kComponents + Hex("041100 051100"), false},
    {"ApplicationSegmentsSkipped",
     Hex("FFD8 FFE0 0010 4A46494600 0101 00 0001 0001 0000") + Hex("FFE1 2000") + std::string(0x2000 - 2, 'x') +
         Hex("FFC0 0011 08 0300 0400 03") + kComponents,
     true, 1024, 768, false},
    {"BodiesAreSkippedNotSearched",
     Hex("FFD8 FFE1 000D FFC0 0011 08 0001 0001 04 00") + Hex("FFC0 0011 08 0300 0400 03") + kComponents, true, 1024,
     768, false},
    {"ExtendedSequentialIsNotAFrame", kSof1ThenScan + Hex("1234 0002"), false},
    {"StepBoundaryInScanDataCanBeAFrame", kSof1ThenScan + Hex("0000 0002 FFC0 0011 08 0005 0006 03"), true, 6, 5,
     false},
    {"EndOfImageOnAStepBoundaryEndsTheWalk", kSof1ThenScan + Hex("FFD9 FFC0 0011 08 0005 0006 03"), false},
    {"LosslessIsNotAFrame",
     Hex("FFD8 FFC3 000B 10 0010 0010 01 011100") + Hex("FFC0 0011 08 0005 0006 03") + kComponents, true, 6, 5, false},
    {"LengthZeroStepsBackOntoItself", Hex("FFD8 FFE1 0000 0002 FFC0 0011 08 0007 0009 03") + kComponents, true, 9, 7,
     false},
    {"LengthOneStepsBackOneByte", Hex("FFD8 FFE1 0001 FF 0002 FFC2 0014 08 0003 0004 04") + kComponents, true, 4, 3,
     true},
    {"RestartMarkerIsReadWithALength", Hex("FFD8 FFD0 FFC0 0011 08 0005 0006 03") + kComponents, false},
    {"FillByteBeforeAMarker", Hex("FFD8 FF FFC0 0011 08 0005 0006 03") + kComponents, false},
    {"EndOfImageBeforeTheFrame", Hex("FFD8 FFD9 FFC0 0011 08 0005 0006 03") + kComponents, false},
    {"LengthPastTheEnd", Hex("FFD8 FFE0 FFFF 00 FFC0 0011 08 0005 0006 03") + kComponents, false},
    {"PngSignature", Hex("89504E470D0A1A0A 0000000D 49484452"), false},
    {"Empty", "", false},
    {"OneByte", Hex("FF"), false},
    {"OnlyStartOfImage", Hex("FFD8"), false},
    {"EndsInsideTheSkippedLength", Hex("FFD8 FFE0 00"), false},
    {"EndsAfterTheLines", Hex("FFD8 FFC0 0011 08 04B0"), false},
    {"EndsBeforeTheComponentCount", Hex("FFD8 FFC0 0011 08 04B0 0320"), false},
};

INSTANTIATE_TEST_SUITE_P(Bytes, ProbeRules, ::testing::ValuesIn(kProbeCases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(Probe, SwapWordExchangesTheBytes) {
    EXPECT_EQ(SwapWord(0xD8FF), 0xFFD8);
    EXPECT_EQ(SwapWord(0x00C0), 0xC000);
}

TEST(Probe, RefusesWhatIsNotARegularFileWithoutBlocking) {
    test::TempDir dir;
    const std::string jpeg = test::FrameJpeg(8, 8, 3, 64);
    test::WriteFile(dir / "folder/inner.jpg", jpeg);
    const auto fifo = dir / "fifo.jpg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_symlink(dir / "folder/inner.jpg", dir / "link.jpg");
    std::int32_t w = 0;
    std::int32_t h = 0;
    bool cmyk = false;
    EXPECT_FALSE(GetInfosJPG("", w, h, cmyk));
    EXPECT_FALSE(GetInfosJPG((dir / "missing.jpg").string(), w, h, cmyk));
    EXPECT_FALSE(GetInfosJPG((dir / "folder").string(), w, h, cmyk));
    EXPECT_FALSE(GetInfosJPG(fifo.string(), w, h, cmyk));
    EXPECT_TRUE(GetInfosJPG((dir / "link.jpg").string(), w, h, cmyk));
}

struct CorpusExpectation {
    const char* file;
    bool accepted;
    std::int32_t W = 0;
    std::int32_t H = 0;
    bool CMYK = false;
};

// Each file of the corpus with the answer its bytes give. The refusals are grey-scale frames, files that are
// not JPEG, and frames other than 0xFFC0/0xFFC2 whose walk then runs through the scan data to the end.
const std::vector<CorpusExpectation> kCorpus = {
    {"jd-jpeg_lossless_sel1-sof3-16bit.jpg", false},
    {"jd-max_size-65535x65535.jpg", false},
    {"jd-mjpeg-no-dht.jpg", true, 960, 720, false},
    {"jd-mozilla-jpg-cmyk-1-adobe-cmyk.jpg", true, 32, 32, true},
    {"jd-mozilla-jpg-size-6x6-is-png.jpg", false},
    {"jd-non-interleaved-mcu-progressive-restart.jpg", true, 64, 16, false},
    {"jd-null_height-dnl.jpg", false},
    {"jd-rgb-adobe-transform0-3comp.jpg", true, 500, 333, false},
    {"ljt-monkey12-12bit-sof1.jpg", false},
    {"ljt-testimgari-arithmetic-sof9.jpg", false},
    {"ljt-testorig-baseline-420.jpg", true, 227, 149, false},
    {"made-large-8000x4288-baseline.jpg", true, 8000, 4288, false},
    {"pillow-app13-multiple-progressive.jpg", true, 256, 160, false},
    {"pillow-flower-exif.jpg", true, 480, 360, false},
    {"pillow-flower2-app1-13-2-14-restart.jpg", true, 300, 225, false},
    {"pillow-hopper_16bit_qtables-sof1-8bit.jpg", false},
    {"pillow-hopper_gray-1comp.jpg", false},
    {"pillow-icc-after-SOF-gray.jpg", false},
    {"pillow-junk_jpeg_header.jpg", false},
    {"pillow-pil_sample_cmyk-ycck.jpg", true, 100, 100, true},
    {"pillow-sugarshack-mpo.jpg", true, 640, 480, false},
    {"pillow-truncated_jpeg.jpg", true, 100, 100, false},
    {"pillow-xmp_test-2000x1072.jpg", true, 2000, 1072, false},
};

TEST(ProbeCorpus, EveryFileGetsTheAnswerOfItsBytes) {
    QM_SKIP_WITHOUT_CORPUS();
    std::set<std::string> expected;
    for (const CorpusExpectation& e : kCorpus) {
        SCOPED_TRACE(e.file);
        expected.insert(e.file);
        std::int32_t w = -1;
        std::int32_t h = -1;
        bool cmyk = !e.CMYK;
        ASSERT_EQ(GetInfosJPG(test::CorpusFile(std::string("jpeg/") + e.file).string(), w, h, cmyk), e.accepted);
        if (e.accepted) {
            EXPECT_EQ(w, e.W);
            EXPECT_EQ(h, e.H);
            EXPECT_EQ(cmyk, e.CMYK);
        }
    }
    for (const auto& entry : std::filesystem::directory_iterator(test::CorpusFile("jpeg"))) {
        EXPECT_TRUE(expected.count(entry.path().filename().string()))
            << entry.path() << " is new in the corpus: add its expected answer";
    }
}

} // namespace
} // namespace qm

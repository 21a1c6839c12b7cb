#include "convert/output_names.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

struct NameCase {
    const char* chosen;
    int row;
    const char* expected;
};

class JpgOutputNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(JpgOutputNameTest, PutsTheRowBeforeTheExtensionOfTheFileNameOnly) {
    EXPECT_EQ(JpgOutputName(GetParam().chosen, GetParam().row), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, JpgOutputNameTest,
    testing::Values(NameCase{"/out/Tale.jpg", 1, "/out/Tale1.jpg"}, NameCase{"/out/Tale.jpg", 12, "/out/Tale12.jpg"},
                    NameCase{"/out/Tale.JPG", 3, "/out/Tale3.JPG"}, NameCase{"/out/Tale.jpeg", 3, "/out/Tale3.jpeg"},
                    NameCase{"/out/Tale.JpEg", 3, "/out/Tale3.JpEg"},
                    NameCase{"/my.jpg.d/Tale.jpg", 1, "/my.jpg.d/Tale1.jpg"},
                    NameCase{"/my.jpg.d/Tale", 1, "/my.jpg.d/Tale1.jpg"},
                    NameCase{"/out/Tale.jpg.png", 2, "/out/Tale.jpg.png2.jpg"},
                    NameCase{"/out/.jpg", 2, "/out/.jpg2.jpg"}, NameCase{"Tale.jpg", 7, "Tale7.jpg"}));

TEST(OutputNames, PageFilesAndContinuations) {
    EXPECT_EQ(PageFileName("/data/QMK/tempJPG", 3), "/data/QMK/tempJPG/3_W.jpg");
    EXPECT_EQ(ContinuationFileName("/data/QMK/tempJPG/3_W.jpg", 2), "/data/QMK/tempJPG/3_W_part2.jpg");
    EXPECT_EQ(ContinuationFileName("/out/Tale3.JPEG", 3), "/out/Tale3_part3.JPEG");
    EXPECT_EQ(ContinuationFileName("/out.d/Tale", 2), "/out.d/Tale_part2");
    // A page file's row and part, read back from its name; any other name stands for none.
    EXPECT_EQ(PageFileOrder("/data/QMK/tempJPG/12_W.jpg"), std::make_pair(12, 1));
    EXPECT_EQ(PageFileOrder("/data/QMK/tempJPG/12_W_part3.jpg"), std::make_pair(12, 3));
    for (const char* other : {"/t/12_W.jpg.part", "/t/x12_W.jpg", "/t/12_W_part1.jpg", "/t/0_W.jpg", "/t/share.pdf"}) {
        EXPECT_EQ(PageFileOrder(other), std::make_pair(0, 0)) << other;
    }
}

// An incomplete conversion's name keeps the chosen extension, so its pages are numbered as the chosen name's.
TEST(OutputNames, IncompleteOutputs) {
    EXPECT_EQ(IncompleteOutputName("/out/Tale.pdf"), "/out/Tale.incomplete.pdf");
    EXPECT_EQ(IncompleteOutputName("/out.d/Tale"), "/out.d/Tale.incomplete");
    EXPECT_EQ(JpgOutputName(IncompleteOutputName("/out/Tale.jpg"), 3), "/out/Tale.incomplete3.jpg");
}

} // namespace
} // namespace qm

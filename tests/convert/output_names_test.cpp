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
}

} // namespace
} // namespace qm

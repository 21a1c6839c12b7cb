#include "view/reading_look.h"

#include <gtest/gtest.h>

#include <string>

namespace qm {
namespace {

TEST(ReadingLookCss, ThePublishersStylesAndALookThatChangesNothingGiveNoSheet) {
    ReadingLook look;
    look.theme = LookTheme::Dark;
    look.publisherStyles = true;
    EXPECT_EQ(ReadingLookCss(look), "");
    ReadingLook nothing;
    nothing.margin = 0;
    nothing.maxWidth = 0;
    EXPECT_EQ(ReadingLookCss(nothing), "");
}

// The defaults keep the book's colours and fonts and only keep lines to a readable width.
TEST(ReadingLookCss, TheDefaultLookOnlyBoundsTheText) {
    const std::string css = ReadingLookCss(ReadingLook{});
    EXPECT_NE(css.find("max-width:40em !important"), std::string::npos) << css;
    EXPECT_NE(css.find("padding-left:1.5em !important"), std::string::npos) << css;
    EXPECT_EQ(css.find("color"), std::string::npos) << css;
    EXPECT_EQ(css.find("font"), std::string::npos) << css;
}

// A family's name cannot end the string it stands in, whatever it holds.
TEST(ReadingLookCss, AFamilyNameStaysInsideItsString) {
    ReadingLook look;
    look.font = LookFont::Family;
    look.family = "Evil\" } body{display:none} \\\n";
    const std::string css = ReadingLookCss(look);
    EXPECT_NE(css.find("font-family:\"Evil\\\" } body{display:none} \\\\\", serif !important"), std::string::npos)
        << css;
}

TEST(ReadingLookNames, ReadBackAsWritten) {
    for (const LookTheme theme : {LookTheme::Light, LookTheme::Sepia, LookTheme::Dark}) {
        EXPECT_EQ(LookThemeNamed(NameOf(theme)), theme);
    }
    for (const LookFont font : {LookFont::Publisher, LookFont::Serif, LookFont::SansSerif, LookFont::Family}) {
        EXPECT_EQ(LookFontNamed(NameOf(font)), font);
    }
    EXPECT_EQ(LookThemeNamed("Dark"), std::nullopt);
    EXPECT_EQ(LookFontNamed(""), std::nullopt);
}

} // namespace
} // namespace qm

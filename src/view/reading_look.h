#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qm {

enum class LookTheme { Light, Sepia, Dark };
enum class LookFont { Publisher, Serif, SansSerif, Family };

// The reader's own look of the pages in the window: a theme, a font, its size, the line spacing, side margins
// and a greatest width of the text, or the publisher's styles alone. Put on every chapter the window shows,
// never on a conversion's pages. The defaults keep the book's colours and fonts and only keep lines from
// running across a wide window.
struct ReadingLook {
    // True: the book as its styles say, none of what follows.
    bool publisherStyles = false;
    LookTheme theme = LookTheme::Light;
    LookFont font = LookFont::Publisher;
    // The installed family for LookFont::Family.
    std::string family;
    // Of the book's own size, in percent.
    int fontSize = 100;
    // Line height as a multiple of the font size; 0 keeps the book's.
    double lineSpacing = 0;
    // Room left and right of the text, in em.
    double margin = 1.5;
    // The text's greatest width, in em, centred in a wider view; 0 for none.
    double maxWidth = 40;

    static constexpr int kLeastFontSize = 50;
    static constexpr int kMostFontSize = 300;
    static constexpr double kLeastLineSpacing = 1.0;
    static constexpr double kMostLineSpacing = 3.0;
    static constexpr double kMostMargin = 8;
    static constexpr double kLeastMaxWidth = 20;
    static constexpr double kMostMaxWidth = 200;

    bool operator==(const ReadingLook&) const = default;
};

// The style sheet that puts `look` on a chapter: rules on html and body (and for a theme, on what the body
// holds but pictures), each !important so that they win over the book's. Empty for the publisher's styles, or a
// look that changes nothing.
std::string ReadingLookCss(const ReadingLook& look);

// A theme's colours (0xAARRGGBB), for the page and the window's page area to match; the light theme leaves the
// book's colours (white paper, dark text).
struct ThemeColours {
    std::uint32_t paper;
    std::uint32_t text;
    std::uint32_t link;
};
ThemeColours ColoursOf(LookTheme theme);

// The themes' and fonts' names as the settings keep them ("light", "sepia", "dark"; "publisher", "serif",
// "sans-serif", "family"), and back; nothing for a name that is none of them.
const char* NameOf(LookTheme theme);
const char* NameOf(LookFont font);
std::optional<LookTheme> LookThemeNamed(const std::string& name);
std::optional<LookFont> LookFontNamed(const std::string& name);

} // namespace qm

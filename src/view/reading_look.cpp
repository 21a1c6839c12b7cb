#include "view/reading_look.h"

#include <cstdio>

namespace qm {

namespace {

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", value);
    return text;
}

std::string Colour(std::uint32_t argb) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06x", static_cast<unsigned>(argb & 0xFFFFFFu));
    return text;
}

// A CSS string of a family's name: quotes and backslashes escaped, line breaks and controls left out.
std::string QuotedFamily(const std::string& family) {
    std::string quoted = "\"";
    for (const char c : family) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string FontFamily(const ReadingLook& look) {
    switch (look.font) {
    case LookFont::Publisher:
        return {};
    case LookFont::Serif:
        return "serif";
    case LookFont::SansSerif:
        return "sans-serif";
    case LookFont::Family:
        return look.family.empty() ? std::string() : QuotedFamily(look.family) + ", serif";
    }
    return {};
}

} // namespace

std::string ReadingLookCss(const ReadingLook& look) {
    if (look.publisherStyles) {
        return {};
    }
    std::string css;
    if (look.theme != LookTheme::Light) {
        const ThemeColours colours = ColoursOf(look.theme);
        css += "html,body{background:" + Colour(colours.paper) + " !important;color:" + Colour(colours.text) +
               " !important}";
        // The engine's own parts (scroll bars, form fields) in the theme's lightness.
        css += std::string(":root{color-scheme:") + (look.theme == LookTheme::Dark ? "dark" : "light") + " !important}";
        // What the body holds takes the theme's text on the theme's paper; pictures keep their own colours.
        css += "body :not(img):not(svg):not(svg *):not(video):not(canvas){color:inherit !important;"
               "background-color:transparent !important;border-color:currentColor !important}";
        css +=
            "body a:link,body a:visited,body a:link *,body a:visited *{color:" + Colour(colours.link) + " !important}";
    }
    if (const std::string family = FontFamily(look); !family.empty()) {
        // Code keeps its fixed-width font.
        css += "body,body :not(pre):not(code):not(kbd):not(samp):not(tt):not(pre *):not(code *){font-family:" + family +
               " !important}";
    }
    if (look.fontSize != 100) {
        css += "html{font-size:" + std::to_string(look.fontSize) + "% !important}";
    }
    if (look.lineSpacing > 0) {
        css += "body,body p,body div,body li,body blockquote,body dd,body dt,body td,body th{line-height:" +
               Number(look.lineSpacing) + " !important}";
    }
    if (look.margin > 0 || look.maxWidth > 0) {
        css += "body{box-sizing:border-box !important";
        if (look.margin > 0) {
            css += ";padding-left:" + Number(look.margin) + "em !important;padding-right:" + Number(look.margin) +
                   "em !important";
        }
        if (look.maxWidth > 0) {
            css += ";max-width:" + Number(look.maxWidth) +
                   "em !important;margin-left:auto !important;"
                   "margin-right:auto !important";
        }
        css += "}";
    }
    return css;
}

ThemeColours ColoursOf(LookTheme theme) {
    switch (theme) {
    case LookTheme::Light:
        return {0xFFFFFFFF, 0xFF000000, 0xFF0000EE};
    case LookTheme::Sepia:
        return {0xFFF4ECD8, 0xFF5B4636, 0xFF8A4B0F};
    case LookTheme::Dark:
        return {0xFF1E1F22, 0xFFD8D8D8, 0xFF8AB4F8};
    }
    return {0xFFFFFFFF, 0xFF000000, 0xFF0000EE};
}

const char* NameOf(LookTheme theme) {
    switch (theme) {
    case LookTheme::Light:
        return "light";
    case LookTheme::Sepia:
        return "sepia";
    case LookTheme::Dark:
        return "dark";
    }
    return "light";
}

const char* NameOf(LookFont font) {
    switch (font) {
    case LookFont::Publisher:
        return "publisher";
    case LookFont::Serif:
        return "serif";
    case LookFont::SansSerif:
        return "sans-serif";
    case LookFont::Family:
        return "family";
    }
    return "publisher";
}

std::optional<LookTheme> LookThemeNamed(const std::string& name) {
    for (const LookTheme theme : {LookTheme::Light, LookTheme::Sepia, LookTheme::Dark}) {
        if (name == NameOf(theme)) {
            return theme;
        }
    }
    return std::nullopt;
}

std::optional<LookFont> LookFontNamed(const std::string& name) {
    for (const LookFont font : {LookFont::Publisher, LookFont::Serif, LookFont::SansSerif, LookFont::Family}) {
        if (name == NameOf(font)) {
            return font;
        }
    }
    return std::nullopt;
}

} // namespace qm

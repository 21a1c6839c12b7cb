#include "book/chapter_text.h"

#include "platform/xml/xml_source_text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <string_view>

namespace qm {

namespace {

bool IsAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// Elements whose start or end separates words.
bool StartsBlock(std::string_view name) {
    static constexpr std::array<std::string_view, 44> kBlocks{
        "address", "article", "aside", "blockquote", "body",       "br",      "caption", "dd",    "details",
        "div",     "dl",      "dt",    "fieldset",   "figcaption", "figure",  "footer",  "form",  "h1",
        "h2",      "h3",      "h4",    "h5",         "h6",         "header",  "hr",      "img",   "li",
        "main",    "nav",     "ol",    "p",          "pre",        "section", "summary", "table", "tbody",
        "td",      "tfoot",   "th",    "thead",      "tr",         "ul",      "svg",     "math"};
    return std::find(kBlocks.begin(), kBlocks.end(), name) != kBlocks.end();
}

// Elements whose content is no text of the chapter.
bool HoldsNoText(std::string_view name) {
    return name == "script" || name == "style" || name == "head" || name == "template";
}

struct NamedReference {
    std::string_view name;
    std::uint32_t code;
};

// The references XHTML books use besides XML's own: Latin-1 and the typographic ones.
constexpr NamedReference kNamed[] = {
    {"amp", '&'},       {"lt", '<'},       {"gt", '>'},       {"quot", '"'},      {"apos", '\''},     {"nbsp", ' '},
    {"shy", 0xAD},      {"ensp", ' '},     {"emsp", ' '},     {"thinsp", ' '},    {"mdash", 0x2014},  {"ndash", 0x2013},
    {"hellip", 0x2026}, {"lsquo", 0x2018}, {"rsquo", 0x2019}, {"sbquo", 0x201A},  {"ldquo", 0x201C},  {"rdquo", 0x201D},
    {"bdquo", 0x201E},  {"laquo", 0xAB},   {"raquo", 0xBB},   {"lsaquo", 0x2039}, {"rsaquo", 0x203A}, {"copy", 0xA9},
    {"reg", 0xAE},      {"trade", 0x2122}, {"deg", 0xB0},     {"middot", 0xB7},   {"bull", 0x2022},   {"times", 0xD7},
    {"divide", 0xF7},   {"euro", 0x20AC},  {"pound", 0xA3},   {"yen", 0xA5},      {"cent", 0xA2},     {"sect", 0xA7},
    {"para", 0xB6},     {"iexcl", 0xA1},   {"iquest", 0xBF},  {"dagger", 0x2020}, {"Dagger", 0x2021}, {"prime", 0x2032},
    {"Prime", 0x2033},  {"frac12", 0xBD},  {"frac14", 0xBC},  {"frac34", 0xBE},   {"sup1", 0xB9},     {"sup2", 0xB2},
    {"sup3", 0xB3},     {"ordf", 0xAA},    {"ordm", 0xBA},    {"not", 0xAC},      {"macr", 0xAF},     {"acute", 0xB4},
    {"cedil", 0xB8},    {"uml", 0xA8},     {"plusmn", 0xB1},  {"micro", 0xB5},    {"curren", 0xA4},   {"brvbar", 0xA6},
    {"Agrave", 0xC0},   {"Aacute", 0xC1},  {"Acirc", 0xC2},   {"Atilde", 0xC3},   {"Auml", 0xC4},     {"Aring", 0xC5},
    {"AElig", 0xC6},    {"Ccedil", 0xC7},  {"Egrave", 0xC8},  {"Eacute", 0xC9},   {"Ecirc", 0xCA},    {"Euml", 0xCB},
    {"Igrave", 0xCC},   {"Iacute", 0xCD},  {"Icirc", 0xCE},   {"Iuml", 0xCF},     {"ETH", 0xD0},      {"Ntilde", 0xD1},
    {"Ograve", 0xD2},   {"Oacute", 0xD3},  {"Ocirc", 0xD4},   {"Otilde", 0xD5},   {"Ouml", 0xD6},     {"Oslash", 0xD8},
    {"Ugrave", 0xD9},   {"Uacute", 0xDA},  {"Ucirc", 0xDB},   {"Uuml", 0xDC},     {"Yacute", 0xDD},   {"THORN", 0xDE},
    {"szlig", 0xDF},    {"agrave", 0xE0},  {"aacute", 0xE1},  {"acirc", 0xE2},    {"atilde", 0xE3},   {"auml", 0xE4},
    {"aring", 0xE5},    {"aelig", 0xE6},   {"ccedil", 0xE7},  {"egrave", 0xE8},   {"eacute", 0xE9},   {"ecirc", 0xEA},
    {"euml", 0xEB},     {"igrave", 0xEC},  {"iacute", 0xED},  {"icirc", 0xEE},    {"iuml", 0xEF},     {"eth", 0xF0},
    {"ntilde", 0xF1},   {"ograve", 0xF2},  {"oacute", 0xF3},  {"ocirc", 0xF4},    {"otilde", 0xF5},   {"ouml", 0xF6},
    {"oslash", 0xF8},   {"ugrave", 0xF9},  {"uacute", 0xFA},  {"ucirc", 0xFB},    {"uuml", 0xFC},     {"yacute", 0xFD},
    {"thorn", 0xFE},    {"yuml", 0xFF},    {"OElig", 0x152},  {"oelig", 0x153},   {"Scaron", 0x160},  {"scaron", 0x161},
    {"Yuml", 0x178},    {"fnof", 0x192},   {"circ", 0x2C6},   {"tilde", 0x2DC},   {"zwnj", 0x200C},   {"zwj", 0x200D},
    {"lrm", 0x200E},    {"rlm", 0x200F},
};

// The character a reference starting at `at` ("&...;") stands for, and its length; no length when it is none
// this reader knows, and the "&" is then text.
std::pair<std::uint32_t, std::size_t> Reference(std::string_view markup, std::size_t at) {
    const std::size_t end = markup.find(';', at);
    if (end == std::string_view::npos || end - at > 12 || end == at + 1) {
        return {0, 0};
    }
    const std::string_view body = markup.substr(at + 1, end - at - 1);
    if (body[0] == '#') {
        const bool hex = body.size() > 1 && (body[1] == 'x' || body[1] == 'X');
        const std::string_view digits = body.substr(hex ? 2 : 1);
        std::uint32_t code = 0;
        for (const char c : digits) {
            const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                              : hex && std::isxdigit(static_cast<unsigned char>(c))
                                  ? std::tolower(static_cast<unsigned char>(c)) - 'a' + 10
                                  : -1;
            if (digit < 0 || code > 0x10FFFF) {
                return {0, 0};
            }
            code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
        }
        const bool valid = !digits.empty() && code != 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
        return {valid ? code : 0xFFFD, end - at + 1};
    }
    for (const NamedReference& named : kNamed) {
        if (named.name == body) {
            return {named.code, end - at + 1};
        }
    }
    return {0, 0};
}

// Builds the text with white space collapsed: a pending space is written only before the next character.
class TextBuilder {
public:
    void Space() { spacePending_ = !text_.empty(); }
    void Append(std::string_view run) {
        for (std::size_t i = 0; i < run.size(); ++i) {
            const char c = run[i];
            if (IsAsciiSpace(c)) {
                Space();
            } else if (static_cast<unsigned char>(c) == 0xC2 && i + 1 < run.size() &&
                       static_cast<unsigned char>(run[i + 1]) == 0xA0) {
                // A no-break space separates words as any other.
                Space();
                ++i;
            } else {
                Put(c);
            }
        }
    }
    void AppendCode(std::uint32_t code) {
        if (code == ' ' || code == 0xA0) {
            Space();
        } else if (code != 0xAD) {
            std::string bytes;
            AppendUtf8(bytes, code);
            for (const char c : bytes) {
                Put(c);
            }
        }
    }
    std::string Take() { return std::move(text_); }

private:
    void Put(char c) {
        if (spacePending_) {
            text_ += ' ';
            spacePending_ = false;
        }
        text_ += c;
    }
    std::string text_;
    bool spacePending_ = false;
};

// The end of a tag starting at `at` (the index after its ">"), quotes respected; npos when it never ends.
std::size_t TagEnd(std::string_view markup, std::size_t at) {
    char quote = 0;
    for (std::size_t i = at + 1; i < markup.size(); ++i) {
        const char c = markup[i];
        if (quote != 0) {
            quote = c == quote ? 0 : quote;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i + 1;
        }
    }
    return std::string_view::npos;
}

// A tag's local name in lower case: without "/" and without a prefix ("xhtml:p" is "p").
std::string TagName(std::string_view tag) {
    std::size_t start = 1;
    if (start < tag.size() && tag[start] == '/') {
        ++start;
    }
    std::size_t end = start;
    while (end < tag.size() && (std::isalnum(static_cast<unsigned char>(tag[end])) || tag[end] == ':' ||
                                tag[end] == '-' || tag[end] == '_' || tag[end] == '.')) {
        ++end;
    }
    std::string_view name = tag.substr(start, end - start);
    if (const std::size_t colon = name.rfind(':'); colon != std::string_view::npos) {
        name = name.substr(colon + 1);
    }
    return Lower(name);
}

std::size_t SkipPast(std::string_view markup, std::size_t at, std::string_view end) {
    const std::size_t found = markup.find(end, at);
    return found == std::string_view::npos ? markup.size() : found + end.size();
}

// Where the element `name` that holds no text ends: after its end tag, compared without case.
std::size_t SkipElement(std::string_view markup, std::size_t at, const std::string& name) {
    const std::string lower = Lower(markup.substr(at));
    const std::size_t close = lower.find("</" + name);
    if (close == std::string::npos) {
        return markup.size();
    }
    const std::size_t end = TagEnd(markup, at + close);
    return end == std::string_view::npos ? markup.size() : end;
}

} // namespace

std::string ExtractChapterText(std::string_view markup) {
    TextBuilder text;
    std::size_t at = 0;
    while (at < markup.size()) {
        const std::size_t lt = markup.find_first_of("<&", at);
        text.Append(markup.substr(at, (lt == std::string_view::npos ? markup.size() : lt) - at));
        if (lt == std::string_view::npos) {
            break;
        }
        at = lt;
        if (markup[at] == '&') {
            const auto [code, length] = Reference(markup, at);
            if (length == 0) {
                text.Append("&");
                ++at;
            } else {
                text.AppendCode(code);
                at += length;
            }
            continue;
        }
        if (markup.compare(at, 4, "<!--") == 0) {
            at = SkipPast(markup, at + 4, "-->");
            continue;
        }
        if (markup.compare(at, 9, "<![CDATA[") == 0) {
            const std::size_t end = markup.find("]]>", at + 9);
            const std::size_t stop = end == std::string_view::npos ? markup.size() : end;
            text.Append(markup.substr(at + 9, stop - at - 9));
            at = end == std::string_view::npos ? markup.size() : end + 3;
            continue;
        }
        const std::size_t end = TagEnd(markup, at);
        if (end == std::string_view::npos) {
            break;
        }
        const std::string_view tag = markup.substr(at, end - at);
        at = end;
        if (tag.size() < 3 || tag[1] == '!' || tag[1] == '?') {
            continue;
        }
        const std::string name = TagName(tag);
        const bool closing = tag[1] == '/';
        const bool selfClosed = tag[tag.size() - 2] == '/';
        if (!closing && !selfClosed && HoldsNoText(name)) {
            at = SkipElement(markup, at, name);
        } else if (StartsBlock(name)) {
            text.Space();
        }
    }
    return text.Take();
}

} // namespace qm

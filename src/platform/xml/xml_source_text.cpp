#include "platform/xml/xml_source_text.h"

#include <algorithm>
#include <cstdint>

namespace qm {

namespace {

constexpr std::size_t kLineTextCharacters = 40;

std::uint32_t Unit(const std::string& bytes, std::size_t at, std::size_t width, bool bigEndian) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[at + (bigEndian ? i : width - 1 - i)]);
        value = (value << 8) | byte;
    }
    return value;
}

std::string Utf16ToUtf8(const std::string& bytes, bool bigEndian) {
    std::string out;
    const std::size_t units = bytes.size() / 2;
    for (std::size_t i = 0; i < units;) {
        const std::uint32_t lead = Unit(bytes, 2 * i, 2, bigEndian);
        if (lead < 0xD800 || lead >= 0xE000) {
            AppendUtf8(out, lead);
            ++i;
        } else if (lead < 0xDC00 && i + 1 < units) {
            const std::uint32_t trail = Unit(bytes, 2 * (i + 1), 2, bigEndian);
            if (trail >= 0xDC00 && trail < 0xE000) {
                AppendUtf8(out, 0x10000 + ((lead & 0x3FF) << 10) + (trail & 0x3FF));
                i += 2;
            } else {
                ++i;
            }
        } else {
            ++i;
        }
    }
    return out;
}

std::string Utf32ToUtf8(const std::string& bytes, bool bigEndian) {
    std::string out;
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
        AppendUtf8(out, Unit(bytes, i, 4, bigEndian));
    }
    return out;
}

std::string Latin1ToUtf8(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        AppendUtf8(out, static_cast<unsigned char>(c));
    }
    return out;
}

bool IsUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        // The parser writes any wider value in four bytes, even beyond U+10FFFF; so do we, to keep offsets equal.
        out += static_cast<char>(0xF0 | ((code >> 18) & 0x07));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::string SourceAsUtf8(const std::string& bytes, pugi::xml_encoding encoding) {
    switch (encoding) {
    case pugi::encoding_utf16_le:
        return Utf16ToUtf8(bytes, false);
    case pugi::encoding_utf16_be:
        return Utf16ToUtf8(bytes, true);
    case pugi::encoding_utf32_le:
        return Utf32ToUtf8(bytes, false);
    case pugi::encoding_utf32_be:
        return Utf32ToUtf8(bytes, true);
    case pugi::encoding_latin1:
        return Latin1ToUtf8(bytes);
    default:
        return bytes;
    }
}

SourceLine LineAtOffset(const std::string& utf8, std::size_t offset) {
    const std::size_t end = std::min(offset, utf8.size());
    SourceLine line;
    line.number = 1;
    std::size_t start = utf8.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    for (std::size_t i = start; i < end; ++i) {
        if (utf8[i] == '\n' || (utf8[i] == '\r' && (i + 1 >= utf8.size() || utf8[i + 1] != '\n'))) {
            ++line.number;
            start = i + 1;
        }
    }
    std::size_t stop = start;
    std::size_t characters = 0;
    while (stop < utf8.size() && utf8[stop] != '\n' && utf8[stop] != '\r') {
        if (!IsUtf8Continuation(utf8[stop]) && characters++ == kLineTextCharacters) {
            break;
        }
        ++stop;
    }
    line.text = utf8.substr(start, stop - start);
    return line;
}

} // namespace qm

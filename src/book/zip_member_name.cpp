#include "book/zip_member_name.h"

#include <array>
#include <cstdint>
#include <stdexcept>

namespace qm {

namespace {

// Code points of the bytes 0x80-0xFF of code page 437; the bytes below are ASCII.
constexpr std::array<char16_t, 128> kCp437High = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

void AppendUtf8(std::string& out, char16_t code) {
    if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
    } else {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    }
    out += static_cast<char>(0x80 | (code & 0x3F));
}

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

std::string DecodeZipMemberName(std::string_view raw, bool utf8) {
    if (utf8) {
        return std::string(raw);
    }
    std::string out;
    out.reserve(raw.size());
    for (const char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            AppendUtf8(out, kCp437High[byte - 0x80]);
        }
    }
    return out;
}

ZipMemberPath SplitZipMemberName(std::string_view name) {
    if (name.empty()) {
        throw std::runtime_error("its name is empty");
    }
    if (name.find('\0') != std::string_view::npos) {
        throw std::runtime_error("its name holds a NUL character");
    }
    // The format forbids a leading separator and a drive letter; both would also point outside the folder on
    // the systems that made such archives.
    if (IsSeparator(name.front()) || (name.size() >= 2 && IsAsciiLetter(name[0]) && name[1] == ':')) {
        throw std::runtime_error("its name is an absolute path");
    }
    ZipMemberPath path;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = start;
        while (end < name.size() && !IsSeparator(name[end])) {
            ++end;
        }
        const std::string_view part = name.substr(start, end - start);
        if (part == "..") {
            throw std::runtime_error("its name has a \"..\" part");
        }
        if (!part.empty() && part != ".") {
            path.parts.emplace_back(part);
        }
        if (end == name.size()) {
            path.folderOnly = part.empty() || part == ".";
        }
        start = end + 1;
    }
    // Real books nest a few folders deep. A path thousands of folders deep could be written (each folder is
    // opened relative to the one above) but no longer removed by the folder reset, which would then leave the
    // old book behind under every later one.
    if (path.parts.size() > kMaxZipMemberDepth) {
        throw std::runtime_error("its name has more than " + std::to_string(kMaxZipMemberDepth) + " parts");
    }
    return path;
}

} // namespace qm

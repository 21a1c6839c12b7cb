#include "book/book_paths.h"

#include <vector>

namespace qm {

namespace {

std::vector<std::string> SplitSegments(const std::string& path) {
    std::vector<std::string> segments;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t slash = path.find('/', start);
        const std::size_t end = slash == std::string::npos ? path.size() : slash;
        segments.push_back(path.substr(start, end - start));
        if (slash == std::string::npos) {
            break;
        }
        start = slash + 1;
    }
    return segments;
}

} // namespace

std::string ResolveHref(const std::string& baseFolder, const std::string& href) {
    const std::size_t suffixAt = href.find_first_of("#?");
    const std::string path = href.substr(0, suffixAt);
    const std::string suffix = suffixAt == std::string::npos ? std::string() : href.substr(suffixAt);

    std::vector<std::string> kept;
    for (const std::string& segment : SplitSegments(baseFolder + path)) {
        if (segment == "." || segment.empty()) {
            continue;
        }
        if (segment == ".." && !kept.empty() && kept.back() != "..") {
            kept.pop_back();
        } else {
            kept.push_back(segment);
        }
    }
    std::string joined;
    for (const std::string& segment : kept) {
        joined += joined.empty() ? segment : "/" + segment;
    }
    return joined + suffix;
}

std::string HrefFolder(const std::string& href) {
    const std::size_t slash = href.find_last_of('/');
    return slash == std::string::npos ? std::string() : href.substr(0, slash + 1);
}

std::string PercentDecode(const std::string& text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            decoded += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool StaysInside(const std::string& relative) {
    if (relative.empty() || relative.front() == '/') {
        return false;
    }
    int depth = 0;
    for (const std::string& segment : SplitSegments(relative)) {
        if (segment == "..") {
            if (--depth < 0) {
                return false;
            }
        } else if (!segment.empty() && segment != ".") {
            ++depth;
        }
    }
    return depth > 0;
}

} // namespace qm

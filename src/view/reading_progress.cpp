#include "view/reading_progress.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <iterator>
#include <set>
#include <string_view>

namespace qm {

namespace {

bool StartsWithWord(std::string_view text, std::size_t at, std::string_view word) {
    if (text.size() - at < word.size()) {
        return false;
    }
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[at + i])) != word[i]) {
            return false;
        }
    }
    const std::size_t after = at + word.size();
    return after == text.size() || !std::isalnum(static_cast<unsigned char>(text[after]));
}

// Where the text after `at` next holds `end` (compared without case), or the text's size.
std::size_t FindNoCase(std::string_view text, std::size_t at, std::string_view end) {
    const auto found = std::search(text.begin() + static_cast<std::ptrdiff_t>(at), text.end(), end.begin(), end.end(),
                                   [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
    return static_cast<std::size_t>(found - text.begin());
}

std::size_t CountText(std::string_view text) {
    std::size_t at = 0;
    // The head's title is not the chapter's text.
    if (const std::size_t body = FindNoCase(text, 0, "<body"); body < text.size()) {
        at = body;
    }
    std::size_t count = 0;
    while (at < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        if (c == '<') {
            std::size_t end = text.find('>', at);
            if (text.compare(at, 4, "<!--") == 0) {
                end = text.find("-->", at);
                end = end == std::string_view::npos ? end : end + 2;
            } else if (StartsWithWord(text, at + 1, "script") || StartsWithWord(text, at + 1, "style")) {
                const bool script = StartsWithWord(text, at + 1, "script");
                const std::size_t closing = FindNoCase(text, at, script ? "</script" : "</style");
                end = text.find('>', closing);
            }
            if (end == std::string_view::npos) {
                break;
            }
            at = end + 1;
        } else if (c == '&') {
            const std::size_t end = text.find(';', at);
            at = end != std::string_view::npos && end - at <= 10 ? end + 1 : at + 1;
            ++count;
        } else {
            // White space is left out, and a character's continuation bytes with it.
            if (!std::isspace(c) && (c & 0xC0) != 0x80) {
                ++count;
            }
            ++at;
        }
    }
    return count;
}

} // namespace

std::size_t TextLength(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return 0;
    }
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return CountText(text);
}

ReadingProgress::ReadingProgress(const ChapterSequence& chapters,
                                 const std::function<std::string(const std::string&)>& pathOf) {
    std::set<std::string> read;
    for (int i = 0; i < chapters.Count(); ++i) {
        const std::string& file = chapters.File(i);
        const std::size_t length = read.insert(file).second ? TextLength(pathOf(file)) : 0;
        before_.push_back(total_);
        length_.push_back(length);
        total_ += length;
    }
}

int ReadingProgress::Percent(int index, double fraction) const {
    if (index < 0 || index >= static_cast<int>(before_.size()) || total_ == 0) {
        return 0;
    }
    const double place =
        static_cast<double>(before_[index]) + std::clamp(fraction, 0.0, 1.0) * static_cast<double>(length_[index]);
    return static_cast<int>(std::floor(100.0 * place / static_cast<double>(total_)));
}

std::string ReadingStatusText(const std::string& title, int chapter, int chapters, int percent) {
    std::string text = title.empty() ? std::string() : title + " \u00b7 ";
    return text + "chapter " + std::to_string(chapter) + " of " + std::to_string(chapters) + " \u00b7 " +
           std::to_string(percent) + " %";
}

} // namespace qm

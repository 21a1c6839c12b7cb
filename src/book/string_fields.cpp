#include "book/string_fields.h"

#include <sstream>

#include <algorithm>

#include <stdexcept>
#include <string_view>

namespace qm {

namespace {

bool IsTrimmed(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

// The characters that HTML lays out as white space; a no-break space is not among them.
bool IsCollapsibleWhitespace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

bool IsTokenBreak(char c) {
    const auto code = static_cast<unsigned char>(c);
    return code >= 1 && code <= 32;
}

// Calls `onToken(token)` for each token of `entry` in order until it returns true; returns whether it did.
template <typename OnToken>
bool ScanTokens(std::string_view entry, OnToken&& onToken) {
    const std::string_view text = entry.substr(0, entry.find('\0'));
    const std::size_t n = text.size();
    std::size_t p = 0;
    auto skipBreaks = [&] {
        while (p < n && IsTokenBreak(text[p])) {
            ++p;
        }
    };
    skipBreaks();
    while (p < n) {
        std::string token;
        if (text[p] == '"') {
            ++p;
            while (p < n) {
                if (text[p] != '"') {
                    token += text[p++];
                } else if (p + 1 < n && text[p + 1] == '"') {
                    token += '"';
                    p += 2;
                } else {
                    ++p;
                    break;
                }
            }
        } else {
            const std::size_t start = p;
            while (p < n && !IsTrimmed(text[p]) && text[p] != ';') {
                ++p;
            }
            token.assign(text.substr(start, p - start));
        }
        if (onToken(std::string_view(token))) {
            return true;
        }
        skipBreaks();
        if (p < n && text[p] == ';') {
            if (p + 1 == n && onToken(std::string_view())) {
                return true;
            }
            ++p;
            skipBreaks();
        }
    }
    return false;
}

} // namespace

std::string Trim(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsTrimmed(text[begin])) {
        ++begin;
    }
    while (end > begin && IsTrimmed(text[end - 1])) {
        --end;
    }
    return std::string(text.substr(begin, end - begin));
}

void SplitToList(const std::string& separator, const std::string& text, std::vector<std::string>& list) {
    if (separator.empty()) {
        list.push_back(Trim(text));
        return;
    }
    std::size_t start = 0;
    for (std::size_t at = text.find(separator); at != std::string::npos; at = text.find(separator, start)) {
        list.push_back(Trim(std::string_view(text).substr(start, at - start)));
        start = at + separator.size();
    }
    list.push_back(Trim(std::string_view(text).substr(start)));
}

std::string GetField(const std::string& entry, int n) {
    std::vector<std::string> pieces;
    SplitToList(";", entry, pieces);
    if (n < 0 || static_cast<std::size_t>(n) >= pieces.size()) {
        throw std::out_of_range("List index out of bounds (" + std::to_string(n) + ")");
    }
    return pieces[static_cast<std::size_t>(n)];
}

int IndexOfField(const std::string& value, const std::vector<std::string>& list) {
    int found = -1;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (ScanTokens(list[i], [&](std::string_view token) { return token == value; })) {
            found = static_cast<int>(i);
        }
    }
    return found;
}

int FieldIndex::Find(const std::string& value) {
    for (; indexed_ < list_.size(); ++indexed_) {
        ScanTokens(list_[indexed_], [&](std::string_view token) {
            lastEntryWithToken_[std::string(token)] = static_cast<int>(indexed_);
            return false;
        });
    }
    const auto found = lastEntryWithToken_.find(value);
    return found == lastEntryWithToken_.end() ? -1 : found->second;
}

std::string LowerCaseAsciiLetters(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

std::string ReplaceChar(std::string text, char from, char to) {
    for (char& c : text) {
        if (c == from) {
            c = to;
        }
    }
    return text;
}

void AppendCollapsingWhitespace(std::string& out, std::string_view text) {
    for (const char c : text) {
        if (!IsCollapsibleWhitespace(c)) {
            out += c;
        } else if (!out.empty() && out.back() != ' ') {
            out += ' ';
        }
    }
}

std::string CollapseWhitespace(std::string_view text) {
    std::string out;
    AppendCollapsingWhitespace(out, text);
    if (!out.empty() && out.back() == ' ') {
        out.pop_back();
    }
    return out;
}

bool EqualsIgnoringCase(std::string_view text, std::string_view lower) {
    return std::equal(text.begin(), text.end(), lower.begin(), lower.end(), [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
    });
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view lowerEnd) {
    return text.size() >= lowerEnd.size() && EqualsIgnoringCase(text.substr(text.size() - lowerEnd.size()), lowerEnd);
}

bool HasToken(const std::string& list, const std::string& token) {
    std::istringstream words(list);
    for (std::string word; words >> word;) {
        if (word == token) {
            return true;
        }
    }
    return false;
}

} // namespace qm

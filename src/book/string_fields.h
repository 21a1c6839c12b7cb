#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qm {

// Entries of DirIDList and SubIDList are fields joined by ";" without escaping. They are read back in two
// ways that differ on purpose: by position (GetField: cut at ";", pieces trimmed) and by value (IndexOfField:
// tokens cut at ";" and at every character 1..32, so a value holding a space is never found whole).

// `text` without the characters 0..32 (spaces and control characters) at either end.
std::string Trim(std::string_view text);

// Appends to `list` the pieces of `text` between occurrences of `separator`, each trimmed of characters
// 0..32 at both ends; the piece after the last separator is appended too, so an empty text gives one empty
// piece. An empty separator never matches: the whole trimmed text is one piece.
void SplitToList(const std::string& separator, const std::string& text, std::vector<std::string>& list);

// Piece `n` (from 0) of `entry` split at ";". Throws std::out_of_range("List index out of bounds (n)") when
// the entry has no such piece.
std::string GetField(const std::string& entry, int n);

// Index of the last entry of `list` that holds a token equal to `value` (exact, case-sensitive), or -1.
// Tokens: the entry is cut at ";" and at characters 1..32; runs of those characters between tokens count
// once, but two ";" that meet give an empty token, and so does a ";" that is the entry's last character.
// A token that begins with '"' runs to the next lone '"' (two '"' stand for one) or to the end of the
// entry. A NUL character ends the entry.
int IndexOfField(const std::string& value, const std::vector<std::string>& list);

// IndexOfField for a list that only grows while the index is in use: each entry is tokenised once, when a
// lookup first needs it, instead of on every lookup. A spine of n references against a list of n entries
// costs O(n) rather than O(n^2) tokenisations. The list must outlive the index.
class FieldIndex {
public:
    explicit FieldIndex(const std::vector<std::string>& list) : list_(list) {}
    int Find(const std::string& value);

private:
    const std::vector<std::string>& list_;
    std::size_t indexed_ = 0;
    std::unordered_map<std::string, int> lastEntryWithToken_;
};

// `text` with the letters A to Z in lower case; every other byte unchanged.
std::string LowerCaseAsciiLetters(std::string text);

// `text` with every occurrence of `from` replaced by `to`.
std::string ReplaceChar(std::string text, char from, char to);

// Appends `text` to `out` as a browser shows it: every run of whitespace (tab, line feed, form feed, carriage
// return, space) becomes one space, also across calls, and none starts `out`. Text gathered piece by piece
// from several nodes thus reads as a browser would lay it out, except that a space may end it.
void AppendCollapsingWhitespace(std::string& out, std::string_view text);

// `text` with its runs of whitespace collapsed as AppendCollapsingWhitespace does and none at either end.
std::string CollapseWhitespace(std::string_view text);

// True when `text` equals `lower` (given in lower case) with A-Z in `text` taken as a-z.
// True when the white-space separated list `list` (an attribute's tokens) holds `token`.
bool HasToken(const std::string& list, const std::string& token);

bool EqualsIgnoringCase(std::string_view text, std::string_view lower);

// True when `text` ends in `lowerEnd` (given in lower case), letter case in `text` aside.
bool EndsWithIgnoringCase(std::string_view text, std::string_view lowerEnd);

} // namespace qm

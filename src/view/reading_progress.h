#pragma once

#include "view/chapter_sequence.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace qm {

// How much text an (X)HTML or SVG chapter file holds: the characters outside its tags, within its body when it
// has one, left out white space, comments, scripts and styles; an entity or a character of any length counts as
// one. 0 for a file that cannot be read.
std::size_t TextLength(const std::string& path);

// Where the reader is in the whole book, as the share of its text before the place shown.
class ReadingProgress {
public:
    ReadingProgress() = default;
    // Counts the text of each chapter; `pathOf` gives a chapter file's path on disk. A file the table comes back
    // to counts where it is first read.
    ReadingProgress(const ChapterSequence& chapters, const std::function<std::string(const std::string&)>& pathOf);

    // The whole percent of the book's text before `fraction` (0 to 1) of chapter `index`; 0 for a chapter
    // outside the book.
    int Percent(int index, double fraction) const;

private:
    // Per chapter: the text before it, and its own.
    std::vector<std::size_t> before_;
    std::vector<std::size_t> length_;
    std::size_t total_ = 0;
};

// The status line's words for a place: "Title · chapter 3 of 13 · 24 %".
std::string ReadingStatusText(const std::string& title, int chapter, int chapters, int percent);

} // namespace qm

#pragma once

#include "book/table_of_contents.h"
#include "convert/conversion_result.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace qm {

// What a share of a conversion (a process converting some rows of a book into a working folder) tells the
// process that shares the book out, one line each, fields separated by tabs:
//   "chapter TAB row TAB title"    as a chapter starts
//   "written TAB path"             for each file it wrote, in order
//   "missing TAB row TAB reason"   for each chapter without a page
//   "kept TAB count"               when files were kept
//   "error TAB text"               for what ended it
// Texts are made one line (line breaks become spaces).

// The line for a chapter that starts, with its end of line.
std::string ChapterLine(std::int32_t row, const std::string& title);

// The lines of a finished share, for each of its files, missing chapters, kept files and error.
void WriteConversionLines(const ConversionResult& result, std::ostream& out);

// A chapter a share started: its row and title.
struct StartedChapter {
    std::int32_t row = 0;
    std::string title;
};

// Takes one line (without its end of line) into `result` (the missing chapter's title from `toc`); a "chapter"
// line comes back as what started. Lines of other kinds are passed over.
std::optional<StartedChapter> ReadConversionLine(const std::string& line, const TableOfContents& toc,
                                                 ConversionResult& result);

} // namespace qm

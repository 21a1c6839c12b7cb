#pragma once

#include <pugixml.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

namespace qm {

// The parser reports where a parse failed as an offset into its own UTF-8 copy of the file. These helpers
// rebuild that copy from the file's bytes so that the offset can be turned into a line for the error text.

// Appends `code` to `out` in UTF-8; a value beyond U+10FFFF in four bytes, as the parser writes it.
void AppendUtf8(std::string& out, std::uint32_t code);

// The file's bytes in UTF-8, converted from `encoding` (the encoding the parser detected) the way the parser
// converts them: a byte order mark is kept as U+FEFF, UTF-16 units that form no character are skipped, and
// a trailing partial unit is dropped.
std::string SourceAsUtf8(const std::string& bytes, pugi::xml_encoding encoding);

struct SourceLine {
    std::size_t number = 0; // 1-based
    std::string text;       // at most the first 40 characters of the line, without its line break
};

// The line of `utf8` that holds `offset`. Lines end at LF, CR LF or a lone CR; a byte order mark at the
// start of the text is not part of the first line. An offset beyond the end counts as the end.
SourceLine LineAtOffset(const std::string& utf8, std::size_t offset);

} // namespace qm

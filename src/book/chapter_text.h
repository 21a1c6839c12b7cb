#pragma once

#include <string>
#include <string_view>

namespace qm {

// The text a reader sees in a chapter's markup (XHTML or HTML, well-formed or not), as UTF-8: the body's text
// nodes in document order, character references decoded, scripts, styles and comments left out, and every run
// of white space one space. An element that starts a block (a paragraph, a heading, a list item, a line break,
// a table cell ...) separates words; inline elements (em, span, a ...) do not, so "Hat<em>ter</em>" reads
// "Hatter". A picture's alternative text is not read.
std::string ExtractChapterText(std::string_view markup);

} // namespace qm

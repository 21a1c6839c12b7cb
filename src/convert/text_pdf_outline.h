#pragma once

#include "book/book_metadata.h"
#include "book/table_of_contents.h"
#include "text_pdf/merge_chapter_pdfs.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qm {

// The bookmarks of a text PDF: one per row of `rows` in order, with the row's title and level, into the chapter
// PDF that `chapterOf` gives for the row's file (-1: none was printed, and the row gets no bookmark); a row with
// an anchor leads to the named destination the engine keeps for it.
std::vector<OutlineEntry> TextPdfOutline(const TableOfContents& toc, const std::vector<std::int32_t>& rows,
                                         const std::function<int(const std::string& file)>& chapterOf);

// What a text PDF says about itself: the book's title, author and language, and this program as producer.
DocumentInfo TextPdfInfo(const BookMetadata& book);

} // namespace qm

#include "convert/text_pdf_outline.h"

#include "book/book_paths.h"
#include "book/string_fields.h"
#include "view/chapter_display.h"

namespace qm {

std::vector<OutlineEntry> TextPdfOutline(const TableOfContents& toc, const std::vector<std::int32_t>& rows,
                                         const std::function<int(const std::string& file)>& chapterOf) {
    std::vector<OutlineEntry> outline;
    for (const std::int32_t row : rows) {
        const ChapterLink link = SplitChapterLink(Trim(toc.Cell(2, row)));
        const int chapter = chapterOf(link.file);
        if (chapter < 0) {
            continue;
        }
        OutlineEntry entry;
        entry.title = toc.Cell(1, row);
        entry.level = toc.Level(row);
        entry.chapter = chapter;
        // The engine names a destination after the anchor as the link spells it, escapes decoded.
        entry.destination = PercentDecode(link.fragment);
        outline.push_back(entry);
    }
    return outline;
}

DocumentInfo TextPdfInfo(const BookMetadata& book) {
    return {book.title, book.author, book.language, "Quillmark " QUILLMARK_VERSION};
}

} // namespace qm

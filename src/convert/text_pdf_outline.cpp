#include "convert/text_pdf_outline.h"

#include "book/book_paths.h"

namespace qm {

std::vector<OutlineEntry> TextPdfOutline(const TableOfContents& toc, const std::vector<std::int32_t>& rows,
                                         const std::function<int(const std::string& file)>& chapterOf) {
    std::vector<OutlineEntry> outline;
    for (const std::int32_t row : rows) {
        const TocRow value = toc.Row(row);
        const int chapter = chapterOf(value.link.file);
        if (chapter < 0) {
            continue;
        }
        OutlineEntry entry;
        entry.title = value.title;
        entry.level = value.level;
        entry.chapter = chapter;
        // The engine names a destination after the anchor as the link spells it, escapes decoded.
        entry.destination = PercentDecode(value.link.fragment);
        outline.push_back(entry);
    }
    return outline;
}

DocumentInfo TextPdfInfo(const BookMetadata& book) {
    return {book.title, book.author, book.language, "Quillmark " QUILLMARK_VERSION};
}

} // namespace qm

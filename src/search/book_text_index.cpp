#include "search/book_text_index.h"

#include "book/book_paths.h"
#include "book/chapter_text.h"
#include "book/string_fields.h"
#include "book/table_of_contents.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace qm {

namespace {

// How many bytes of the chapter's text around a match its context shows at most, on each side.
constexpr std::size_t kContextBytes = 48;

bool Inside(const std::filesystem::path& folder, const std::filesystem::path& path) {
    const std::filesystem::path relative = path.lexically_normal().lexically_relative(folder.lexically_normal());
    return !relative.empty() && *relative.begin() != ".." && relative != ".";
}

std::string ReadChapter(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return {};
    }
    return ExtractChapterText(std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>()));
}

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The words around text[start, end): up to kContextBytes either side, cut at a space where one is near, at a
// character's start anyhow, with "…" where the chapter's text goes on.
std::string Context(const std::string& text, std::size_t start, std::size_t end) {
    std::size_t from = start > kContextBytes ? start - kContextBytes : 0;
    std::size_t to = std::min(text.size(), end + kContextBytes);
    if (from > 0) {
        const std::size_t space = text.find(' ', from);
        from = space != std::string::npos && space < start ? space + 1 : from;
        while (from < start && IsContinuationByte(text[from])) {
            ++from;
        }
    }
    if (to < text.size()) {
        const std::size_t space = text.rfind(' ', to);
        to = space != std::string::npos && space >= end ? space : to;
        while (to > end && IsContinuationByte(text[to])) {
            --to;
        }
    }
    return (from > 0 ? "…" : "") + text.substr(from, to - from) + (to < text.size() ? "…" : "");
}

} // namespace

std::vector<IndexedChapter> ChaptersToIndex(const TableOfContents& toc, const std::string& subTempDir,
                                            const std::string& bookFolder) {
    std::vector<IndexedChapter> chapters;
    std::set<std::string> seen;
    for (const std::int32_t row : toc.ChapterRows()) {
        const TocRow value = toc.Row(row);
        const std::string path = subTempDir + PercentDecode(value.link.file);
        // A row that names a file outside the unpacked book is no chapter of it.
        if (!Inside(bookFolder, path) || !seen.insert(std::filesystem::path(path).lexically_normal()).second) {
            continue;
        }
        chapters.push_back({row, value.title, path});
    }
    return chapters;
}

BookTextIndex::BookTextIndex(const std::vector<IndexedChapter>& chapters) {
    chapters_.reserve(chapters.size());
    for (const IndexedChapter& source : chapters) {
        Chapter chapter{source, ReadChapter(source.path), {}};
        chapter.folded = FoldForSearch(chapter.text);
        chapters_.push_back(std::move(chapter));
    }
}

std::vector<TextMatch> BookTextIndex::Find(std::string_view query) const {
    const std::u32string wanted = FoldForSearch(CollapseWhitespace(query)).folded;
    std::vector<TextMatch> matches;
    if (wanted.empty()) {
        return matches;
    }
    for (const Chapter& chapter : chapters_) {
        std::size_t occurrence = 0;
        for (std::size_t at = chapter.folded.folded.find(wanted); at != std::u32string::npos;
             at = chapter.folded.folded.find(wanted, at + wanted.size())) {
            const std::size_t start = chapter.folded.origin[at];
            const std::size_t end = chapter.folded.origin[at + wanted.size()];
            matches.push_back(
                {chapter.source.row, chapter.source.title, Context(chapter.text, start, end), occurrence});
            ++occurrence;
        }
    }
    return matches;
}

} // namespace qm

#include "book/book_contents.h"

#include "book/book_paths.h"
#include "book/chapter_text.h"
#include "book/navigation.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

namespace qm {

namespace {

// How much of a chapter file is read for its <title>: the head comes first.
constexpr std::size_t kHeadBytes = 16 * 1024;

std::string FileOf(const std::string& path) {
    return PercentDecode(SplitChapterLink(path).file);
}

// The text of the file's first <title> element, else its file name.
std::string TitleOfFile(const std::string& folder, const std::string& file) {
    std::ifstream in(folder + file, std::ios::binary);
    std::string head(kHeadBytes, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    std::string lower(head);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    const std::size_t open = lower.find("<title");
    const std::size_t start = open == std::string::npos ? open : lower.find('>', open);
    const std::size_t end = start == std::string::npos ? start : lower.find("</title", start);
    if (end != std::string::npos && lower[start - 1] != '/') {
        std::string title = ExtractChapterText(head.substr(start + 1, end - start - 1));
        if (!title.empty()) {
            return title;
        }
    }
    const std::size_t slash = file.rfind('/');
    return slash == std::string::npos ? file : file.substr(slash + 1);
}

} // namespace

std::vector<ContentsEntry> BookContents(const ReaderState& state, const TableOfContents& toc) {
    // The spine's files in reading order, each with its first row, and each row's exact path.
    std::vector<std::string> spineFiles;
    std::map<std::string, std::int32_t> firstRow;
    std::map<std::string, std::int32_t> rowOfPath;
    for (const std::int32_t row : toc.ChapterRows()) {
        const TocRow value = toc.Row(row);
        const std::string file = FileOf(value.path);
        if (firstRow.emplace(file, row).second) {
            spineFiles.push_back(file);
        }
        rowOfPath.emplace(value.path, row);
    }
    const auto spineIndex = [&](const std::string& file) {
        const auto found = std::find(spineFiles.begin(), spineFiles.end(), file);
        return found == spineFiles.end() ? spineFiles.size() : static_cast<std::size_t>(found - spineFiles.begin());
    };

    const std::vector<NavEntry> navigation = NavigationEntries(state);
    std::set<std::string> named;
    for (const NavEntry& entry : navigation) {
        named.insert(FileOf(entry.path));
    }
    std::vector<ContentsEntry> contents;
    std::size_t nextSpineFile = 0;
    // The unnamed spine files before spine index `before`.
    const auto unnamedUpTo = [&](std::size_t before) {
        for (; nextSpineFile < std::min(before, spineFiles.size()); ++nextSpineFile) {
            const std::string& file = spineFiles[nextSpineFile];
            if (named.count(file) == 0) {
                contents.push_back({0, TitleOfFile(state.subTempDir, file), file, firstRow[file]});
            }
        }
    };
    for (const NavEntry& entry : navigation) {
        const std::string file = FileOf(entry.path);
        const std::size_t index = spineIndex(file);
        if (index < spineFiles.size()) {
            unnamedUpTo(index);
        }
        const auto exact = rowOfPath.find(entry.path);
        const auto first = firstRow.find(file);
        const std::int32_t row = exact != rowOfPath.end() ? exact->second : first != firstRow.end() ? first->second : 0;
        // An entry without a label is named by its file, never left blank.
        contents.push_back(
            {entry.level, entry.title.empty() ? TitleOfFile(state.subTempDir, file) : entry.title, entry.path, row});
    }
    unnamedUpTo(spineFiles.size());
    return contents;
}

} // namespace qm

#include "cli/search_command.h"

#include "book/navigation.h"
#include "cli/opened_book.h"
#include "search/book_text_index.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <iostream>

namespace qm::cli {

namespace {

// A field of a TAB-separated line: its TABs and line breaks are spaces.
std::string Field(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return text;
}

int Print(const std::string& out) {
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 2;
}

} // namespace

int RunSearch(const std::vector<std::string>& args) {
    try {
        const OpenedBook book(args[0]);
        const BookTextIndex index(ChaptersToIndex(book.toc, book.state.subTempDir, book.folders.working().tempDir));
        std::string out;
        const std::vector<TextMatch> matches = index.Find(args[1]);
        for (const TextMatch& match : matches) {
            out += std::to_string(match.row) + '\t' + Field(match.title) + '\t' + Field(match.context) + '\n';
        }
        const int printed = Print(out);
        return printed != 0 ? printed : matches.empty() ? 1 : 0;
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 2;
    }
}

int RunNav(const std::vector<std::string>& args) {
    try {
        const OpenedBook book(args[0]);
        std::string out;
        for (const NavEntry& entry : NavigationEntries(book.state)) {
            out += std::to_string(entry.level) + '\t' + Field(entry.title) + '\t' + Field(entry.path) + '\n';
        }
        return Print(out) == 0 ? 0 : 1;
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
}

} // namespace qm::cli

#include "book/navigation.h"

#include "book/string_fields.h"

#include <charconv>

namespace qm {

std::vector<NavEntry> NavigationEntries(const ReaderState& state) {
    std::vector<NavEntry> entries;
    entries.reserve(state.NavTitleList.size());
    for (const std::string& entry : state.NavTitleList) {
        // "path;title;level": the title may hold ";" itself, and its spaces are stored as "&".
        const std::size_t first = entry.find(';');
        const std::size_t last = entry.rfind(';');
        if (first == std::string::npos || first == last) {
            continue;
        }
        NavEntry value;
        value.path = entry.substr(0, first);
        value.title = ReplaceChar(entry.substr(first + 1, last - first - 1), '&', ' ');
        const char* levelEnd = entry.data() + entry.size();
        if (std::from_chars(entry.data() + last + 1, levelEnd, value.level).ec != std::errc() || value.level < 0) {
            value.level = 0;
        }
        entries.push_back(std::move(value));
    }
    return entries;
}

} // namespace qm

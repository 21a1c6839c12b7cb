#include "convert/chapter_section.h"

#include <algorithm>

namespace qm {

RowSpan ChapterSection(const std::string& fragment, const std::vector<std::string>& fragments,
                       const std::vector<int>& tops, int height) {
    int top = 0;
    if (!fragment.empty()) {
        const auto own = std::find(fragments.begin(), fragments.end(), fragment);
        const auto index = static_cast<std::size_t>(own - fragments.begin());
        if (own == fragments.end() || index >= tops.size() || tops[index] < 0) {
            return {0, height};
        }
        // An anchor at the very end still has a row to show.
        top = std::min(tops[index], height - 1);
    }
    int bottom = height;
    for (const int next : tops) {
        if (next > top && next < bottom) {
            bottom = next;
        }
    }
    return {top, bottom};
}

} // namespace qm

#include "mainwindow/row_of_page.h"

#include "book/book_paths.h"
#include "view/document_type.h"

#include <algorithm>

#include <filesystem>

namespace qm {

namespace {

std::string Normal(const std::string& path) {
    return std::filesystem::path(path).lexically_normal().string();
}

} // namespace

std::int32_t RowOfPage(const TableOfContents& toc, const std::string& subTempDir, const std::string& file,
                       const std::string& fragment) {
    const std::string page = Normal(file);
    // Whether `row` leads into the page's file, and whether to the page's anchor too.
    auto leadsHere = [&](std::int32_t row, bool& sameAnchor) {
        const ChapterLink link = toc.Row(row).link;
        if (link.file.empty()) {
            return false;
        }
        const std::string source = subTempDir + PercentDecode(link.file);
        const std::vector<std::string> names = ShownPaths(source);
        if (std::none_of(names.begin(), names.end(),
                         [&page](const std::string& name) { return Normal(name) == page; })) {
            return false;
        }
        sameAnchor = PercentDecode(link.fragment) == fragment;
        return true;
    };
    std::int32_t sameAnchorRow = -1;
    std::int32_t wholeFileRow = -1;
    std::int32_t firstRow = -1;
    for (std::int32_t row = 1; row < toc.RowCount(); ++row) {
        bool sameAnchor = false;
        if (!leadsHere(row, sameAnchor)) {
            continue;
        }
        if (sameAnchor && sameAnchorRow < 0) {
            sameAnchorRow = row;
        }
        if (wholeFileRow < 0 && toc.Row(row).link.fragment.empty()) {
            wholeFileRow = row;
        }
        if (firstRow < 0) {
            firstRow = row;
        }
    }
    bool currentSameAnchor = false;
    const std::int32_t current = toc.CurrentRow();
    if (current > 0 && leadsHere(current, currentSameAnchor) && (currentSameAnchor || sameAnchorRow < 0)) {
        return current;
    }
    return sameAnchorRow >= 0 ? sameAnchorRow : wholeFileRow >= 0 ? wholeFileRow : firstRow;
}

} // namespace qm

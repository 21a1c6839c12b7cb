#include "view/chapter_display.h"

#include "book/book_paths.h"
#include "view/web_zoom.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>

namespace qm {

namespace {

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

// Renames without replacing: a file that already carries the target name (the book may have both ch.xhtml
// and ch.html) stays, and the rename fails as the program expects it to.
void RenameKeepingTarget(const std::string& source, const std::string& target) {
    renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
}

// True when `path` lies in `folder` once "." and ".." are spelled out (or no book folder is known). The book's
// files were unpacked with their names checked, so a path that stays inside by its words stays inside.
bool InsideFolder(const std::string& folder, const std::string& path) {
    if (folder.empty()) {
        return true;
    }
    const std::filesystem::path relative = std::filesystem::path(path).lexically_normal().lexically_relative(
        std::filesystem::path(folder).lexically_normal());
    return !relative.empty() && *relative.begin() != ".." && relative != ".";
}

} // namespace

std::string ChapterTargetPath(const std::string& sourcePath) {
    std::string target = sourcePath;
    ReplaceAll(target, ".xhtml", ".html");
    ReplaceAll(target, ".xml", ".html");
    return target;
}

void SetBodyBorderStyle(BrowserView& browser, bool sunken) {
    try {
        browser.SetBodyBorderStyle(sunken ? "" : "none");
    } catch (...) {
        // The border is cosmetic; a page that cannot take it is shown as it is.
    }
}

ChapterDisplay::ChapterDisplay(ReaderState& state, TableOfContents& toc, BrowserView& browser,
                               std::function<std::string()> bookPath, std::function<void(const std::string&)> setStatus)
    : state_(state), toc_(toc), browser_(browser), bookPath_(std::move(bookPath)), setStatus_(std::move(setStatus)) {}

void ChapterDisplay::RowSelected(std::int32_t row) {
    if (row == 0) {
        return;
    }
    const TocRow chapter = toc_.Row(row);
    if (!chapter.HasChapter()) {
        state_.flag_complete = 1;
        state_.flag_null = true;
        return;
    }
    setStatus_(bookPath_() + "---" + chapter.title);
    // The path is an href: its anchor goes to the page as an anchor, and on disk its escapes are spelled out.
    const ChapterLink& link = chapter.link;
    const std::string source = state_.subTempDir + PercentDecode(link.file);
    shownChapter_ = link.file;
    loadFailure_.clear();
    state_.flag_null = false;
    if (!InsideFolder(state_.bookFolder, source)) {
        // Refused at once, and nothing outside the book is renamed; the engine would refuse it too, but only
        // when its load time ran out.
        DocumentComplete({false, "refused: it is not a file of the book"});
        return;
    }
    const std::string target = ChapterTargetPath(source);
    RenameKeepingTarget(source, target);
    browser_.Navigate(target, link.fragment);
}

void ChapterDisplay::DocumentComplete(const LoadOutcome& outcome) {
    state_.flag_complete = 1;
    if (outcome.loaded) {
        try {
            ApplyWebZoom(state_, browser_);
            browser_.SetCharSet("utf-8");
            SetBodyBorderStyle(browser_, false);
            return;
        } catch (const PageNotAnswering& error) {
            // A page that loops for ever once loaded would hold every later chapter too.
            loadFailure_ = error.what();
            browser_.Renew();
        }
    } else {
        loadFailure_ = outcome.reason;
    }
    browser_.ShowFailure("\"" + shownChapter_ + "\" could not be shown: " + loadFailure_);
}

void ChapterDisplay::ShowRow(std::int32_t row) {
    state_.flag_complete = 0;
    if (toc_.CurrentRow() == row) {
        RowSelected(row);
    } else {
        toc_.SetCurrentRow(row);
    }
}

bool ChapterDisplay::TakeCompletion() {
    if (state_.flag_complete != 1) {
        return false;
    }
    state_.flag_complete = 0;
    return true;
}

void ChapterDisplay::ClearCompletion() {
    state_.flag_complete = 0;
}

} // namespace qm

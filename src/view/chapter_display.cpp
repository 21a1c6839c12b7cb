#include "view/chapter_display.h"

#include "book/book_paths.h"
#include "diagnostics/log.h"
#include "view/web_zoom.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>

namespace qm {

namespace {

bool Exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

// The name `source` is to be shown under, for the engine to parse it as `type`: the file takes that name on
// disk (links of the book to its old name are led there by the page view). A file that already has that
// name (the book has both ch.xhtml and ch.html) is never replaced: the file is then shown under the name it
// has. A file renamed by an earlier showing is found under that name.
std::string PlaceForShowing(const std::string& source, DocumentType type) {
    const std::string target = ShownPath(source, type);
    std::string current = source;
    for (const std::string& name : ShownPaths(source)) {
        if (Exists(name)) {
            current = name;
            break;
        }
    }
    if (current == target) {
        return target;
    }
    return renameat2(AT_FDCWD, current.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0 ? target : current;
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

std::string ChapterSource(const ReaderState& state, const std::string& file) {
    return state.subTempDir + PercentDecode(file);
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
    const std::string source = ChapterSource(state_, link.file);
    shownChapter_ = link.file;
    loadFailure_.clear();
    state_.flag_null = false;
    if (!InsideFolder(state_.bookFolder, source)) {
        // Refused at once, and nothing outside the book is renamed; the engine would refuse it too, but only
        // when its load time ran out.
        DocumentComplete({false, "refused: it is not a file of the book"});
        return;
    }
    const std::string key = FactsKey(source);
    const auto facts = state_.chapterFacts.find(key);
    DocumentType type = DocumentTypeOf(source, facts == state_.chapterFacts.end() ? "" : facts->second.mediaType);
    if (type == DocumentType::Xhtml && notWellFormed_.contains(key)) {
        type = DocumentType::Html;
    }
    state_.fixedPage = facts != state_.chapterFacts.end() && facts->second.fixedLayout;
    Show(source, type, link.fragment);
}

void ChapterDisplay::Show(const std::string& source, DocumentType type, const std::string& fragment) {
    shownSource_ = source;
    shownFragment_ = fragment;
    const std::string shown = PlaceForShowing(source, type);
    // What the engine parses is decided by the name the file has now.
    shownType_ = DocumentTypeOf(shown, "");
    browser_.Navigate(shown, fragment);
}

void ChapterDisplay::DocumentComplete(const LoadOutcome& outcome) {
    if (outcome.loaded && shownType_ == DocumentType::Xhtml && ShowsXmlError()) {
        // The engine's XML parser shows its error, never the reader: a chapter that is not well-formed XML is
        // shown as HTML, and the load is not complete until then.
        log::Write(log::Area::Book, shownChapter_ + " is not well-formed XML: shown as HTML");
        notWellFormed_.insert(FactsKey(shownSource_));
        Show(shownSource_, DocumentType::Html, shownFragment_);
        return;
    }
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

bool ChapterDisplay::ShowsXmlError() {
    try {
        return browser_.ShowsXmlError();
    } catch (const PageNotAnswering&) {
        // Found out by the handshake that follows.
        return false;
    }
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

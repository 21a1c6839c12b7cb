#include "session/reading_session.h"

#include "diagnostics/log.h"

namespace qm {

ReadingSession::ReadingSession(const Platform& platform, std::function<std::string()> bookPath,
                               std::function<void(const std::string&)> setStatus)
    : browser_(platform.browser), chapters_(state, toc, platform.browser, bookPath, std::move(setStatus)),
      converter_(ConversionContext{state, toc, chapters_, platform.browser, platform.dialogs, platform.window,
                                   platform.pump, std::move(bookPath), [this] { return folders.tempJPG; }}) {
    converter_.metadata = [this] { return Metadata(); };
    // A row chosen is shown, and the page's load completes the handshake; a window may put its own handlers
    // around these.
    toc.SetSelectHandler([this](std::int32_t row) { chapters_.RowSelected(row); });
    browser_.SetDocumentCompleteHandler([this](const LoadOutcome& outcome) { chapters_.DocumentComplete(outcome); });
}

void ReadingSession::Open(const std::string& path, const WorkingFolders& bookFolders) {
    log::Step step(log::Area::Book, "opened " + path);
    folders = bookFolders;
    browser_.SetBookFolder(bookFolders.tempDir);
    OpenBook(path, bookFolders, state, toc, documents);
}

BookMetadata ReadingSession::Metadata() const {
    return ReadBookMetadata(documents.XMLDocument2);
}

} // namespace qm

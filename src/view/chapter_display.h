#pragma once

#include "book/reader_state.h"
#include "book/table_of_contents.h"
#include "platform/ui/browser_view.h"
#include "view/document_type.h"

#include <cstdint>
#include <functional>
#include <set>
#include <string>

namespace qm {

// The path of a chapter file on disk: `file`, a row's path up to its "#", below subTempDir with its %XX escapes
// spelled out.
std::string ChapterSource(const ReaderState& state, const std::string& file);

// Gives the body of the page shown in `browser` the border style "none", or the browser's default border when
// `sunken`. Every error is swallowed: a page without a body simply keeps its border.
void SetBodyBorderStyle(BrowserView& browser, bool sunken);

// The reading view: turns the selected row of the table of contents into a page in the browser view, and
// keeps the load handshake (state.flag_complete, state.flag_null) that the conversion commands wait on. Only
// the reading view writes flag_complete; a conversion shows its rows and awaits them through ShowRow and
// TakeCompletion.
class ChapterDisplay {
public:
    // `bookPath` is the path of the open book, read at each selection; `setStatus` shows the status line.
    ChapterDisplay(ReaderState& state, TableOfContents& toc, BrowserView& browser,
                   std::function<std::string()> bookPath, std::function<void(const std::string&)> setStatus);

    // Row `row` became the selected row (the window's StringGrid1SelectCell). Row 0 (the header) changes
    // nothing. A row without a chapter path sets flag_complete to 1 and flag_null to true and loads nothing.
    // Otherwise the status line shows "<book path>---<title>" and flag_null is cleared; a chapter file
    // (subTempDir + the row's path up to any "#", with its %XX escapes decoded) outside the book's folder is
    // refused at once (as a load that failed). Else the file is shown as the document type it is (its manifest
    // media type, else its name; DocumentTypeOf): under a name whose ending makes the engine parse it so,
    // taken on disk unless another file has it (ShownPath), scrolled to the row's anchor. Throws what the
    // browser throws.
    void RowSelected(std::int32_t row);

    // The top-level document has finished loading (the window's WebBrowser1DocumentComplete). A chapter loaded
    // as XHTML that the engine found not well-formed is loaded again as HTML (and named in the log) before
    // anything else. Then flag_complete becomes 1, the zoom goes on the page, the character set is "utf-8" and
    // the body loses its border. A document that could not be shown is not touched: the view says which file
    // it was and why (LoadFailure). A page that stops answering is left behind for a fresh one and counts as
    // not shown. Any other error of the zoom or the character set propagates (flag_complete is 1 by then).
    void DocumentComplete(const LoadOutcome& outcome);

    // Shows row `row` as a click on it does, for a caller that then awaits its page: flag_complete is cleared,
    // the row becomes the table's current row, which shows it, and a row that is current already is shown
    // again.
    void ShowRow(std::int32_t row);
    // True once the row shown last has loaded (or had nothing to load); the flag is then cleared for the next.
    bool TakeCompletion();
    // Clears flag_complete, as at the start of a conversion.
    void ClearCompletion();

    // Why the chapter selected last could not be shown; empty when it was (or is still loading).
    const std::string& LoadFailure() const { return loadFailure_; }

private:
    ReaderState& state_;
    TableOfContents& toc_;
    BrowserView& browser_;
    std::function<std::string()> bookPath_;
    std::function<void(const std::string&)> setStatus_;
    void Show(const std::string& source, DocumentType type, const std::string& fragment);
    bool ShowsXmlError();

    std::string shownChapter_;
    std::string loadFailure_;
    // The file shown last (as the book names it), its anchor, and how the engine parses it.
    std::string shownSource_;
    std::string shownFragment_;
    DocumentType shownType_ = DocumentType::AsItIs;
    // Files of the book, by FactsKey, that proved not to be well-formed XML: they are shown as HTML.
    std::set<std::string> notWellFormed_;
};

} // namespace qm

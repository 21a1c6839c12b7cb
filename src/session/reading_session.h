#pragma once

#include "book/book_metadata.h"
#include "book/open_book.h"
#include "book/reader_state.h"
#include "book/table_of_contents.h"
#include "book/working_folders.h"
#include "convert/book_converter.h"
#include "convert/conversion_window.h"
#include "platform/ui/browser_view.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/event_pump.h"
#include "view/chapter_display.h"

#include <functional>
#include <string>

namespace qm {

// What reading a book takes, apart from any window: the open book (its documents and working folders), the
// reader's state and table of contents, the chapter display and the converter, all over the platform's page
// view, dialogs, conversion window and event queue. The main window holds one and adds its commands and its
// look; the conversion program holds one over a page view of its own.
class ReadingSession {
public:
    struct Platform {
        BrowserView& browser;
        Dialogs& dialogs;
        ConversionWindow& window;
        EventPump& pump;
    };

    // `bookPath` gives the path of the open book (the open dialog's file name, in the window); `setStatus` is
    // told "<book>---<title>" for each chapter shown. All of it must outlive the session. The session shows a
    // row when the table's current row changes, and hears of the page's loads; a window may put handlers of its
    // own around both (TableOfContents::SetSelectHandler, BrowserView::SetDocumentCompleteHandler).
    ReadingSession(const Platform& platform, std::function<std::string()> bookPath,
                   std::function<void(const std::string&)> setStatus);
    ReadingSession(const ReadingSession&) = delete;
    ReadingSession& operator=(const ReadingSession&) = delete;

    ReaderState state;
    TableOfContents toc;
    BookDocuments documents;
    // The open book's working folders (empty before the first opening).
    WorkingFolders folders;

    ChapterDisplay& Chapters() { return chapters_; }
    BookConverter& Converter() { return converter_; }

    // Opens the book at `path` into `bookFolders` (OpenBook): unpacked, its navigation map and package file read,
    // the table filled; from now on a page may reach this book's files and nothing else. Throws as OpenBook does.
    void Open(const std::string& path, const WorkingFolders& bookFolders);

    // The book's title, author and language from its package file (empty fields when not set).
    BookMetadata Metadata() const;

private:
    BrowserView& browser_;
    ChapterDisplay chapters_;
    BookConverter converter_;
};

} // namespace qm

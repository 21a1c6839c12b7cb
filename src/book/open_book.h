#pragma once

#include "book/reader_state.h"
#include "book/table_of_contents.h"
#include "book/working_folders.h"
#include "platform/xml/xml_document.h"

#include <string>

namespace qm {

// The two documents an opening reads; each keeps its content (and the path it loaded last) until the next
// opening replaces it.
struct BookDocuments {
    XmlDocument XMLDocument1; // navigation file
    XmlDocument XMLDocument2; // package file
};

// The heart of the open command, everything between choosing the file and showing the first chapter: blanks
// the table and clears the reader state, resets both working folders, unpacks `bookPath` into
// folders.tempDir, restores the book's obfuscated fonts, finds and reads the navigation and package files, and
// fills the table (header row and one row per spine reference). Errors are thrown as std::runtime_error with the
// text the user is shown; what the steps before the failing one did stays done. A font that cannot be restored
// is no error: it stays as it was (see DeobfuscateFonts) and the page shows a fallback font in its place. A
// book without a navigation map or package file that the search can find, or whose package lists no spine
// reference, fails with a text that names the book and what it lacks (`"<book>" has no chapters: its package
// file lists no spine items`).
void OpenBook(const std::string& bookPath, const WorkingFolders& folders, ReaderState& state, TableOfContents& toc,
              BookDocuments& documents);

// Opens `bookPath` as OpenBook does, into folders of its own below the temporary folder that are removed
// afterwards, and throws what OpenBook would: whether the book opens is known before the book open now is
// closed.
void CheckBookOpens(const std::string& bookPath);

} // namespace qm

#pragma once

#include "book/open_book.h"
#include "cli/private_folders.h"

#include <string>

namespace qm::cli {

// A book opened as the window's open command does, in private folders removed with it.
struct OpenedBook {
    explicit OpenedBook(const std::string& path) { OpenBook(path, folders.working(), state, toc, documents); }

    PrivateFolders folders;
    ReaderState state;
    TableOfContents toc;
    BookDocuments documents;
};

} // namespace qm::cli

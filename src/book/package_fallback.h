#pragma once

#include "book/reader_state.h"
#include "book/table_of_contents.h"
#include "platform/xml/xml_document.h"

#include <string>

namespace qm {

// When the navigation map gave no entry (there is none, or its map is empty), fills DirIDList and NavTitleList
// from the table of contents of the navigation document that `package` (the package file at `packageFile`,
// relative to `tempDir`) names, with paths relative to the package's folder. Nothing when it names none.
void ReadNavDocumentForEmptyMap(const std::string& tempDir, const std::string& packageFile, const XmlDocument& package,
                                ReaderState& state);

// True when the unpacked book has META-INF/container.xml.
bool HasContainerFile(const std::string& tempDir);

// Reads a book whose navigation map the plain search cannot pair with a package file (no NCX at all, as in
// many EPUB 3 books, or an NCX below the package file's folder). The package file is the container's first
// root file and its folder becomes subTempDir. DirIDList is filled from the NCX that the manifest lists, or
// else from the navigation document's table of contents, with content paths relative to the package folder,
// so the package walk then numbers, titles and indents the spine rows as usual (a link's level is how deep the
// navigation document's lists nest it).
void ReadPackageThroughContainer(const std::string& tempDir, ReaderState& state, TableOfContents& toc,
                                 XmlDocument& navigationDocument, XmlDocument& packageDocument);

} // namespace qm

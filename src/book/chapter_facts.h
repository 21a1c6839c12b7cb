#pragma once

#include "platform/xml/xml_document.h"

#include <map>
#include <string>

namespace qm {

// What the package file says of a file that a row may show.
struct ChapterFacts {
    // The manifest's media type ("application/xhtml+xml", "text/html", "image/svg+xml", ...), as written.
    std::string mediaType;
    // A page of fixed layout (rendition:layout "pre-paginated", for the book or for its spine item): it has a
    // size of its own (its viewport meta), rather than flowing to the reader's width.
    bool fixedLayout = false;
};

// The facts of every file of the manifest of `package` (loaded from `packagePath`), by the file's absolute
// path with "." and ".." spelled out and its %XX escapes decoded (see FactsKey). Empty for an empty document.
std::map<std::string, ChapterFacts> ReadChapterFacts(const XmlDocument& package, const std::string& packagePath);

// The key of a file's facts: its absolute path, normal.
std::string FactsKey(const std::string& path);

} // namespace qm

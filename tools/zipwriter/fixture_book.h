#pragma once

#include "zipwriter/zip_writer.h"

#include <string>
#include <vector>

namespace qm {

// A file of a fixture book: its path below the package folder OEBPS/ and its content. A spine item also has a
// title (its navigation entry; none when empty) and a media type.
struct FixtureFile {
    std::string href;
    std::string content;
    std::string title;
    std::string mediaType = "application/xhtml+xml";
    // The navigation entry's depth: an entry nests in the nearest earlier one of a smaller depth.
    int level = 0;
};

// The members of a book whose package file is OEBPS/content.opf: the stored mimetype, META-INF/container.xml
// pointing at it, then `rest` (the package file among them, or not).
std::vector<ZipMember> WithContainer(std::vector<ZipMember> rest);

// The members of an EPUB 2 book: mimetype, the container, OEBPS/content.opf (title "Fixture Book", author "Ann
// Writer", language "en") with `spine` in its manifest and spine in order, OEBPS/toc.ncx with one navigation entry per
// titled spine item, then every file of `spine` and `others`. A spine href may carry a "#fragment": the file goes in
// once, each such href gets its own spine reference through an item of its own.
std::vector<ZipMember> FixtureEpub(const std::vector<FixtureFile>& spine, const std::vector<FixtureFile>& others = {});

// An XHTML page with `body` as the body's content and `style` in a style element of its head.
std::string FixturePage(const std::string& body, const std::string& style = "body{margin:0}");

} // namespace qm

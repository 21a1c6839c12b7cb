#pragma once

#include <string>
#include <vector>

namespace qm {

// How the engine is to parse a chapter file. The engine picks its parser from the ending of a file's name.
enum class DocumentType {
    Xhtml,  // the XML parser: self-closed tags close, no quirks mode
    Html,   // the HTML parser
    AsItIs, // a picture, an SVG document, anything else: shown under its own name
};

// The type a chapter file is: as its manifest media type says ("application/xhtml+xml", "text/html"), else as
// its name's ending says (".xhtml", ".xht", ".xml"; ".html", ".htm"; in any letter case).
DocumentType DocumentTypeOf(const std::string& path, const std::string& mediaType);

// The name under which the engine parses `path` as `type`: `path` itself when its ending says so already, else
// `path` with the ending of its file name replaced by ".xhtml" or ".html" (added to a name without one).
std::string ShownPath(const std::string& path, DocumentType type);

// Every name a chapter file may be shown under: its own, and with the XHTML and the HTML ending.
std::vector<std::string> ShownPaths(const std::string& path);

} // namespace qm

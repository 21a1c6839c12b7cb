#include "view/document_type.h"

#include "book/string_fields.h"

namespace qm {

namespace {

constexpr const char* kXhtmlEndings[] = {".xhtml", ".xht", ".xml"};
constexpr const char* kHtmlEndings[] = {".html", ".htm"};

// Where the ending of the path's file name begins (its last dot), or npos when it has none.
std::size_t EndingStart(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.find_last_of('.');
    return dot == std::string::npos || dot <= nameStart ? std::string::npos : dot;
}

template <std::size_t N>
bool EndsWithOneOf(const std::string& path, const char* const (&endings)[N]) {
    const std::size_t dot = EndingStart(path);
    if (dot == std::string::npos) {
        return false;
    }
    for (const char* ending : endings) {
        if (EqualsIgnoringCase(std::string_view(path).substr(dot), ending)) {
            return true;
        }
    }
    return false;
}

std::string WithEnding(const std::string& path, const char* ending) {
    const std::size_t dot = EndingStart(path);
    return (dot == std::string::npos ? path : path.substr(0, dot)) + ending;
}

} // namespace

DocumentType DocumentTypeOf(const std::string& path, const std::string& mediaType) {
    if (mediaType == "application/xhtml+xml") {
        return DocumentType::Xhtml;
    }
    if (mediaType == "text/html") {
        return DocumentType::Html;
    }
    if (!mediaType.empty()) {
        return DocumentType::AsItIs;
    }
    return EndsWithOneOf(path, kXhtmlEndings)  ? DocumentType::Xhtml
           : EndsWithOneOf(path, kHtmlEndings) ? DocumentType::Html
                                               : DocumentType::AsItIs;
}

std::string ShownPath(const std::string& path, DocumentType type) {
    if (type == DocumentType::Xhtml && !EndsWithOneOf(path, kXhtmlEndings)) {
        return WithEnding(path, ".xhtml");
    }
    if (type == DocumentType::Html && !EndsWithOneOf(path, kHtmlEndings)) {
        return WithEnding(path, ".html");
    }
    return path;
}

std::vector<std::string> ShownPaths(const std::string& path) {
    std::vector<std::string> paths{path};
    for (const DocumentType type : {DocumentType::Xhtml, DocumentType::Html}) {
        if (const std::string shown = ShownPath(path, type); shown != path) {
            paths.push_back(shown);
        }
    }
    return paths;
}

} // namespace qm

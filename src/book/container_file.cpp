#include "book/container_file.h"

#include "book/book_paths.h"
#include "book/xml_walk.h"
#include "platform/xml/xml_document.h"

#include <exception>

namespace qm {

namespace {

// A value of the book as it appears in a message: a hostile book may make it megabytes long.
std::string Quoted(const std::string& value) {
    constexpr std::size_t kMaxShown = 80;
    return "\"" + (value.size() <= kMaxShown ? value : value.substr(0, kMaxShown) + "...") + "\"";
}

} // namespace

PackageRoot ReadContainerFile(const std::string& tempDir) {
    XmlDocument container;
    try {
        container.LoadFromFile(tempDir + "/" + kContainerPath);
    } catch (const std::exception& error) {
        return {{}, error.what()};
    }
    std::string path;
    ForEachElement(container.DocumentElement(), [&path](const XmlNode& element) {
        if (path.empty() && LocalName(element.NodeName()) == "rootfile") {
            path = AttributeText(element, "full-path");
        }
    });
    if (path.empty()) {
        return {{}, std::string("No package file is named in ") + kContainerPath};
    }
    if (!StaysInside(path)) {
        return {{}, "The package file " + Quoted(path) + " named in " + kContainerPath + " lies outside the book"};
    }
    return {path, {}};
}

} // namespace qm

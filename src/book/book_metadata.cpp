#include "book/book_metadata.h"

#include "book/xml_walk.h"

namespace qm {

namespace {

// Text as a reader sees it: runs of whitespace one space, none at the ends. Titles are bounded, since a
// hostile book may make them megabytes long and they go into every document made of it.
std::string Collapsed(const std::string& text) {
    constexpr std::size_t kMaxLength = 1000;
    std::string out;
    bool space = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            space = !out.empty();
            continue;
        }
        if (space) {
            out += ' ';
            space = false;
        }
        out += c;
        if (out.size() >= kMaxLength) {
            break;
        }
    }
    return out;
}

} // namespace

BookMetadata ReadBookMetadata(const XmlDocument& package) {
    BookMetadata metadata;
    const XmlNode root = package.DocumentElement();
    if (!root) {
        return metadata;
    }
    ForEachElement(root, [&](const XmlNode& element) {
        const std::string name = LocalName(element.NodeName());
        if (name != "title" && name != "creator" && name != "language") {
            return;
        }
        const XmlNode parent = element.Parent();
        if (!parent || LocalName(parent.NodeName()) != "metadata") {
            return;
        }
        const std::string text = Collapsed(element.Text());
        if (text.empty()) {
            return;
        }
        if (name == "title" && metadata.title.empty()) {
            metadata.title = text;
        } else if (name == "language" && metadata.language.empty()) {
            metadata.language = text;
        } else if (name == "creator" && metadata.author.size() < 1000) {
            metadata.author += (metadata.author.empty() ? "" : ", ") + text;
        }
    });
    return metadata;
}

} // namespace qm

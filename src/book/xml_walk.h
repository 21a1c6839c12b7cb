#pragma once

#include "platform/xml/xml_document.h"

#include <string>

namespace qm {

// Calls `visit` for `root` and then for every node below it in document order, each element before its
// children, exactly as a recursive walk that descends into every child of every element would. It follows
// the parent links instead of recursing, so that a hostile file nested millions of elements deep cannot
// exhaust the stack. Nodes of the document outside `root` are not visited.
template <typename Visit>
void ForEachInDocumentOrder(const XmlNode& root, Visit&& visit) {
    XmlNode node = root;
    while (node) {
        visit(node);
        if (node.IsElement() && node.FirstChild()) {
            node = node.FirstChild();
            continue;
        }
        while (node != root && !node.NextSibling()) {
            node = node.Parent();
        }
        if (node == root) {
            return;
        }
        node = node.NextSibling();
    }
}

// The name of an element or attribute without its prefix: "dc:title" gives "title". Books bind their
// namespaces to prefixes of every kind, so elements are matched by this.
inline std::string LocalName(const std::string& qualified) {
    const std::size_t colon = qualified.find(':');
    return colon == std::string::npos ? qualified : qualified.substr(colon + 1);
}

// The value of the attribute named exactly `name`; empty when the element has none.
inline std::string AttributeText(const XmlNode& element, const std::string& name) {
    for (XmlAttribute attribute = element.FirstAttribute(); attribute; attribute = attribute.Next()) {
        if (attribute.Name() == name) {
            return attribute.Text();
        }
    }
    return {};
}

// ForEachInDocumentOrder for the elements only.
template <typename Visit>
void ForEachElement(const XmlNode& root, Visit&& visit) {
    ForEachInDocumentOrder(root, [&visit](const XmlNode& node) {
        if (node.IsElement()) {
            visit(node);
        }
    });
}

} // namespace qm

#pragma once

#include "platform/xml/xml_document.h"

#include <string>

namespace qm {

// What a walk does after a node: goes into its children (an element's), passes over them, or ends.
enum class WalkStep { Into, Over, Stop };

// Walks `root` and every node below it in document order, as a recursive walk would: `enter(node)` is called
// for each node and says where to go next (WalkStep); `leave(element)` is called for each element entered with
// WalkStep::Into, after its children. It follows the parent links instead of recursing, so that a hostile file
// nested millions of elements deep cannot exhaust the stack. Nodes of the document outside `root` are not
// visited.
template <typename Enter, typename Leave>
void WalkInDocumentOrder(const XmlNode& root, Enter&& enter, Leave&& leave) {
    XmlNode node = root;
    while (node) {
        const WalkStep step = enter(node);
        if (step == WalkStep::Stop) {
            return;
        }
        if (step == WalkStep::Into && node.IsElement()) {
            if (node.FirstChild()) {
                node = node.FirstChild();
                continue;
            }
            leave(node);
        }
        while (node != root && !node.NextSibling()) {
            node = node.Parent();
            leave(node);
        }
        if (node == root) {
            return;
        }
        node = node.NextSibling();
    }
}

// Calls `visit` for `root` and then for every node below it in document order, each element before its
// children (WalkInDocumentOrder into every element).
template <typename Visit>
void ForEachInDocumentOrder(const XmlNode& root, Visit&& visit) {
    WalkInDocumentOrder(
        root,
        [&visit](const XmlNode& node) {
            visit(node);
            return WalkStep::Into;
        },
        [](const XmlNode&) {});
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

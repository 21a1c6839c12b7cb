#pragma once

#include "platform/xml_document.h"

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

} // namespace qm

#pragma once

#include "book/reader_state.h"
#include "book/table_of_contents.h"
#include "platform/xml/xml_document.h"

#include <string>

namespace qm {

// Walks the package document below `node` (the root element of a loaded OPF).
// Manifest items (elements named "item" or "opf:item" in any letter case) append "id;href" to
// state.SubIDList at whichever of the two attributes comes second; an element whose name contains
// "manifest" (case-sensitive) clears the pending item.
// Each "idref" attribute of an element whose lower-cased name contains "itemref" appends a row to `toc`
// (state.spineIndex counts them; the row count becomes spineIndex + 1) and fills it: from the navigation
// entry of state.DirIDList whose content path equals the item's href (number, title with "&" as " ", path),
// else with the href as path and as title the label of the first entry of state.NavTitleList that leads into
// the same file (fragments aside), or the idref when none does. A reference that names no manifest item by its
// id, or whose navigation entry is found by token but names another path, leaves its row blank.
// Without any spine reference the row count is not touched. Throws std::runtime_error when the rows would hold
// more than 64 MiB of text; reports nothing else.
// Each row titled by a navigation entry gets that entry's level (TableOfContents::Level): the last field of the
// state.NavTitleList entry that names the row's path exactly, or of the one that lent the row its title.
void ReadOpfNode(ReaderState& state, TableOfContents& toc, const XmlNode& node);

// The book's title as its package gives it: the text of the first element named "title" in any letter case and
// with any prefix (dc:title, as a rule) whose parent's name ends in "metadata", whitespace collapsed. Empty when
// there is none. `node` is the root element of a loaded OPF.
std::string PackageTitle(const XmlNode& node);

} // namespace qm

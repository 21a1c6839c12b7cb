#pragma once

#include "book/reader_state.h"
#include "platform/xml/xml_document.h"

namespace qm {

// Walks the navigation map below `node` (the root element of a loaded NCX) and appends an entry
// "playorder;id;content path;title" to state.DirIDList each time a play order, an id and a content path
// are pending together. The pending values live in `state` and carry over between navigation points, so
// what an entry holds follows from the order of elements and attributes in the file:
//  - an element that is a text element makes its text, spaces as "&", the pending title (NowText);
//  - the element visited right after one named exactly "docTitle" or "docAuthor" discards everything pending;
//  - only elements named "navpoint" (id, playorder) and "content" (any attribute as the path), in any letter
//    case and without a prefix, supply values; the entry is completed at the attribute that makes all three
//    present, after which the play order stays marked present.
// Besides, each such navigation point with a content "src" appends "src;label;level" to state.NavTitleList: its
// label's text (less that of points nested in the label) with whitespace collapsed and spaces as "&", whatever
// its attributes, and its nesting level, the number of navigation points it lies in (0 at the top of the map).
// Reports nothing; the table of contents is not touched.
void ReadNcxNode(ReaderState& state, const XmlNode& node);

} // namespace qm

#include "book/ncx_reader.h"

#include "book/string_fields.h"
#include "book/xml_walk.h"

namespace qm {

namespace {

void DiscardPendingEntry(ReaderState& state) {
    state.NowText.clear();
    state.playorder.clear();
    state.DirID.clear();
    state.DirContent.clear();
    state.flag_DirID = false;
    state.flag_Content = false;
    state.flag_playorder = false;
}

void CompleteEntryIfReady(ReaderState& state) {
    if (!state.flag_DirID || !state.flag_Content || !state.flag_playorder) {
        return;
    }
    state.DirIDList.push_back(state.playorder + ";" + state.DirID + ";" + state.DirContent + ";" + state.NowText);
    state.NowText.clear();
    state.playorder.clear();
    state.DirID.clear();
    state.DirContent.clear();
    state.flag_DirID = false;
    state.flag_Content = false;
}

void VisitNcxNode(ReaderState& state, const XmlNode& node) {
    if (!node.IsElement()) {
        return;
    }
    if (node.IsTextElement()) {
        state.NowText = ReplaceChar(node.Text(), ' ', '&');
    }
    // Runs after the text was taken, so the title and author text that follow their element is thrown away.
    if (state.lastNodeName == "docTitle" || state.lastNodeName == "docAuthor") {
        DiscardPendingEntry(state);
    }
    state.lastNodeName = node.NodeName();

    const std::string name = LowerCaseAsciiLetters(node.NodeName());
    for (XmlAttribute attr = node.FirstAttribute(); attr; attr = attr.Next()) {
        if (name == "navpoint") {
            const std::string attrName = LowerCaseAsciiLetters(attr.Name());
            if (attrName == "id") {
                state.DirID = attr.Text();
                state.flag_DirID = true;
            } else if (attrName == "playorder") {
                state.playorder = attr.Text();
                state.flag_playorder = true;
            }
        } else if (name == "content") {
            state.DirContent = attr.Text();
            state.flag_Content = true;
        }
        CompleteEntryIfReady(state);
    }
}

} // namespace

void ReadNcxNode(ReaderState& state, const XmlNode& node) {
    ForEachInDocumentOrder(node, [&state](const XmlNode& visited) { VisitNcxNode(state, visited); });
}

} // namespace qm

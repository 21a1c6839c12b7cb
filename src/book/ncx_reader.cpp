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

XmlNode FirstChildNamed(const XmlNode& parent, const std::string& lowerCaseName) {
    for (XmlNode child = parent.FirstChild(); child; child = child.NextSibling()) {
        if (child.IsElement() && LowerCaseAsciiLetters(child.NodeName()) == lowerCaseName) {
            return child;
        }
    }
    return {};
}

// The text of a point's label without the text of points nested in it. Real labels hold only their text; a
// hostile map that nests points in labels would otherwise make every point copy all the labels below it, and
// memory and time would grow with the square of the file's size.
bool IsNavPoint(const XmlNode& node) {
    return node.IsElement() && LowerCaseAsciiLetters(node.NodeName()) == "navpoint";
}

std::string LabelText(const XmlNode& label) {
    std::string text;
    if (!label) {
        return text;
    }
    WalkInDocumentOrder(
        label,
        [&text](const XmlNode& node) {
            if (node.IsText() || node.IsCData()) {
                text += node.Text();
            }
            return IsNavPoint(node) ? WalkStep::Over : WalkStep::Into;
        },
        [](const XmlNode&) {});
    return text;
}

// The point's own label and path, read from its children rather than from the pending values, so that a point
// without a play order or an id still names its file and its title; `level` counts the points it lies in.
void AppendNavPointTitle(ReaderState& state, const XmlNode& navPoint, int level) {
    std::string path;
    if (const XmlNode content = FirstChildNamed(navPoint, "content")) {
        for (XmlAttribute attr = content.FirstAttribute(); attr; attr = attr.Next()) {
            if (LowerCaseAsciiLetters(attr.Name()) == "src") {
                path = attr.Text();
                break;
            }
        }
    }
    if (path.empty()) {
        return;
    }
    const std::string title = CollapseWhitespace(LabelText(FirstChildNamed(navPoint, "navlabel")));
    state.NavTitleList.push_back(path + ";" + ReplaceChar(title, ' ', '&') + ";" + std::to_string(level));
}

void VisitNcxNode(ReaderState& state, const XmlNode& node, int level) {
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
    if (name == "navpoint") {
        AppendNavPointTitle(state, node, level);
    }
}

} // namespace

void ReadNcxNode(ReaderState& state, const XmlNode& node) {
    // Counting on the way down and up the navigation points that enclose the node visited: a parent walk for
    // each point would cost a hostile map nested n deep n * n steps.
    int level = 0;
    WalkInDocumentOrder(
        node,
        [&](const XmlNode& visited) {
            VisitNcxNode(state, visited, level);
            level += IsNavPoint(visited) ? 1 : 0;
            return WalkStep::Into;
        },
        [&level](const XmlNode& left) { level -= IsNavPoint(left) ? 1 : 0; });
}

} // namespace qm

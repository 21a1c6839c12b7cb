#include "book/opf_reader.h"

#include "book/string_fields.h"
#include "book/xml_walk.h"

#include <stdexcept>
#include <string>
#include <unordered_map>

namespace qm {

namespace {

// One walk of a package document. The lists are searched through indexes built as the walk goes: the
// manifest list only grows during the walk and the navigation list does not change.
class OpfWalk {
public:
    OpfWalk(ReaderState& state, TableOfContents& toc)
        : state_(state), toc_(toc), manifest_(state.SubIDList), navigation_(state.DirIDList) {}

    void Visit(const XmlNode& node) {
        if (!node.IsElement()) {
            return;
        }
        const std::string nameAsWritten = node.NodeName();
        if (nameAsWritten.find("manifest") != std::string::npos) {
            state_.SubStrHref.clear();
            state_.SubID.clear();
            state_.flag_href = false;
            state_.flag_subID = false;
        }
        const std::string name = LowerCaseAsciiLetters(nameAsWritten);
        const bool isItem = name == "item" || name == "opf:item";
        const bool isItemRef = name.find("itemref") != std::string::npos;
        for (XmlAttribute attr = node.FirstAttribute(); attr; attr = attr.Next()) {
            const std::string attrName = LowerCaseAsciiLetters(attr.Name());
            if (isItem) {
                TakeItemAttribute(attrName, attr.Text());
            } else if (isItemRef && attrName == "idref") {
                AppendSpineRow(attr.Text());
            }
        }
    }

private:
    void TakeItemAttribute(const std::string& attrName, const std::string& text) {
        if (attrName == "href") {
            state_.SubStrHref = text;
            state_.flag_href = true;
        } else if (attrName == "id") {
            state_.SubID = text;
            state_.flag_subID = true;
        }
        if (state_.flag_href && state_.flag_subID) {
            state_.flag_href = false;
            state_.flag_subID = false;
            state_.SubIDList.push_back(state_.SubID + ";" + state_.SubStrHref);
            state_.SubStrHref.clear();
            state_.SubID.clear();
        }
    }

    void AppendSpineRow(const std::string& ref) {
        ++state_.spineIndex;
        toc_.SetRowCount(state_.spineIndex + 1);
        const std::int32_t row = state_.spineIndex;

        const int item = manifest_.Find(ref);
        if (item == -1) {
            return;
        }
        const std::string& itemEntry = state_.SubIDList[static_cast<std::size_t>(item)];
        // The token may have matched the item's href rather than its id.
        if (GetField(itemEntry, 0) != ref) {
            return;
        }
        const std::string href = GetField(itemEntry, 1);
        const int entry = navigation_.Find(href);
        if (entry == -1) {
            const std::string* title = TitleOfFile(href);
            SetCell(1, row, title ? *title : ref);
            SetCell(2, row, href);
            return;
        }
        const std::string& navEntry = state_.DirIDList[static_cast<std::size_t>(entry)];
        if (GetField(navEntry, 2) != href) {
            return;
        }
        SetCell(0, row, GetField(navEntry, 0));
        SetCell(1, row, ReplaceChar(GetField(navEntry, 3), '&', ' '));
        SetCell(2, row, GetField(navEntry, 2));
    }

    // The title that a reader sees for a file that no navigation entry names exactly: the label of the first
    // navigation entry that leads into it, at any place. Paths are compared as the exact lookup compares them
    // (as written, trimmed, case-sensitive), each without its fragment; an entry without a title is passed over.
    // Null when no entry leads into the file.
    const std::string* TitleOfFile(const std::string& href) {
        if (!fileTitlesRead_) {
            fileTitlesRead_ = true;
            for (const std::string& entry : state_.NavTitleList) {
                std::string title = ReplaceChar(GetField(entry, 1), '&', ' ');
                if (!title.empty()) {
                    fileTitles_.try_emplace(WithoutFragment(GetField(entry, 0)), std::move(title));
                }
            }
        }
        const auto found = fileTitles_.find(WithoutFragment(href));
        return found == fileTitles_.end() ? nullptr : &found->second;
    }

    static std::string WithoutFragment(const std::string& path) { return path.substr(0, path.find('#')); }

    // Every spine reference copies its title and path into its row, so a small hostile package (a huge label
    // and many references to one item) could ask for gigabytes; the table is refused beyond a size no real
    // book comes near.
    void SetCell(int col, std::int32_t row, std::string text) {
        tableText_ += text.size();
        if (tableText_ > kMaxTableText) {
            throw std::runtime_error("The table of contents of this book holds more than " +
                                     std::to_string(kMaxTableText >> 20) + " MiB of text");
        }
        toc_.SetCell(col, row, std::move(text));
    }

    static constexpr std::size_t kMaxTableText = 64u << 20;
    std::size_t tableText_ = 0;

    ReaderState& state_;
    TableOfContents& toc_;
    FieldIndex manifest_;
    FieldIndex navigation_;
    bool fileTitlesRead_ = false;
    std::unordered_map<std::string, std::string> fileTitles_;
};

} // namespace

void ReadOpfNode(ReaderState& state, TableOfContents& toc, const XmlNode& node) {
    OpfWalk walk(state, toc);
    ForEachInDocumentOrder(node, [&walk](const XmlNode& visited) { walk.Visit(visited); });
}

} // namespace qm

#include "book/opf_reader.h"

#include "book/string_fields.h"
#include "book/xml_walk.h"

#include <algorithm>
#include <charconv>
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
            const FileTitle* title = TitleOfFile(href);
            SetCell(1, row, title ? title->title : ref);
            SetCell(2, row, href);
            toc_.SetLevel(row, title ? title->level : 0);
            return;
        }
        const std::string& navEntry = state_.DirIDList[static_cast<std::size_t>(entry)];
        if (GetField(navEntry, 2) != href) {
            return;
        }
        SetCell(0, row, GetField(navEntry, 0));
        SetCell(1, row, ReplaceChar(GetField(navEntry, 3), '&', ' '));
        SetCell(2, row, GetField(navEntry, 2));
        toc_.SetLevel(row, LevelOfPath(href));
    }

    struct FileTitle {
        std::string title;
        int level = 0;
    };

    // The title that a reader sees for a file that no navigation entry names exactly: the label of the first
    // navigation entry that leads into it, at any place, with that entry's level. Paths are compared as the
    // exact lookup compares them (as written, trimmed, case-sensitive), each without its fragment; an entry
    // without a title is passed over. Null when no entry leads into the file.
    const FileTitle* TitleOfFile(const std::string& href) {
        ReadNavigationTitles();
        const auto found = fileTitles_.find(WithoutFragment(href));
        return found == fileTitles_.end() ? nullptr : &found->second;
    }

    // The level of the navigation entry that names `path` exactly. The entry of DirIDList that titles a row is
    // the last one naming its path, completed inside the point whose own path it is, so the last point with
    // that path gives the level; 0 when none has it.
    int LevelOfPath(const std::string& path) {
        ReadNavigationTitles();
        const auto found = pathLevels_.find(path);
        return found == pathLevels_.end() ? 0 : found->second;
    }

    void ReadNavigationTitles() {
        if (navigationTitlesRead_) {
            return;
        }
        navigationTitlesRead_ = true;
        for (const std::string& entry : state_.NavTitleList) {
            const std::string path = GetField(entry, 0);
            const int level = EntryLevel(entry);
            pathLevels_.insert_or_assign(path, level);
            std::string title = ReplaceChar(GetField(entry, 1), '&', ' ');
            if (!title.empty()) {
                fileTitles_.try_emplace(WithoutFragment(path), FileTitle{std::move(title), level});
            }
        }
    }

    // The level is the last of an entry's three or more fields ("path;title;level", and the title may hold
    // ";" itself); an entry of two fields, or a last field that is no number, gives 0.
    static int EntryLevel(const std::string& entry) {
        const std::size_t first = entry.find(';');
        const std::size_t last = entry.rfind(';');
        if (first == std::string::npos || first == last) {
            return 0;
        }
        const std::string field = Trim(std::string_view(entry).substr(last + 1));
        int level = 0;
        const auto parsed = std::from_chars(field.data(), field.data() + field.size(), level);
        return parsed.ec == std::errc() && parsed.ptr == field.data() + field.size() ? std::max(level, 0) : 0;
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
    bool navigationTitlesRead_ = false;
    std::unordered_map<std::string, FileTitle> fileTitles_;
    std::unordered_map<std::string, int> pathLevels_;
};

} // namespace

std::string PackageTitle(const XmlNode& node) {
    auto localName = [](const XmlNode& element) {
        const std::string name = LowerCaseAsciiLetters(element.NodeName());
        return name.substr(name.find(':') + 1);
    };
    std::string title;
    bool found = false;
    ForEachInDocumentOrder(node, [&](const XmlNode& visited) {
        if (found || !visited.IsElement() || localName(visited) != "title") {
            return;
        }
        const XmlNode parent = visited.Parent();
        const std::string parentName = parent.IsElement() ? localName(parent) : std::string();
        if (parentName.size() >= 8 && parentName.compare(parentName.size() - 8, 8, "metadata") == 0) {
            found = true;
            title = CollapseWhitespace(visited.Text());
        }
    });
    return title;
}

void ReadOpfNode(ReaderState& state, TableOfContents& toc, const XmlNode& node) {
    OpfWalk walk(state, toc);
    ForEachInDocumentOrder(node, [&walk](const XmlNode& visited) { walk.Visit(visited); });
}

} // namespace qm

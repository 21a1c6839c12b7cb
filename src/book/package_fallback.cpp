#include "book/package_fallback.h"

#include "book/book_paths.h"
#include "book/container_file.h"
#include "book/file_search.h"
#include "book/ncx_reader.h"
#include "book/opf_reader.h"
#include "book/string_fields.h"
#include "book/xml_walk.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace qm {

namespace {

// A title longer than this is cut: no reader needs more, and a hostile document could otherwise make every
// nested link carry all the text below it.
constexpr std::size_t kMaxTitleLength = 1000;

struct ManifestGuide {
    std::string ncxHref; // relative to the package folder
    std::string navHref;
};

ManifestGuide ScanManifest(const XmlNode& packageRoot) {
    std::string spineToc;
    std::vector<std::pair<std::string, std::string>> ncxItems; // id, href
    ManifestGuide guide;
    ForEachElement(packageRoot, [&](const XmlNode& element) {
        const std::string name = LocalName(element.NodeName());
        if (name == "spine") {
            spineToc = AttributeText(element, "toc");
        } else if (name == "item") {
            const std::string href = AttributeText(element, "href");
            if (AttributeText(element, "media-type") == "application/x-dtbncx+xml") {
                ncxItems.emplace_back(AttributeText(element, "id"), href);
            }
            if (guide.navHref.empty() && HasToken(AttributeText(element, "properties"), "nav")) {
                guide.navHref = href;
            }
        }
    });
    for (const auto& [id, href] : ncxItems) {
        if (guide.ncxHref.empty() || id == spineToc) {
            guide.ncxHref = href;
        }
    }
    return guide;
}

// The file on disk that a manifest href names, relative to the book's top folder: the fragment dropped, the
// escapes decoded. Empty when the href is empty or would lead outside the book.
std::string BookFileOf(const std::string& packageFolder, const std::string& href) {
    const std::string path = packageFolder + PercentDecode(href.substr(0, href.find('#')));
    return !href.empty() && StaysInside(path) ? path : std::string();
}

// Joins field `pathField` of every entry of `list` (fields split at ";") to `folder`.
void RebasePaths(std::vector<std::string>& list, std::size_t pathField, const std::string& folder) {
    for (std::string& entry : list) {
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t semicolon; (semicolon = entry.find(';', start)) != std::string::npos; start = semicolon + 1) {
            fields.push_back(entry.substr(start, semicolon - start));
        }
        fields.push_back(entry.substr(start));
        if (fields.size() <= pathField) {
            continue;
        }
        fields[pathField] = ResolveHref(folder, fields[pathField]);
        entry = fields[0];
        for (std::size_t i = 1; i < fields.size(); ++i) {
            entry += ";" + fields[i];
        }
    }
}

// Reads the NCX with the ordinary walk, then rebases its content paths from the NCX's folder onto the
// package folder, where the manifest's hrefs are relative to.
void ReadNcxBelowPackage(const std::string& file, const std::string& ncxHref, ReaderState& state,
                         XmlDocument& document) {
    document.LoadFromFile(file);
    ReadNcxNode(state, document.DocumentElement());
    const std::string ncxFolder = HrefFolder(ncxHref);
    if (ncxFolder.empty()) {
        return;
    }
    RebasePaths(state.DirIDList, 2, ncxFolder);
    RebasePaths(state.NavTitleList, 0, ncxFolder);
}

// The text of a link as a browser lays it out (whitespace collapsed, also the whitespace between its inline
// elements), without the text of links nested in it, cut at kMaxTitleLength.
std::string TitleOf(const XmlNode& link) {
    std::string text;
    WalkInDocumentOrder(
        link,
        [&](const XmlNode& node) {
            if (text.size() >= kMaxTitleLength) {
                return WalkStep::Stop;
            }
            if (node.IsText() || node.IsCData()) {
                AppendCollapsingWhitespace(text, node.Text());
            }
            const bool nestedLink = node != link && node.IsElement() && LocalName(node.NodeName()) == "a";
            return nestedLink ? WalkStep::Over : WalkStep::Into;
        },
        [](const XmlNode&) {});
    return CollapseWhitespace(std::string_view(text).substr(0, kMaxTitleLength));
}

// Entries from the links of the navigation document's table of contents, numbered by position. One walk over
// the document that knows when it enters and leaves the first "toc" nav, so each link is looked at once. The
// whitespace between elements is kept: it is what separates the words of "<span>Chapter</span> <em>Two</em>".
// A link's level is the number of list items of the nav that it lies in, less one: 0 in the nav's own list,
// 1 in a list nested in one of its items. The walk counts the items on its way down and up.
void ReadNavDocument(const std::string& file, const std::string& navHref, ReaderState& state, XmlDocument& document) {
    document.LoadFromFile(file, WhitespaceText::Kept);
    const std::string navFolder = HrefFolder(navHref);
    int position = 0;
    int items = 0;
    int itemsOutsideNav = 0;
    XmlNode tocNav;
    WalkInDocumentOrder(
        document.DocumentElement(),
        [&](const XmlNode& node) {
            if (!node.IsElement()) {
                return WalkStep::Into;
            }
            const std::string name = LocalName(node.NodeName());
            if (!tocNav && name == "nav" && HasToken(AttributeText(node, "epub:type"), "toc")) {
                tocNav = node;
                itemsOutsideNav = items;
            } else if (const std::string href = AttributeText(node, "href"); tocNav && name == "a" && !href.empty()) {
                const std::string number = std::to_string(++position);
                const std::string path = ResolveHref(navFolder, href);
                const std::string title = ReplaceChar(TitleOf(node), ' ', '&');
                const int level = std::max(items - itemsOutsideNav - 1, 0);
                state.DirIDList.push_back(number + ";toc-" + number + ";" + path + ";" + title);
                state.NavTitleList.push_back(path + ";" + title + ";" + std::to_string(level));
            }
            items += name == "li" ? 1 : 0;
            return WalkStep::Into;
        },
        [&](const XmlNode& element) {
            items -= LocalName(element.NodeName()) == "li" ? 1 : 0;
            if (element == tocNav) {
                tocNav = XmlNode();
            }
        });
}

} // namespace

void ReadNavDocumentForEmptyMap(const std::string& tempDir, const std::string& packageFile, const XmlDocument& package,
                                ReaderState& state) {
    if (!state.NavTitleList.empty()) {
        return;
    }
    const ManifestGuide guide = ScanManifest(package.DocumentElement());
    if (const std::string nav = BookFileOf(HrefFolder(packageFile), guide.navHref); !nav.empty()) {
        state.DirIDList.clear();
        XmlDocument document;
        ReadNavDocument(tempDir + "/" + nav, guide.navHref, state, document);
    }
}

bool HasContainerFile(const std::string& tempDir) {
    std::error_code ec;
    return std::filesystem::is_regular_file(std::filesystem::path(tempDir) / kContainerPath, ec);
}

void ReadPackageThroughContainer(const std::string& tempDir, ReaderState& state, TableOfContents& toc,
                                 XmlDocument& navigationDocument, XmlDocument& packageDocument) {
    const PackageRoot root = ReadContainerFile(tempDir);
    if (root.path.empty()) {
        throw std::runtime_error(root.problem);
    }
    const std::string& rootFile = root.path;
    const std::string packagePath = tempDir + "/" + rootFile;
    state.subTempDir = ExtractFilePath(packagePath);
    packageDocument.LoadFromFile(packagePath);

    // Whatever an NCX elsewhere in the book contributed is replaced by what the package itself names.
    state.ClearForOpening();
    const ManifestGuide guide = ScanManifest(packageDocument.DocumentElement());
    const std::string packageFolder = HrefFolder(rootFile);
    if (const std::string ncx = BookFileOf(packageFolder, guide.ncxHref); !ncx.empty()) {
        ReadNcxBelowPackage(tempDir + "/" + ncx, guide.ncxHref, state, navigationDocument);
    }
    ReadNavDocumentForEmptyMap(tempDir, rootFile, packageDocument, state);
    state.spineIndex = 0;
    ReadOpfNode(state, toc, packageDocument.DocumentElement());
}

} // namespace qm

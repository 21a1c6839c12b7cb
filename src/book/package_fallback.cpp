#include "book/package_fallback.h"

#include "book/book_paths.h"
#include "book/file_search.h"
#include "book/ncx_reader.h"
#include "book/opf_reader.h"
#include "book/string_fields.h"

#include <filesystem>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace qm {

namespace {

constexpr const char* kContainerPath = "META-INF/container.xml";

std::string LocalName(const std::string& qualified) {
    const std::size_t colon = qualified.find(':');
    return colon == std::string::npos ? qualified : qualified.substr(colon + 1);
}

std::string AttributeText(const XmlNode& element, const std::string& name) {
    for (XmlAttribute attr = element.FirstAttribute(); attr; attr = attr.Next()) {
        if (attr.Name() == name) {
            return attr.Text();
        }
    }
    return {};
}

bool HasToken(const std::string& list, const std::string& token) {
    std::istringstream words(list);
    std::string word;
    while (words >> word) {
        if (word == token) {
            return true;
        }
    }
    return false;
}

// Visits the elements below and including `root` in document order. Hostile files may nest deeply, so the
// walk keeps its own stack instead of recursing.
void ForEachElement(const XmlNode& root, const std::function<void(const XmlNode&)>& visit) {
    std::vector<XmlNode> pending{root};
    std::vector<XmlNode> children;
    while (!pending.empty()) {
        const XmlNode node = pending.back();
        pending.pop_back();
        if (!node.IsElement()) {
            continue;
        }
        visit(node);
        children.clear();
        for (XmlNode child = node.FirstChild(); child; child = child.NextSibling()) {
            children.push_back(child);
        }
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
}

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

std::string RootFileOf(const std::string& containerFile) {
    XmlDocument container;
    container.LoadFromFile(containerFile);
    std::string fullPath;
    ForEachElement(container.DocumentElement(), [&](const XmlNode& element) {
        if (fullPath.empty() && LocalName(element.NodeName()) == "rootfile") {
            fullPath = AttributeText(element, "full-path");
        }
    });
    if (fullPath.empty()) {
        throw std::runtime_error("No package file is named in \"" + containerFile + "\"");
    }
    if (!StaysInside(fullPath)) {
        throw std::runtime_error("The package file \"" + fullPath + "\" named in \"" + containerFile +
                                 "\" lies outside the book");
    }
    return fullPath;
}

// Reads the NCX with the ordinary walk, then rebases its content paths from the NCX's folder onto the
// package folder, where the manifest's hrefs are relative to.
void ReadNcxBelowPackage(const std::string& ncxHref, ReaderState& state, XmlDocument& document) {
    document.LoadFromFile(state.subTempDir + PercentDecode(ncxHref.substr(0, ncxHref.find('#'))));
    ReadNcxNode(state, document.DocumentElement());
    const std::string ncxFolder = HrefFolder(ncxHref);
    if (ncxFolder.empty()) {
        return;
    }
    for (std::string& entry : state.DirIDList) {
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t semicolon; (semicolon = entry.find(';', start)) != std::string::npos; start = semicolon + 1) {
            fields.push_back(entry.substr(start, semicolon - start));
        }
        fields.push_back(entry.substr(start));
        if (fields.size() < 3) {
            continue;
        }
        fields[2] = ResolveHref(ncxFolder, fields[2]);
        entry = fields[0];
        for (std::size_t i = 1; i < fields.size(); ++i) {
            entry += ";" + fields[i];
        }
    }
}

std::string CollapseSpaces(const std::string& text) {
    std::istringstream words(text);
    std::string word;
    std::string collapsed;
    while (words >> word) {
        collapsed += collapsed.empty() ? word : " " + word;
    }
    return collapsed;
}

// Entries from the links of the navigation document's table of contents, numbered by position.
void ReadNavDocument(const std::string& navHref, ReaderState& state, XmlDocument& document) {
    document.LoadFromFile(state.subTempDir + PercentDecode(navHref.substr(0, navHref.find('#'))));
    const std::string navFolder = HrefFolder(navHref);
    int position = 0;
    ForEachElement(document.DocumentElement(), [&](const XmlNode& nav) {
        if (LocalName(nav.NodeName()) != "nav" || !HasToken(AttributeText(nav, "epub:type"), "toc")) {
            return;
        }
        ForEachElement(nav, [&](const XmlNode& link) {
            if (LocalName(link.NodeName()) != "a") {
                return;
            }
            const std::string href = AttributeText(link, "href");
            if (href.empty()) {
                return;
            }
            ++position;
            const std::string title = ReplaceChar(CollapseSpaces(link.Text()), ' ', '&');
            const std::string number = std::to_string(position);
            state.DirIDList.push_back(number + ";toc-" + number + ";" + ResolveHref(navFolder, href) + ";" + title);
        });
    });
}

} // namespace

bool HasContainerFile(const std::string& tempDir) {
    std::error_code ec;
    return std::filesystem::is_regular_file(std::filesystem::path(tempDir) / kContainerPath, ec);
}

void ReadPackageThroughContainer(const std::string& tempDir, ReaderState& state, TableOfContents& toc,
                                 XmlDocument& navigationDocument, XmlDocument& packageDocument) {
    const std::string rootFile = RootFileOf(tempDir + "/" + kContainerPath);
    const std::string packagePath = tempDir + "/" + rootFile;
    state.subTempDir = ExtractFilePath(packagePath);
    packageDocument.LoadFromFile(packagePath);

    // Whatever an NCX elsewhere in the book contributed is replaced by what the package itself names.
    state.ClearForOpening();
    const ManifestGuide guide = ScanManifest(packageDocument.DocumentElement());
    const auto insideBook = [&](const std::string& href) {
        return !href.empty() && StaysInside(HrefFolder(rootFile) + PercentDecode(href));
    };
    if (insideBook(guide.ncxHref)) {
        ReadNcxBelowPackage(guide.ncxHref, state, navigationDocument);
    } else if (insideBook(guide.navHref)) {
        ReadNavDocument(guide.navHref, state, navigationDocument);
    }
    state.spineIndex = 0;
    ReadOpfNode(state, toc, packageDocument.DocumentElement());
}

} // namespace qm

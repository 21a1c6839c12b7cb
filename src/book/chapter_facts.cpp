#include "book/chapter_facts.h"

#include "book/book_paths.h"
#include "book/file_search.h"
#include "book/string_fields.h"
#include "book/xml_walk.h"

#include <filesystem>
#include <system_error>

namespace qm {

std::string FactsKey(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return (ec ? std::filesystem::path(path) : absolute).lexically_normal().string();
}

std::map<std::string, ChapterFacts> ReadChapterFacts(const XmlDocument& package, const std::string& packagePath) {
    std::map<std::string, ChapterFacts> facts;
    const XmlNode root = package.DocumentElement();
    if (!root) {
        return facts;
    }
    const std::string folder = ExtractFilePath(packagePath);
    bool bookFixed = false;
    std::map<std::string, std::string> pathOfId;
    std::map<std::string, bool> fixedOfId;
    ForEachElement(root, [&](const XmlNode& element) {
        const std::string name = LocalName(element.NodeName());
        if (name == "meta" && AttributeText(element, "property") == "rendition:layout") {
            bookFixed = CollapseWhitespace(element.Text()) == "pre-paginated";
        } else if (name == "item") {
            const std::string href = AttributeText(element, "href");
            if (href.empty()) {
                return;
            }
            const std::string path = FactsKey(folder + PercentDecode(href.substr(0, href.find('#'))));
            facts[path].mediaType = AttributeText(element, "media-type");
            pathOfId[AttributeText(element, "id")] = path;
        } else if (name == "itemref") {
            const std::string properties = AttributeText(element, "properties");
            if (HasToken(properties, "rendition:layout-pre-paginated")) {
                fixedOfId[AttributeText(element, "idref")] = true;
            } else if (HasToken(properties, "rendition:layout-reflowable")) {
                fixedOfId[AttributeText(element, "idref")] = false;
            }
        }
    });
    for (auto& [path, fact] : facts) {
        fact.fixedLayout = bookFixed;
    }
    for (const auto& [id, fixed] : fixedOfId) {
        if (const auto found = pathOfId.find(id); found != pathOfId.end()) {
            facts[found->second].fixedLayout = fixed;
        }
    }
    return facts;
}

} // namespace qm

#include "zipwriter/fixture_book.h"

#include <iterator>
#include <set>

namespace qm {

std::vector<ZipMember> FixtureEpub(const std::vector<FixtureFile>& spine, const std::vector<FixtureFile>& others) {
    std::string manifest;
    std::string itemrefs;
    std::string navPoints;
    std::vector<ZipMember> files;
    std::set<std::string> written;
    int n = 0;
    std::vector<int> open; // the levels of the navigation entries not closed yet
    for (const FixtureFile& item : spine) {
        const std::string id = "item" + std::to_string(++n);
        manifest += "<item id='" + id + "' href='" + item.href + "' media-type='" + item.mediaType + "'/>";
        itemrefs += "<itemref idref='" + id + "'/>";
        if (!item.title.empty()) {
            while (!open.empty() && open.back() >= item.level) {
                navPoints += "</navPoint>";
                open.pop_back();
            }
            navPoints += "<navPoint id='nav" + std::to_string(n) + "' playOrder='" + std::to_string(n) +
                         "'><navLabel><text>" + item.title + "</text></navLabel><content src='" + item.href + "'/>";
            open.push_back(item.level);
        }
        const std::string file = item.href.substr(0, item.href.find('#'));
        if (written.insert(file).second && !item.content.empty()) {
            files.push_back(ZipEntry("OEBPS/" + file, item.content));
        }
    }
    for (std::size_t closing = 0; closing < open.size(); ++closing) {
        navPoints += "</navPoint>";
    }
    for (const FixtureFile& other : others) {
        files.push_back(ZipEntry("OEBPS/" + other.href, other.content));
    }
    std::vector<ZipMember> members = WithContainer({
        ZipEntry("OEBPS/content.opf",
                 "<?xml version='1.0'?><package xmlns='http://www.idpf.org/2007/opf' version='2.0'><metadata "
                 "xmlns:dc='http://purl.org/dc/elements/1.1/'><dc:title>Fixture Book</dc:title><dc:creator>Ann "
                 "Writer</dc:creator><dc:language>en</dc:language></metadata><manifest>" +
                     manifest + "</manifest><spine>" + itemrefs + "</spine></package>"),
        ZipEntry("OEBPS/toc.ncx", "<?xml version='1.0'?><ncx xmlns='http://www.daisy.org/z3986/2005/ncx/'><navMap>" +
                                      navPoints + "</navMap></ncx>"),
    });
    members.insert(members.end(), files.begin(), files.end());
    return members;
}

std::vector<ZipMember> WithContainer(std::vector<ZipMember> rest) {
    std::vector<ZipMember> members = {
        ZipEntry("mimetype", "application/epub+zip", 0),
        ZipEntry("META-INF/container.xml",
                 "<?xml version='1.0'?><container version='1.0' "
                 "xmlns='urn:oasis:names:tc:opendocument:xmlns:container'><rootfiles><rootfile "
                 "full-path='OEBPS/content.opf' media-type='application/oebps-package+xml'/></rootfiles></container>"),
    };
    members.insert(members.end(), std::make_move_iterator(rest.begin()), std::make_move_iterator(rest.end()));
    return members;
}

std::string FixturePage(const std::string& body, const std::string& style) {
    return "<?xml version='1.0' encoding='utf-8'?><html xmlns='http://www.w3.org/1999/xhtml'><head><title>page</title>"
           "<style>" +
           style + "</style></head><body>" + body + "</body></html>";
}

} // namespace qm

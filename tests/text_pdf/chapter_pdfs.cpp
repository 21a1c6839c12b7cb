#include "chapter_pdfs.h"

#include <qpdf/Pl_String.hh>
#include <qpdf/QPDFNameTreeObjectHelper.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <memory>
#include <random>

namespace qm::test {

namespace {

using Object = QPDFObjectHandle;

std::string Number(double value) {
    return QUtil::double_to_string(value, 2);
}

Object Link(const std::string& key, Object target, double y) {
    Object link = Object::parse("<< /Type /Annot /Subtype /Link /Border [0 0 0] >>");
    link.replaceKey("/Rect", Object::parse("[72 " + Number(y) + " 200 " + Number(y + 14) + "]"));
    link.replaceKey(key, target);
    return link;
}

Object Action(const std::string& type, const std::string& key, Object value) {
    Object action = Object::newDictionary();
    action.replaceKey("/S", Object::newName(type));
    action.replaceKey(key, value);
    return action;
}

Object Noise(QPDF& pdf, std::size_t bytes) {
    std::string data(bytes, '\0');
    std::mt19937 random(7);
    for (char& byte : data) {
        byte = static_cast<char>(random());
    }
    Object image = pdf.newStream(data);
    image.getDict().replaceKey("/Type", Object::newName("/XObject"));
    image.getDict().replaceKey("/Subtype", Object::newName("/Image"));
    image.getDict().replaceKey("/Width", Object::newInteger(static_cast<long long>(bytes)));
    image.getDict().replaceKey("/Height", Object::newInteger(1));
    image.getDict().replaceKey("/ColorSpace", Object::newName("/DeviceGray"));
    image.getDict().replaceKey("/BitsPerComponent", Object::newInteger(8));
    return image;
}

} // namespace

std::string WriteChapterPdf(const std::filesystem::path& path, const Chapter& chapter) {
    QPDF pdf;
    pdf.emptyPDF();
    const Object font = pdf.makeIndirectObject(
        Object::parse("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"));
    for (const ChapterPage& page : chapter.pages) {
        Object resources = Object::newDictionary();
        resources.replaceKey("/Font", Object::newDictionary());
        resources.getKey("/Font").replaceKey("/F1", font);
        std::string content =
            "BT /F1 12 Tf 72 " + Number(page.bottom + page.height - 72) + " Td (" + page.word + ") Tj ET\n";
        if (chapter.noiseBytes > 0 && &page == &chapter.pages.front()) {
            resources.replaceKey("/XObject", Object::newDictionary());
            resources.getKey("/XObject").replaceKey("/Im1", Noise(pdf, chapter.noiseBytes));
            content += "q 100 0 0 1 72 72 cm /Im1 Do Q\n";
        }
        Object object = Object::newDictionary();
        object.replaceKey("/Type", Object::newName("/Page"));
        object.replaceKey("/MediaBox", Object::parse("[0 " + Number(page.bottom) + " 612 " +
                                                     Number(page.bottom + page.height) + "]"));
        object.replaceKey("/Resources", resources);
        object.replaceKey("/Contents", pdf.newStream(content));
        pdf.addPage(pdf.makeIndirectObject(object), false);
    }
    if (chapter.links) {
        const std::vector<Object>& pages = pdf.getAllPages();
        const auto destination = [](Object page, double y) {
            Object array = Object::newArray();
            array.appendItem(page);
            array.appendItem(Object::newName("/XYZ"));
            array.appendItem(Object::newInteger(0));
            array.appendItem(Object::newReal(y, 2));
            array.appendItem(Object::newNull());
            return array;
        };
        Object dests = Object::newDictionary();
        dests.replaceKey("/second", destination(pages[1], 500));
        pdf.getRoot().replaceKey("/Dests", pdf.makeIndirectObject(dests));
        QPDFNameTreeObjectHelper tree = QPDFNameTreeObjectHelper::newEmpty(pdf);
        tree.insert("last", destination(pages.back(), 300));
        pdf.getRoot().replaceKey("/Names", Object::newDictionary());
        pdf.getRoot().getKey("/Names").replaceKey("/Dests", tree.getObjectHandle());

        Object annots = Object::newArray();
        annots.appendItem(pdf.makeIndirectObject(Link("/Dest", Object::newName("/second"), 600)));
        annots.appendItem(
            pdf.makeIndirectObject(Link("/A", Action("/GoTo", "/D", Object::newUnicodeString("last")), 580)));
        annots.appendItem(pdf.makeIndirectObject(Link("/Dest", destination(pages.back(), 200), 560)));
        annots.appendItem(
            Link("/A", Action("/URI", "/URI", Object::newUnicodeString("https://example.org/ch#part")), 540));
        QPDFObjectHandle first = pages.front();
        first.replaceKey("/Annots", annots);
    }
    QPDFWriter writer(pdf, path.c_str());
    writer.setStaticID(true);
    writer.setMinimumPDFVersion(chapter.version);
    writer.write();
    return path.string();
}

std::string PageContent(QPDFPageObjectHelper page) {
    std::string content;
    Pl_String sink("page content", nullptr, content);
    page.pipeContents(&sink);
    return content;
}

int PageIndex(QPDF& document, QPDFObjectHandle page) {
    const std::vector<QPDFObjectHandle>& pages = document.getAllPages();
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (page.isIndirect() && pages[i].getObjGen() == page.getObjGen()) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

ToolResult RunTool(const std::string& command) {
    ToolResult result;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen((command + " 2>&1").c_str(), "r"), ::pclose);
    if (!pipe) {
        return result;
    }
    std::array<char, 4096> buffer{};
    for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0;) {
        result.output.append(buffer.data(), got);
    }
    const int status = ::pclose(pipe.release());
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool ToolInstalled(const std::string& tool) {
    return RunTool("command -v " + tool).status == 0;
}

} // namespace qm::test

#include "platform/xml/xml_document.h"

#include "support/small_stack.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace qm {
namespace {

using test::TempDir;
using test::WriteFile;

// The text of the error that loading `path` raises, or "" when it loads.
std::string LoadError(XmlDocument& doc, const std::string& path) {
    try {
        doc.LoadFromFile(path);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "";
}

XmlNode LoadRoot(XmlDocument& doc, const TempDir& dir, const std::string& xml) {
    doc.LoadFromFile(WriteFile(dir / "doc.xml", xml).string());
    return doc.DocumentElement();
}

std::vector<XmlNode> Children(const XmlNode& node) {
    std::vector<XmlNode> children;
    for (XmlNode child = node.FirstChild(); child; child = child.NextSibling()) {
        children.push_back(child);
    }
    return children;
}

// Bytes of `text` in UTF-16, optionally with a byte order mark.
std::string Utf16(const std::u16string& text, bool bigEndian, bool bom) {
    std::string bytes;
    auto put = [&](char16_t unit) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    };
    if (bom) {
        put(u'\xFEFF');
    }
    for (const char16_t unit : text) {
        put(unit);
    }
    return bytes;
}

TEST(XmlDocumentErrors, BlankPathWithNothingLoadedBefore) {
    XmlDocument doc;
    EXPECT_EQ(LoadError(doc, ""), "FileName cannot be blank");
}

TEST(XmlDocumentErrors, BlankPathReloadsTheFileNamedLastAndNamesItOnceItIsGone) {
    TempDir dir;
    const std::string path = WriteFile(dir / "toc.ncx", "<ncx/>").string();
    XmlDocument doc;
    doc.LoadFromFile(path);
    WriteFile(path, "<changed/>");
    doc.LoadFromFile("");
    EXPECT_EQ(doc.DocumentElement().NodeName(), "changed");

    std::filesystem::remove(path);
    const std::string error = LoadError(doc, "");
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_FALSE(doc.DocumentElement());
    EXPECT_EQ(doc.FileName(), path);
}

TEST(XmlDocumentErrors, UnreadableFileIsNamed) {
    TempDir dir;
    XmlDocument doc;
    for (const std::string& path : {(dir / "missing.opf").string(), dir.path().string()}) {
        const std::string error = LoadError(doc, path);
        EXPECT_NE(error.find("\"" + path + "\""), std::string::npos) << error;
    }
}

struct ParseErrorCase {
    const char* label;
    std::string bytes;
    std::string line; // expected "Line: <n>\n<text>" after the reason
};

class XmlParseError : public testing::TestWithParam<ParseErrorCase> {};

TEST_P(XmlParseError, GivesReasonLineNumberAndLineStart) {
    TempDir dir;
    XmlDocument doc;
    const std::string error = LoadError(doc, WriteFile(dir / "bad.xml", GetParam().bytes).string());
    const std::size_t firstBreak = error.find('\n');
    ASSERT_NE(firstBreak, std::string::npos) << error;
    EXPECT_GT(firstBreak, 0u) << "the parser's reason is missing";
    EXPECT_EQ(error.substr(firstBreak + 1), GetParam().line);
    EXPECT_FALSE(doc.DocumentElement()) << "a failed load leaves the document empty";
}

// "<a t='" and 50 Cyrillic letters of two bytes each.
std::string LongCyrillicLine() {
    std::string line = "<a t='";
    for (int i = 0; i < 50; ++i) {
        line += "ж";
    }
    return line;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlParseError,
    testing::Values(ParseErrorCase{"MismatchOnLine3", "<a>\n  <b>\n  </c>\n</a>", "Line: 3\n  </c>"},
                    ParseErrorCase{"LineCutAt40Characters",
                                   "<root>\n<x>0123456789012345678901234567890123456789012</y>",
                                   "Line: 2\n"
                                   "<x>0123456789012345678901234567890123456"},
                    // The cut is by character: 6 one-byte and 34 two-byte characters.
                    ParseErrorCase{"LineCutCountsCharacters", LongCyrillicLine() + "'></b>",
                                   "Line: 1\n" + LongCyrillicLine().substr(0, 6 + 68)},
                    ParseErrorCase{"CrLfAndLoneCrEndLines", "<a>\r\n<b/>\r<c>\r\n</d>", "Line: 4\n</d>"},
                    ParseErrorCase{"ByteOrderMarkIsNotPartOfTheLine", "\xEF\xBB\xBF<a></b>", "Line: 1\n<a></b>"},
                    ParseErrorCase{"EmptyFile", "", "Line: 1\n"},
                    ParseErrorCase{"Utf16LinesAreCountedInCharacters",
                                   Utf16(u"<a>\n<b>\u00e9\u00e9\u00e9</c>", false, true),
                                   "Line: 2\n" + std::string("<b>ééé</c>")},
                    ParseErrorCase{"Utf16BigEndianWithoutMark",
                                   Utf16(u"<?xml version='1.0'?>\n\n<a><</a>", true, false), "Line: 3\n<a><</a>"}),
    [](const testing::TestParamInfo<ParseErrorCase>& c) { return c.param.label; });

TEST(XmlDocumentNodes, WhitespaceOnlyTextIsDroppedOtherTextKeptAsWritten) {
    TempDir dir;
    XmlDocument doc;
    const XmlNode root = LoadRoot(doc, dir, "<a>\n  <b> x  y </b>\n  <c>\t\n</c>\n</a>");
    const std::vector<XmlNode> children = Children(root);
    ASSERT_EQ(children.size(), 2u);
    EXPECT_EQ(root.ChildCount(), 2u);
    EXPECT_EQ(children[0].Text(), " x  y ");
    EXPECT_EQ(children[1].ChildCount(), 0u);
    EXPECT_EQ(children[1].Text(), "");
}

TEST(XmlDocumentNodes, WhitespaceOnlyTextIsKeptWhenTheLoadAsks) {
    TempDir dir;
    XmlDocument doc;
    const std::string path = WriteFile(dir / "doc.xml", "<a>\n  <b>Chapter</b> <c>Two</c>\n</a>").string();
    doc.LoadFromFile(path, WhitespaceText::Kept);
    EXPECT_EQ(doc.DocumentElement().ChildCount(), 5u);
    EXPECT_EQ(doc.DocumentElement().Text(), "\n  Chapter Two\n");
    doc.LoadFromFile(path);
    EXPECT_EQ(doc.DocumentElement().Text(), "ChapterTwo");
}

TEST(XmlDocumentNodes, NamesAttributesAndReferencesAsWritten) {
    TempDir dir;
    XmlDocument doc;
    const XmlNode root = LoadRoot(doc, dir,
                                  "<opf:package xmlns:opf='urn:x' Z='1' a='&#x41;&amp;&lt;&#233;' opf:M='m'>"
                                  "<ncx:navPoint/></opf:package>");
    EXPECT_EQ(root.NodeName(), "opf:package");
    EXPECT_EQ(root.FirstChild().NodeName(), "ncx:navPoint");
    std::vector<std::pair<std::string, std::string>> attributes;
    for (XmlAttribute attr = root.FirstAttribute(); attr; attr = attr.Next()) {
        attributes.emplace_back(attr.Name(), attr.Text());
    }
    const std::vector<std::pair<std::string, std::string>> expected{
        {"xmlns:opf", "urn:x"}, {"Z", "1"}, {"a", "A&<é"}, {"opf:M", "m"}};
    EXPECT_EQ(attributes, expected);
    EXPECT_EQ(root.AttributeCount(), 4u);
}

struct TextElementCase {
    const char* label;
    const char* xml;
    bool isTextElement;
    const char* text;
};

class XmlTextElement : public testing::TestWithParam<TextElementCase> {};

TEST_P(XmlTextElement, OnlyASinglePlainTextChildMakesATextElement) {
    TempDir dir;
    XmlDocument doc;
    const XmlNode root = LoadRoot(doc, dir, GetParam().xml);
    EXPECT_EQ(root.IsTextElement(), GetParam().isTextElement);
    EXPECT_EQ(root.Text(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlTextElement,
    testing::Values(TextElementCase{"PlainText", "<text>Chapter One</text>", true, "Chapter One"},
                    TextElementCase{"EntitiesResolved", "<text>Cats &amp; Dogs&#33;</text>", true, "Cats & Dogs!"},
                    TextElementCase{"OnlyComment", "<text><!--note--></text>", false, ""},
                    TextElementCase{"OnlyCData", "<text><![CDATA[a<b]]></text>", false, "a<b"},
                    TextElementCase{"OnlyProcessingInstruction", "<text><?pi data?></text>", false, ""},
                    TextElementCase{"TextAndComment", "<text>a<!--x-->b</text>", false, "ab"},
                    TextElementCase{"OnlyElement", "<text><b>x</b></text>", false, "x"},
                    TextElementCase{"WhitespaceOnly", "<text>  </text>", false, ""},
                    TextElementCase{"Empty", "<text/>", false, ""},
                    TextElementCase{"MixedDescendants", "<t>x<b>y<i>z</i></b><![CDATA[w]]><!--no--></t>", false,
                                    "xyzw"}),
    [](const testing::TestParamInfo<TextElementCase>& c) { return c.param.label; });

TEST(XmlDocumentNodes, CommentCDataAndProcessingInstructionStayNodesOfTheirOwn) {
    TempDir dir;
    XmlDocument doc;
    const std::vector<XmlNode> children = Children(LoadRoot(doc, dir, "<a>t<!--c--><![CDATA[d]]><?p q?><e/></a>"));
    ASSERT_EQ(children.size(), 5u);
    EXPECT_TRUE(children[0].IsText());
    EXPECT_TRUE(children[1].IsComment());
    EXPECT_TRUE(children[2].IsCData());
    EXPECT_FALSE(children[2].IsText());
    EXPECT_TRUE(children[3].IsProcessingInstruction());
    EXPECT_TRUE(children[4].IsElement());
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_FALSE(children[i].IsElement());
        EXPECT_EQ(children[i].NodeName(), "");
    }
    EXPECT_EQ(children[4].Parent(), children[4].Parent().FirstChild().Parent());
}

TEST(XmlDocumentNodes, DocumentTypeIsAcceptedAndItsDtdNeverRead) {
    TempDir dir;
    // A DTD next to the file that would define the entity if anything read it.
    WriteFile(dir / "defs.dtd", "<!ENTITY chap \"Chapter\">");
    XmlDocument doc;
    const XmlNode root = LoadRoot(doc, dir,
                                  "<?xml version='1.0'?>\n"
                                  "<!DOCTYPE ncx SYSTEM \"defs.dtd\" [ <!ELEMENT ncx ANY> ]>\n"
                                  "<ncx>&chap;</ncx>");
    EXPECT_EQ(root.NodeName(), "ncx");
    EXPECT_EQ(root.Text(), "&chap;");
}

struct EncodingCase {
    const char* label;
    std::string bytes;
};

class XmlEncoding : public testing::TestWithParam<EncodingCase> {};

TEST_P(XmlEncoding, LoadsWithTheSameContent) {
    TempDir dir;
    XmlDocument doc;
    const XmlNode root = LoadRoot(doc, dir, GetParam().bytes);
    EXPECT_EQ(root.NodeName(), "package");
    EXPECT_EQ(root.FirstAttribute().Text(), "Todo es mío");
    EXPECT_EQ(root.FirstChild().Text(), "日本");
}

const std::u16string kPackage16 = u"<package t='Todo es m\u00edo'><dc:title>\u65e5\u672c</dc:title></package>";
const std::u16string kDeclaredUtf8 = u"<?xml version='1.0' encoding='UTF-8'?>\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlEncoding,
    testing::Values(EncodingCase{"Utf8", "<package t='Todo es mío'><dc:title>日本</dc:title></package>"},
                    EncodingCase{"Utf8WithMark", "\uFEFF<package t='Todo es mío'><dc:title>日本</dc:title></package>"},
                    EncodingCase{"Utf16LittleEndianWithMark", Utf16(kPackage16, false, true)},
                    EncodingCase{"Utf16BigEndianWithMark", Utf16(kPackage16, true, true)},
                    EncodingCase{"Utf16LittleEndianWithoutMark", Utf16(kDeclaredUtf8 + kPackage16, false, false)},
                    // The mark wins over a declaration that claims UTF-8, as in real books converted carelessly.
                    EncodingCase{"Utf16WithMarkDeclaredUtf8", Utf16(kDeclaredUtf8 + kPackage16, false, true)}),
    [](const testing::TestParamInfo<EncodingCase>& c) { return c.param.label; });

TEST(XmlDocumentNodes, DeeplyNestedFileLoadsAndIsReadWithoutRecursion) {
    constexpr int kDepth = 100'000;
    std::string xml;
    xml.reserve(kDepth * 8 + 8);
    for (int i = 0; i < kDepth; ++i) {
        xml += "<a>";
    }
    xml += "x";
    for (int i = 0; i < kDepth; ++i) {
        xml += "</a>";
    }
    TempDir dir;
    XmlDocument doc;
    const XmlNode root = LoadRoot(doc, dir, xml);
    std::string text;
    test::RunOnSmallStack([&] { text = root.Text(); });
    EXPECT_EQ(text, "x");
}

} // namespace
} // namespace qm

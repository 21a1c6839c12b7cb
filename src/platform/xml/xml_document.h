#pragma once

#include <cstddef>
#include <string>

namespace pugi {
struct xml_node_struct;
struct xml_attribute_struct;
class xml_document;
} // namespace pugi

namespace qm {

// One attribute of an element, in the order of the file. An empty handle (no attribute) is false.
class XmlAttribute {
public:
    XmlAttribute() = default;
    explicit operator bool() const { return attr_ != nullptr; }
    std::string Name() const; // qualified name as written, prefix included
    std::string Text() const; // value with entity and character references resolved
    XmlAttribute Next() const;

private:
    friend class XmlNode;
    explicit XmlAttribute(pugi::xml_attribute_struct* attr) : attr_(attr) {}
    pugi::xml_attribute_struct* attr_ = nullptr;
};

// A node of a loaded document. Handles are cheap values that stay valid while their document keeps
// its content; an empty handle is false and every query on it gives an empty answer.
class XmlNode {
public:
    XmlNode() = default;
    explicit operator bool() const { return node_ != nullptr; }
    // Two handles are equal when they denote the same node of the same document.
    bool operator==(const XmlNode& other) const = default;

    bool IsElement() const;
    bool IsCData() const;
    bool IsComment() const;
    bool IsProcessingInstruction() const;
    bool IsText() const; // plain character data, not CDATA

    std::string NodeName() const; // qualified name as written, prefix included; empty for non-elements
    // True when the element has exactly one child and that child is a text node (not CDATA, not a comment).
    bool IsTextElement() const;
    // The character data (text and CDATA) of the element and all its descendants, in document order, references
    // resolved; the own content of any other node. Empty text reads as "".
    std::string Text() const;

    XmlAttribute FirstAttribute() const;
    std::size_t AttributeCount() const;
    XmlNode FirstChild() const;
    XmlNode NextSibling() const;
    // The element (or the document) that holds this node; empty for the document itself.
    XmlNode Parent() const;
    std::size_t ChildCount() const;

private:
    friend class XmlDocument;
    explicit XmlNode(pugi::xml_node_struct* node) : node_(node) {}
    pugi::xml_node_struct* node_ = nullptr;
};

// What a load does with text between elements that is nothing but whitespace.
enum class WhitespaceText {
    Dropped,
    // Kept as text nodes, for documents whose text is laid out as HTML is, where a space between two inline
    // elements separates their words.
    Kept,
};

// What a load found: a well-formed document, or why there is none. The parser's result read for people:
// its description, and where the fault is (the line's number from 1 and its first 40 characters), as
// pugixml's xml_parse_result gives status and offset. A file that cannot be read at all has no line.
struct XmlLoadResult {
    bool ok = true;
    std::string description;
    std::size_t line = 0;
    std::string lineText;

    explicit operator bool() const { return ok; }
    // The description, then "\nLine: <n>\n" and the line's text where there is a line.
    std::string Message() const;
};

// A parsed XML file. Whitespace-only text between elements is dropped unless the load asks to keep it;
// comments, processing instructions and CDATA sections are kept as nodes; a document type declaration is
// accepted and its DTD never fetched.
class XmlDocument {
public:
    XmlDocument();
    ~XmlDocument();
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // Loads the file at `path`, replacing the content, and says how it went. UTF-8, UTF-16 and UTF-32 files
    // load, with or without a byte order mark. An empty path reloads the file named last; with nothing named
    // before the result says "FileName cannot be blank". A file that cannot be read gives its name and the
    // system's reason; a file that is not well-formed the parser's reason and the line. After a failure the
    // document is empty and still names the file, so that an empty path tries it again.
    XmlLoadResult Load(const std::string& path, WhitespaceText whitespace = WhitespaceText::Dropped);

    // Load for callers that cannot go on without the document: throws std::runtime_error with the result's
    // Message() when the load fails.
    void LoadFromFile(const std::string& path, WhitespaceText whitespace = WhitespaceText::Dropped);

    XmlNode DocumentElement() const;
    const std::string& FileName() const { return fileName_; }

private:
    pugi::xml_document* doc_;
    std::string fileName_;
};

} // namespace qm

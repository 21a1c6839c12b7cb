#include "platform/xml/xml_document.h"

#include "files/unique_fd.h"
#include "platform/xml/xml_source_text.h"

#include <pugixml.hpp>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace qm {

namespace {

// Whitespace-only text between elements is dropped unless a load adds parse_ws_pcdata; comments, processing
// instructions and CDATA sections stay nodes of their own; references are resolved and line ends and
// attribute whitespace normalised as XML requires. pugixml never fetches a DTD or an external entity, and
// it accepts a document type declaration without making a node of it.
constexpr unsigned int kParseOptions = pugi::parse_cdata | pugi::parse_escapes | pugi::parse_eol |
                                       pugi::parse_wconv_attribute | pugi::parse_comments | pugi::parse_pi;

[[noreturn]] void ThrowUnreadable(const std::string& path, int error) {
    throw std::runtime_error("Cannot read XML file \"" + path + "\": " + std::strerror(error));
}

// Navigation and package files of real books stay far below this (the largest seen is under 1 MiB); a larger
// file would only cost memory several times its size in the document tree.
constexpr std::uint64_t kMaxFileSize = 32ull << 20;

// Reads a regular file whole. The open does not block, so a FIFO put where a document was expected cannot
// stall the opening; anything but a regular file, and a file beyond the size limit, is refused.
std::string ReadWholeFile(const std::string& path) {
    const UniqueFd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    const int fd = file.Get();
    if (!file.Valid()) {
        ThrowUnreadable(path, errno);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ThrowUnreadable(path, errno);
    }
    if (!S_ISREG(info.st_mode)) {
        throw std::runtime_error("Cannot read XML file \"" + path + "\": it is not a regular file");
    }
    if (static_cast<std::uint64_t>(info.st_size) > kMaxFileSize) {
        throw std::runtime_error("Cannot read XML file \"" + path + "\": it is larger than " +
                                 std::to_string(kMaxFileSize >> 20) + " MiB");
    }
    std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            ThrowUnreadable(path, errno);
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

pugi::xml_node Node(pugi::xml_node_struct* node) {
    return pugi::xml_node(node);
}

} // namespace

std::string XmlAttribute::Name() const {
    return pugi::xml_attribute(attr_).name();
}

std::string XmlAttribute::Text() const {
    return pugi::xml_attribute(attr_).value();
}

XmlAttribute XmlAttribute::Next() const {
    return XmlAttribute(pugi::xml_attribute(attr_).next_attribute().internal_object());
}

bool XmlNode::IsElement() const {
    return Node(node_).type() == pugi::node_element;
}

bool XmlNode::IsCData() const {
    return Node(node_).type() == pugi::node_cdata;
}

bool XmlNode::IsComment() const {
    return Node(node_).type() == pugi::node_comment;
}

bool XmlNode::IsProcessingInstruction() const {
    return Node(node_).type() == pugi::node_pi;
}

bool XmlNode::IsText() const {
    return Node(node_).type() == pugi::node_pcdata;
}

std::string XmlNode::NodeName() const {
    return IsElement() ? Node(node_).name() : std::string();
}

bool XmlNode::IsTextElement() const {
    const pugi::xml_node child = Node(node_).first_child();
    return IsElement() && child.type() == pugi::node_pcdata && !child.next_sibling();
}

std::string XmlNode::Text() const {
    const pugi::xml_node self = Node(node_);
    if (self.type() != pugi::node_element && self.type() != pugi::node_document) {
        return self.value();
    }
    // Descendants are gathered without recursion: a hostile file may nest elements very deep.
    std::string text;
    pugi::xml_node node = self.first_child();
    while (node && node != self) {
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) {
            text += node.value();
        }
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node != self && !node.next_sibling()) {
            node = node.parent();
        }
        if (node != self) {
            node = node.next_sibling();
        }
    }
    return text;
}

XmlAttribute XmlNode::FirstAttribute() const {
    return XmlAttribute(Node(node_).first_attribute().internal_object());
}

std::size_t XmlNode::AttributeCount() const {
    std::size_t count = 0;
    for (XmlAttribute attr = FirstAttribute(); attr; attr = attr.Next()) {
        ++count;
    }
    return count;
}

XmlNode XmlNode::FirstChild() const {
    return XmlNode(Node(node_).first_child().internal_object());
}

XmlNode XmlNode::NextSibling() const {
    return XmlNode(Node(node_).next_sibling().internal_object());
}

XmlNode XmlNode::Parent() const {
    return XmlNode(Node(node_).parent().internal_object());
}

std::size_t XmlNode::ChildCount() const {
    std::size_t count = 0;
    for (XmlNode child = FirstChild(); child; child = child.NextSibling()) {
        ++count;
    }
    return count;
}

XmlDocument::XmlDocument() : doc_(new pugi::xml_document) {}

XmlDocument::~XmlDocument() {
    delete doc_;
}

std::string XmlLoadResult::Message() const {
    return line == 0 ? description : description + "\nLine: " + std::to_string(line) + "\n" + lineText;
}

XmlLoadResult XmlDocument::Load(const std::string& path, WhitespaceText whitespace) {
    if (!path.empty()) {
        fileName_ = path;
    } else if (fileName_.empty()) {
        return {false, "FileName cannot be blank"};
    }
    doc_->reset();
    std::string bytes;
    try {
        bytes = ReadWholeFile(fileName_);
    } catch (const std::runtime_error& unreadable) {
        return {false, unreadable.what()};
    }
    const unsigned int options = kParseOptions | (whitespace == WhitespaceText::Kept ? pugi::parse_ws_pcdata : 0u);
    const pugi::xml_parse_result result = doc_->load_buffer(bytes.data(), bytes.size(), options);
    if (result) {
        return {};
    }
    doc_->reset();
    const SourceLine line = LineAtOffset(SourceAsUtf8(bytes, result.encoding), static_cast<std::size_t>(result.offset));
    return {false, result.description(), static_cast<std::size_t>(line.number), line.text};
}

void XmlDocument::LoadFromFile(const std::string& path, WhitespaceText whitespace) {
    if (const XmlLoadResult result = Load(path, whitespace); !result) {
        throw std::runtime_error(result.Message());
    }
}

XmlNode XmlDocument::DocumentElement() const {
    return XmlNode(doc_->document_element().internal_object());
}

} // namespace qm

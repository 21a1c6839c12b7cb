#pragma once

#include "platform/xml/xml_document.h"

#include <string>

namespace qm {

// What a book's package file says about it, for the documents made of it.
struct BookMetadata {
    std::string title;    // the first dc:title
    std::string author;   // every dc:creator, joined by ", "
    std::string language; // the first dc:language
};

// Reads the package file's metadata; absent elements give empty fields, whitespace runs are one space.
BookMetadata ReadBookMetadata(const XmlDocument& package);

} // namespace qm

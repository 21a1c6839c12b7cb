#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qm {

// Algorithm names of META-INF/encryption.xml for the two ways books scramble the start of an embedded font
// so that it cannot simply be copied out of the book. Both are undone with a key derived from the book's own
// unique identifier; any other algorithm is real encryption and is left alone.
inline constexpr const char* kIdpfObfuscation = "http://www.idpf.org/2008/embedding";
inline constexpr const char* kAdobeObfuscation = "http://ns.adobe.com/pdf/enc#RC";

// The IDPF key: SHA-1 of the identifier after every space, tab, carriage return and line feed is removed.
// Empty when nothing is left of it.
std::optional<std::array<std::uint8_t, 20>> IdpfFontKey(const std::string& identifier);
// The Adobe key: the 16 bytes of the UUID that the identifier spells (surrounding whitespace, a "urn:uuid:"
// prefix in any case and the dashes dropped, then exactly 32 hex digits). Empty when it spells no UUID.
std::optional<std::array<std::uint8_t, 16>> AdobeFontKey(const std::string& identifier);

// What became of one obfuscated file that encryption.xml lists.
enum class FontStatus {
    Restored, // its plain bytes are back
    Repeated, // listed again after an earlier entry restored it; left as it is, a second pass would scramble it
    Unsafe,   // the reference is absolute, carries a scheme, has a ".." part or names nothing: nothing touched
    Missing,  // no such file in the book
    NotAFile, // a link, a folder or anything else that is not a regular file, or a link on the way to it
    NoKey,    // the package gives no identifier the algorithm can use
    Failed,   // reading or replacing it failed; the file is as it was
};

struct FontEntry {
    std::string uri;       // the reference as written in encryption.xml
    std::string algorithm; // one of the two obfuscation algorithms
    FontStatus status = FontStatus::Restored;
    std::string reason; // for every status but Restored: why, in words
};

struct FontReport {
    // Set when encryption.xml exists but cannot be read or is not well-formed; nothing was touched then.
    std::string problem;
    // One entry per obfuscated file that encryption.xml lists, in its order. Entries of other algorithms are
    // not listed.
    std::vector<FontEntry> fonts;
};

// Undoes font obfuscation in a freshly unpacked book at `tempDir`: for every entry of
// `tempDir`/META-INF/encryption.xml with one of the two obfuscation algorithms, the file its CipherReference
// names (relative to `tempDir`, percent-encoded) gets its plain bytes back. The key comes from the unique
// identifier of the package file that META-INF/container.xml names first.
//
// The book is untrusted: references are only followed below `tempDir`, folder by folder without following
// links, and only regular files are rewritten. A file is replaced as a whole (a restored copy is written next
// to it and renamed over it), so a failure leaves either the old bytes or the new ones, never a mixture, and a
// hard link to the file elsewhere is never written through.
//
// Never throws for anything the book contains: a missing or damaged encryption.xml, a package without
// identifier or an unusable reference only leave the files as they are, as the report says. A book without
// encryption.xml gives an empty report.
FontReport DeobfuscateFonts(const std::string& tempDir);

} // namespace qm

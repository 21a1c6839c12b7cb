#include "book/font_obfuscation.h"

#include "book/open_book.h"
#include "support/corpus.h"
#include "support/temp_dir.h"
#include "zipwriter/zip_writer.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

constexpr const char* kUuid = "0d5a4a56-9b3f-4c7e-8e21-5f6a7b8c9d0e";
// SHA-1 of "urn:uuid:0d5a4a56-9b3f-4c7e-8e21-5f6a7b8c9d0e", worked out apart from this program.
constexpr std::uint8_t kIdpfKey[20] = {0x87, 0x70, 0x26, 0xd7, 0x47, 0x4a, 0x79, 0xac, 0xbb, 0x49,
                                       0x80, 0x7b, 0x06, 0x9b, 0x62, 0xed, 0x02, 0xb9, 0xf0, 0x6d};
// SHA-1 of "urn:isbn:1", the same way.
constexpr std::uint8_t kIsbnKey[20] = {0xbd, 0x49, 0xf9, 0xf0, 0x06, 0x97, 0x40, 0x32, 0xe4, 0xcc,
                                       0x8d, 0xcf, 0x79, 0x35, 0xf0, 0x63, 0xa7, 0x14, 0xe8, 0xa9};
constexpr std::uint8_t kAdobeKey[16] = {0x0d, 0x5a, 0x4a, 0x56, 0x9b, 0x3f, 0x4c, 0x7e,
                                        0x8e, 0x21, 0x5f, 0x6a, 0x7b, 0x8c, 0x9d, 0x0e};
constexpr const char* kIdpf = "http://www.idpf.org/2008/embedding";
constexpr const char* kAdobe = "http://ns.adobe.com/pdf/enc#RC";

// Bytes that look like nothing in particular, different for each seed.
std::string FontBytes(std::size_t size, unsigned seed) {
    std::string bytes = "wOFF";
    std::uint32_t state = seed * 2654435761u + 1;
    while (bytes.size() < size) {
        state = state * 1664525u + 1013904223u;
        bytes += static_cast<char>(state >> 24);
    }
    bytes.resize(size);
    return bytes;
}

std::string Scrambled(std::string bytes, std::span<const std::uint8_t> key, std::size_t length) {
    for (std::size_t i = 0; i < bytes.size() && i < length; ++i) {
        bytes[i] = static_cast<char>(bytes[i] ^ key[i % key.size()]);
    }
    return bytes;
}

std::string IdpfScrambled(const std::string& bytes) {
    return Scrambled(bytes, kIdpfKey, 1040);
}

std::string AdobeScrambled(const std::string& bytes) {
    return Scrambled(bytes, kAdobeKey, 1024);
}

std::string Container(const std::string& packagePath) {
    return "<?xml version='1.0'?><container version='1.0' xmlns='urn:oasis:names:tc:opendocument:xmlns:container'>"
           "<rootfiles><rootfile full-path='" +
           packagePath + "' media-type='application/oebps-package+xml'/></rootfiles></container>";
}

// A package whose unique identifier is the UUID above, spread over lines, after an identifier of another id.
std::string Package(const std::string& uniqueIdentifier = "pub-id") {
    return "<?xml version='1.0'?><package xmlns='http://www.idpf.org/2007/opf' version='3.0' unique-identifier='" +
           uniqueIdentifier +
           "'><metadata xmlns:dc='http://purl.org/dc/elements/1.1/'>"
           "<dc:identifier id='isbn'>urn:isbn:9780000000000</dc:identifier>"
           "<dc:identifier id='pub-id'>\n  urn:uuid:" +
           kUuid +
           "\r\n</dc:identifier></metadata>"
           "<manifest><item id='c1' href='c1.xhtml' media-type='application/xhtml+xml'/></manifest>"
           "<spine><itemref idref='c1'/></spine></package>";
}

// encryption.xml with one entry per (algorithm, URI); the XML Encryption elements under a prefix.
std::string Encryption(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string xml = "<?xml version='1.0'?><encryption xmlns='urn:oasis:names:tc:opendocument:xmlns:container' "
                      "xmlns:enc='http://www.w3.org/2001/04/xmlenc#'>";
    for (const auto& [algorithm, uri] : entries) {
        xml += "<enc:EncryptedData><enc:EncryptionMethod Algorithm='" + algorithm +
               "'/><enc:CipherData><enc:CipherReference URI='" + uri + "'/></enc:CipherData></enc:EncryptedData>";
    }
    return xml + "</encryption>";
}

std::vector<FontStatus> Statuses(const FontReport& report) {
    std::vector<FontStatus> statuses;
    for (const FontEntry& font : report.fonts) {
        statuses.push_back(font.status);
    }
    return statuses;
}

std::set<std::string> FileNames(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

TEST(FontKeyTest, IdpfKeyIsTheDigestOfTheIdentifierWithoutWhitespace) {
    const auto key = IdpfFontKey(std::string(" \turn:uuid:0d5a4a56-9b3f-4c7e-\r\n8e21-5f6a7b8c9d0e\n"));
    ASSERT_TRUE(key);
    EXPECT_TRUE(std::equal(key->begin(), key->end(), kIdpfKey));
    EXPECT_FALSE(IdpfFontKey(" \t\r\n"));
}

TEST(FontKeyTest, AdobeKeyIsTheUuidOfTheIdentifier) {
    for (const std::string& identifier : {std::string("urn:uuid:") + kUuid, std::string(" URN:UUID:") + kUuid + "\n",
                                          std::string("0d5a4a569b3f4c7e8e215f6a7b8c9d0e")}) {
        const auto key = AdobeFontKey(identifier);
        ASSERT_TRUE(key) << identifier;
        EXPECT_TRUE(std::equal(key->begin(), key->end(), kAdobeKey)) << identifier;
    }
    for (const std::string identifier :
         {"urn:isbn:9780000000000", "urn:uuid:0d5a4a56-9b3f-4c7e-8e21-5f6a7b8c9d0",
          "urn:uuid:0d5a4a56-9b3f-4c7e-8e21-5f6a7b8c9d0e0", "0d5a4a569b3f4c7e8e215f6a7b8c9d0g",
          "urn:uuid:0d5a4a56 9b3f-4c7e-8e21-5f6a7b8c9d0e", ""}) {
        EXPECT_FALSE(AdobeFontKey(identifier)) << identifier;
    }
}

class FontObfuscationTest : public ::testing::Test {
protected:
    fs::path Book() const { return dir_ / "book"; }

    // Writes the unpacked book's container, package and encryption.xml.
    void WriteBook(const std::string& encryption, const std::string& package = Package()) {
        WriteFile(Book() / "META-INF/container.xml", Container("OPS/package.opf"));
        WriteFile(Book() / "OPS/package.opf", package);
        WriteFile(Book() / "META-INF/encryption.xml", encryption);
    }

    TempDir dir_;
};

// An opened book has the plain bytes of its fonts back; files of other algorithms and unlisted ones stay.
TEST_F(FontObfuscationTest, OpeningABookRestoresItsFonts) {
    struct Font {
        std::string name;
        std::string stored;
        std::string opened;
    };
    const std::string bold = FontBytes(3000, 1);
    const std::string small = FontBytes(100, 2);
    const std::string adobe = FontBytes(3000, 3);
    const std::string twice = FontBytes(1500, 4);
    const std::string secret = FontBytes(2000, 5);
    const std::string plain = FontBytes(2000, 6);
    const std::vector<Font> fonts = {
        {"OPS/fonts/Serif Bold.otf", IdpfScrambled(bold), bold},
        {"OPS/fonts/small.woff", IdpfScrambled(small), small},
        {"OPS/fonts/adobe.ttf", AdobeScrambled(adobe), adobe},
        {"OPS/fonts/twice.otf", IdpfScrambled(twice), twice},
        {"OPS/fonts/secret.otf", secret, secret},
        {"OPS/fonts/plain.otf", plain, plain},
    };
    std::vector<ZipMember> members = {
        ZipEntry("META-INF/container.xml", Container("OPS/package.opf")),
        ZipEntry("OPS/package.opf", Package()),
        ZipEntry("META-INF/encryption.xml",
                 Encryption({{kIdpf, "OPS/fonts/Serif%20Bold.otf"},
                             {kIdpf, "OPS/fonts/small.woff"},
                             {kAdobe, "OPS/fonts/adobe.ttf"},
                             {kIdpf, "OPS/fonts/twice.otf"},
                             {kIdpf, "OPS/./fonts//twice.otf"},
                             {"http://www.w3.org/2001/04/xmlenc#aes256-cbc", "OPS/fonts/secret.otf"}})),
    };
    for (const Font& font : fonts) {
        members.push_back(ZipEntry(font.name, font.stored));
    }
    const fs::path book = dir_ / "book.epub";
    WriteZipFile(book.string(), members);

    const WorkingFolders folders = ComposeWorkingFolders((dir_ / "data").string());
    ReaderState state;
    TableOfContents toc;
    BookDocuments documents;
    OpenBook(book.string(), folders, state, toc, documents);
    EXPECT_EQ(toc.Cell(2, 1), "c1.xhtml");
    for (const Font& font : fonts) {
        EXPECT_EQ(ReadFile(fs::path(folders.tempDir) / font.name), font.opened) << font.name;
    }
    EXPECT_EQ(
        FileNames(fs::path(folders.tempDir) / "OPS/fonts"),
        (std::set<std::string>{"Serif Bold.otf", "small.woff", "adobe.ttf", "twice.otf", "secret.otf", "plain.otf"}));
}

// References that lead outside the book, or through a link, touch nothing; a hard link to a file outside the
// book is not written through.
TEST_F(FontObfuscationTest, HostileReferencesTouchNothingOutsideTheBook) {
    const std::string victimBytes = FontBytes(4000, 7);
    const fs::path victim = WriteFile(dir_ / "victim.otf", victimBytes);
    WriteFile(Book() / "OPS/fonts/ordinary.otf", IdpfScrambled(FontBytes(2000, 8)));
    fs::create_symlink(victim, Book() / "OPS/fonts/link.otf");
    fs::create_symlink(dir_.path(), Book() / "OPS/linked");
    fs::create_hard_link(victim, Book() / "OPS/fonts/hard.otf");

    const std::vector<std::pair<std::string, FontStatus>> cases = {
        {"../victim.otf", FontStatus::Unsafe},
        {"OPS/../../victim.otf", FontStatus::Unsafe},
        {"%2E%2E/victim.otf", FontStatus::Unsafe},
        {victim.string(), FontStatus::Unsafe},
        {"%2F" + victim.string().substr(1), FontStatus::Unsafe},
        {"file://" + victim.string(), FontStatus::Unsafe},
        {"", FontStatus::Unsafe},
        {"OPS/fonts/ordinary.otf%00.txt", FontStatus::Unsafe},
        {"OPS/fonts/link.otf", FontStatus::NotAFile},
        {"OPS/linked/victim.otf", FontStatus::NotAFile},
        {"OPS/fonts", FontStatus::NotAFile},
        {"OPS/fonts/missing.otf", FontStatus::Missing},
        {"OPS/nothing/missing.otf", FontStatus::Missing},
        {"OPS/fonts/hard.otf", FontStatus::Restored},
        {"OPS/fonts/ordinary.otf", FontStatus::Restored},
    };
    std::vector<std::pair<std::string, std::string>> entries;
    std::vector<FontStatus> expected;
    for (const auto& [uri, status] : cases) {
        entries.emplace_back(kIdpf, uri);
        expected.push_back(status);
    }
    WriteBook(Encryption(entries));

    const FontReport report = DeobfuscateFonts(Book().string());
    EXPECT_EQ(report.problem, "");
    EXPECT_EQ(Statuses(report), expected);
    for (const FontEntry& font : report.fonts) {
        EXPECT_EQ(font.reason.empty(), font.status == FontStatus::Restored) << font.uri << ": " << font.reason;
    }
    EXPECT_EQ(ReadFile(victim), victimBytes);
    EXPECT_EQ(ReadFile(Book() / "OPS/fonts/ordinary.otf"), FontBytes(2000, 8));
    EXPECT_TRUE(fs::is_symlink(Book() / "OPS/fonts/link.otf"));
    EXPECT_EQ(FileNames(Book() / "OPS/fonts"), (std::set<std::string>{"ordinary.otf", "link.otf", "hard.otf"}));
}

// Whatever is wrong with encryption.xml or the identifier, the fonts stay as they are and the report says why.
TEST_F(FontObfuscationTest, AnUnusableDescriptionOrIdentifierLeavesTheFontsAsTheyAre) {
    struct Case {
        const char* what;
        std::string encryption;
        std::string package;
        bool reportsProblem;
        std::vector<FontStatus> statuses;
    };
    const std::string both = Encryption({{kIdpf, "OPS/idpf.otf"}, {kAdobe, "OPS/adobe.otf"}});
    const std::string isbnPackage = std::regex_replace(Package(), std::regex("urn:uuid:[-0-9a-f]+"), "urn:isbn:1");
    const std::vector<Case> cases = {
        {"malformed", "<encryption><EncryptedData>", Package(), true, {}},
        {"empty", "", Package(), true, {}},
        {"no unique identifier",
         both,
         std::regex_replace(Package(), std::regex(" unique-identifier='pub-id'"), ""),
         false,
         {FontStatus::NoKey, FontStatus::NoKey}},
        {"no identifier of that id", both, Package("other"), false, {FontStatus::NoKey, FontStatus::NoKey}},
        {"malformed package", both, "<package", false, {FontStatus::NoKey, FontStatus::NoKey}},
        {"identifier not a UUID", both, isbnPackage, false, {FontStatus::Restored, FontStatus::NoKey}},
    };
    const std::string idpfPlain = FontBytes(1200, 9);
    const std::string adobePlain = FontBytes(1200, 10);
    const std::string isbnKeyed = Scrambled(idpfPlain, kIsbnKey, 1040);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(Book());
        WriteBook(c.encryption, c.package);
        const bool isbn = c.package == isbnPackage;
        WriteFile(Book() / "OPS/idpf.otf", isbn ? isbnKeyed : IdpfScrambled(idpfPlain));
        WriteFile(Book() / "OPS/adobe.otf", AdobeScrambled(adobePlain));

        const FontReport report = DeobfuscateFonts(Book().string());
        EXPECT_EQ(!report.problem.empty(), c.reportsProblem) << report.problem;
        EXPECT_EQ(Statuses(report), c.statuses);
        EXPECT_EQ(ReadFile(Book() / "OPS/idpf.otf"), isbn ? idpfPlain : IdpfScrambled(idpfPlain));
        EXPECT_EQ(ReadFile(Book() / "OPS/adobe.otf"), AdobeScrambled(adobePlain));
    }

    // And opening the book goes on as if there were no encryption.xml.
    const fs::path book = dir_ / "damaged.epub";
    WriteZipFile(book.string(),
                 {ZipEntry("META-INF/container.xml", Container("OPS/package.opf")),
                  ZipEntry("OPS/package.opf", Package()), ZipEntry("META-INF/encryption.xml", "<encryption")});
    ReaderState state;
    TableOfContents toc;
    BookDocuments documents;
    OpenBook(book.string(), ComposeWorkingFolders((dir_ / "data").string()), state, toc, documents);
    EXPECT_EQ(toc.Cell(2, 1), "c1.xhtml");
}

// A write that fails half-way (here the file-size limit) leaves the scrambled file whole and no copy behind.
TEST_F(FontObfuscationTest, AFailedRewriteLeavesTheOldBytes) {
    const std::string stored = IdpfScrambled(FontBytes(200 * 1024, 11));
    WriteBook(Encryption({{kIdpf, "OPS/big.otf"}}));
    WriteFile(Book() / "OPS/big.otf", stored);

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = 100 * 1024;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const FontReport report = DeobfuscateFonts(Book().string());
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(Statuses(report), std::vector<FontStatus>{FontStatus::Failed});
    EXPECT_EQ(ReadFile(Book() / "OPS/big.otf"), stored);
    EXPECT_EQ(FileNames(Book() / "OPS"), (std::set<std::string>{"package.opf", "big.otf"}));
}

TEST(CorpusFontObfuscationTest, TheWastelandFontsAreWoffAfterOpening) {
    QM_SKIP_WITHOUT_CORPUS();
    TempDir dir;
    const WorkingFolders folders = ComposeWorkingFolders((dir / "data").string());
    ReaderState state;
    TableOfContents toc;
    BookDocuments documents;
    OpenBook(test::CorpusFile("epub/idpf-wasteland-woff-obf.epub").string(), folders, state, toc, documents);

    const std::string encryption = ReadFile(fs::path(folders.tempDir) / "META-INF/encryption.xml");
    const std::regex reference("URI=\"([^\"]+)\"");
    int fonts = 0;
    for (auto it = std::sregex_iterator(encryption.begin(), encryption.end(), reference); it != std::sregex_iterator();
         ++it, ++fonts) {
        const std::string font = ReadFile(fs::path(folders.tempDir) / (*it)[1].str());
        EXPECT_EQ(font.substr(0, 4), "wOFF") << (*it)[1];
    }
    EXPECT_EQ(fonts, 3);
}

} // namespace
} // namespace qm

#include "book/zip_extractor.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <sched.h>
#include <stdexcept>
#include <string>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

#include "support/corpus.h"
#include "support/mount_namespace.h"
#include "support/temp_dir.h"
#include "zipwriter/zip_writer.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// What a folder holds: relative path -> content for files, "<folder>" for folders, "<link>" for links.
using Tree = std::map<std::string, std::string>;

Tree ReadTree(const fs::path& root) {
    Tree tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(entry.path(), root).string();
        if (entry.is_symlink()) {
            tree[relative] = "<link>";
        } else if (entry.is_directory()) {
            tree[relative] = "<folder>";
        } else {
            tree[relative] = test::ReadFile(entry.path());
        }
    }
    return tree;
}

std::string RandomBytes(std::size_t size) {
    std::mt19937 random(7);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random());
    }
    return bytes;
}

// The error text of an extraction, or "" when it succeeded.
std::string ErrorOf(const std::string& archive, const fs::path& destination, const ZipLimits& limits = {}) {
    try {
        ExtractZip(archive, destination.string(), limits);
        return "";
    } catch (const std::runtime_error& e) {
        return e.what();
    }
}

// A book folder: the archive beside an extraction folder, so that anything written next to the extraction
// folder (a name that escaped) shows up in the book folder's tree.
class Book {
public:
    Book() { fs::create_directories(Out()); }
    explicit Book(const std::vector<ZipMember>& members, const ZipOptions& options = {}) : Book() {
        Write(members, options);
    }
    void Write(const std::vector<ZipMember>& members, const ZipOptions& options = {}) const {
        WriteZipFile(Archive(), members, options);
    }
    std::string Archive() const { return (tmp_.path() / "book.zip").string(); }
    fs::path Root() const { return tmp_.path() / "root"; }
    fs::path Out() const { return Root() / "out"; }

    std::string Extract(const ZipLimits& limits = {}) const { return ErrorOf(Archive(), Out(), limits); }
    std::string MemberError(const std::string& member, const std::string& reason) const {
        return "Cannot extract \"" + member + "\" from \"" + Archive() + "\": " + reason;
    }
    std::string ArchiveError(const std::string& reason) const {
        return "Cannot extract \"" + Archive() + "\": " + reason;
    }

private:
    TempDir tmp_;
};

// Names the cases of a table after their `label`, in test names and in failure reports.
template <typename Case>
std::string Label(const testing::TestParamInfo<Case>& c) {
    return c.param.label;
}
template <typename Case>
requires requires(Case c) {
    c.label;
}
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.label;
}

struct FormatCase {
    const char* label;
    std::vector<ZipMember> members;
    ZipOptions options;
    Tree expected;
};

ZipMember With(ZipMember member, void (*change)(ZipMember&)) {
    change(member);
    return member;
}

std::vector<FormatCase> FormatCases() {
    const std::string big = RandomBytes(1536 * 1024); // more than one read and one write of the extractor
    const std::string spaces(3 * 1024 * 1024, ' ');
    return {
        {"StoredAndDeflated",
         {ZipEntry("a.txt", "stored", 0), ZipEntry("b.txt", "deflated"), ZipEntry("empty.txt", ""),
          ZipEntry("empty-stored.txt", "", 0)},
         {},
         {{"a.txt", "stored"}, {"b.txt", "deflated"}, {"empty.txt", ""}, {"empty-stored.txt", ""}}},
        {"LargerThanOneChunk",
         {ZipEntry("random.bin", big), ZipEntry("random-stored.bin", big, 0), ZipEntry("spaces.txt", spaces)},
         {},
         {{"random.bin", big}, {"random-stored.bin", big}, {"spaces.txt", spaces}}},
        {"DataDescriptors",
         {With(ZipEntry("d.txt", "deflated, sizes after the data"), [](ZipMember& m) { m.dataDescriptor = true; }),
          With(ZipEntry("s.txt", "stored, sizes after the data", 0), [](ZipMember& m) { m.dataDescriptor = true; })},
         {},
         {{"d.txt", "deflated, sizes after the data"}, {"s.txt", "stored, sizes after the data"}}},
        {"Zip64",
         {With(ZipEntry("z/64.txt", "sizes and offset in the extra field"), [](ZipMember& m) { m.zip64 = true; }),
          With(ZipEntry("z/dd.txt", "with a descriptor", 0),
               [](ZipMember& m) {
                   m.zip64 = true;
                   m.dataDescriptor = true;
               })},
         {.comment = "", .zip64EndRecords = true},
         {{"z", "<folder>"}, {"z/64.txt", "sizes and offset in the extra field"}, {"z/dd.txt", "with a descriptor"}}},
        {"Names",
         {With(ZipEntry("EPUB/content_\xC3\xA9.xhtml", "utf-8"), [](ZipMember& m) { m.utf8Name = true; }),
          ZipEntry("caf\x82-\xE1-\x9D.txt", "code page 437"), ZipEntry("OEBPS\\Text\\ch1.xhtml", "backslashes"),
          ZipEntry("./a//b/./c.txt", "dots and doubled separators")},
         {},
         {{"EPUB", "<folder>"},
          {"EPUB/content_\xC3\xA9.xhtml", "utf-8"},
          {"caf\xC3\xA9-\xC3\x9F-\xC2\xA5.txt", "code page 437"},
          {"OEBPS", "<folder>"},
          {"OEBPS/Text", "<folder>"},
          {"OEBPS/Text/ch1.xhtml", "backslashes"},
          {"a", "<folder>"},
          {"a/b", "<folder>"},
          {"a/b/c.txt", "dots and doubled separators"}}},
        {"FolderEntriesAndDuplicates",
         {ZipEntry("empty/", ""), ZipEntry("x\\y\\", ""), ZipEntry("x/y/.", ""), ZipEntry("same.txt", "first"),
          ZipEntry("same.txt", "second, which wins", 0)},
         {},
         {{"empty", "<folder>"}, {"x", "<folder>"}, {"x/y", "<folder>"}, {"same.txt", "second, which wins"}}},
        // A comment holding an end-record signature must not be taken for the record.
        {"CommentWithAFakeEndRecord",
         {ZipEntry("a.txt", "a")},
         {.comment = std::string("PK\x05\x06", 4) + std::string(18, '\0') + "tail", .zip64EndRecords = false},
         {{"a.txt", "a"}}},
    };
}

class ZipFormats : public testing::TestWithParam<FormatCase> {};

TEST_P(ZipFormats, ExtractEveryMemberUnderItsName) {
    const FormatCase& c = GetParam();
    const Book book(c.members, c.options);
    ASSERT_EQ(book.Extract(), "");
    EXPECT_EQ(ReadTree(book.Out()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(ZipExtractor, ZipFormats, testing::ValuesIn(FormatCases()), Label<FormatCase>);

TEST(ZipExtractor, ReplacesAFileLeftInTheFolder) {
    const Book book({ZipEntry("chapter.xhtml", "new")});
    test::WriteFile(book.Out() / "chapter.xhtml", "old, and longer than the new text");
    ASSERT_EQ(book.Extract(), "");
    EXPECT_EQ(test::ReadFile(book.Out() / "chapter.xhtml"), "new");
}

// The texts that the open command shows for an archive it cannot read: the archive and its fault in words,
// then the reader's short text in brackets.
TEST(ZipExtractor, UnreadableArchivesGiveTheReadersTexts) {
    TempDir tmp;
    const std::string good = BuildZip({ZipEntry("a.txt", "a"), ZipEntry("b.txt", "b")});
    ZipMember badCentral = ZipEntry("b.txt", "b");
    badCentral.badCentralSignature = true;
    const struct {
        std::string file;
        std::string bytes;
        std::string expected; // after the quoted archive path
    } cases[] = {
        {"empty.epub", "", " is empty, not a ZIP archive (Stream read error)"},
        {"text.epub", "This is not an archive, only some text.",
         " is not a ZIP archive, or it is cut short (Error reading zip file)"},
        {"cut.epub", good.substr(0, good.size() - 4),
         " is not a ZIP archive, or it is cut short (Error reading zip file)"},
        {"central.epub", BuildZip({ZipEntry("a.txt", "a"), badCentral}),
         " is a damaged ZIP archive: its list of members cannot be read (Invalid Zip Central Header signature)"},
    };
    for (const auto& c : cases) {
        const fs::path archive = test::WriteFile(tmp / c.file, c.bytes);
        const fs::path out = tmp / ("out-" + c.file);
        fs::create_directories(out);
        EXPECT_EQ(ErrorOf(archive.string(), out), "\"" + archive.string() + "\"" + c.expected) << c.file;
        EXPECT_TRUE(fs::is_empty(out)) << c.file;
    }

    const std::string missing = (tmp / "missing.epub").string();
    EXPECT_EQ(ErrorOf(missing, tmp.path()), "Cannot open file \"" + missing + "\". No such file or directory");
    const std::string folder = tmp.path().string();
    EXPECT_EQ(ErrorOf(folder, tmp.path()), "Cannot open file \"" + folder + "\". Is a directory");

    const Book book({ZipEntry("a.txt", "a")});
    const fs::path noFolder = book.Root() / "missing";
    EXPECT_EQ(ErrorOf(book.Archive(), noFolder),
              book.ArchiveError("cannot open the folder \"" + noFolder.string() + "\": No such file or directory"));
}

// A failing member stops the extraction; the members before it stay and nothing of the failing one is left.
struct MemberFailure {
    const char* label;
    ZipMember member;
    std::string reason;
};

ZipMember Damaged(std::string name, std::uint16_t method, void (*damage)(ZipMember&)) {
    ZipMember member = ZipEntry(std::move(name), "chapter text, chapter text, chapter text", method);
    damage(member);
    return member;
}

std::vector<MemberFailure> MemberFailures() {
    return {
        {"UnsupportedMethod", Damaged("chapter.xhtml", 12, [](ZipMember&) {}), "unsupported compression method 12"},
        {"DamagedDeflateStream",
         Damaged("chapter.xhtml", 8, [](ZipMember& m) { m.rawData = std::string("\xff\xff\xff\xff", 4); }),
         "its compressed data is damaged (invalid block type)"},
        {"DeflateStreamCutShort",
         // A stored deflate block of 40 bytes that stops after 10 of them.
         Damaged("chapter.xhtml", 8,
                 [](ZipMember& m) { m.rawData = std::string("\x01\x28\x00\xd7\xff", 5) + "chapter te"; }),
         "its compressed data ends before the end of the stream"},
        {"DataPastTheEndOfTheArchive",
         Damaged("chapter.xhtml", 8, [](ZipMember& m) { m.declaredCompressedSize = 1 << 20; }),
         "the archive ends inside its data"},
        {"StoredSizesDiffer", Damaged("chapter.xhtml", 0, [](ZipMember& m) { m.declaredCompressedSize = 10; }),
         "it is stored, yet its directory entry declares 10 bytes stored for 40"},
        // Untrusted sizes and checksums.
        {"DeflatedLongerThanDeclared", Damaged("chapter.xhtml", 8, [](ZipMember& m) { m.declaredSize = 39; }),
         "its data is longer than the 39 bytes its directory entry declares"},
        {"DeflatedShorterThanDeclared", Damaged("chapter.xhtml", 8, [](ZipMember& m) { m.declaredSize = 41; }),
         "its data holds 40 bytes, fewer than the 41 bytes its directory entry declares"},
        {"DeflatedWithAWrongCrc", Damaged("chapter.xhtml", 8, [](ZipMember& m) { m.declaredCrc = 0x12345678; }),
         "its data does not match its CRC-32: the archive is damaged"},
        {"StoredWithAWrongCrc", Damaged("chapter.xhtml", 0, [](ZipMember& m) { m.declaredCrc = 0x12345678; }),
         "its data does not match its CRC-32: the archive is damaged"},
        {"BombStoppedAtItsDeclaredSize",
         Damaged("chapter.xhtml", 8,
                 [](ZipMember& m) {
                     m.data = std::string(8 << 20, ' ');
                     m.declaredSize = 1000;
                 }),
         "its data is longer than the 1000 bytes its directory entry declares"},
    };
}

class ZipMemberFailures : public testing::TestWithParam<MemberFailure> {};

TEST_P(ZipMemberFailures, StopTheExtractionNamingTheMember) {
    const MemberFailure& c = GetParam();
    const Book book({ZipEntry("mimetype", "application/epub+zip", 0), c.member, ZipEntry("EPUB/after.xhtml", "after")});
    EXPECT_EQ(book.Extract(), book.MemberError(c.member.name, c.reason));
    EXPECT_EQ(ReadTree(book.Out()), (Tree{{"mimetype", "application/epub+zip"}}));
}

INSTANTIATE_TEST_SUITE_P(ZipExtractor, ZipMemberFailures, testing::ValuesIn(MemberFailures()), Label<MemberFailure>);

TEST(ZipExtractor, ADamagedLocalHeaderStopsAfterTheMembersBeforeIt) {
    ZipMember broken = ZipEntry("b.txt", "b");
    broken.badLocalSignature = true;
    const Book book({ZipEntry("a.txt", "a"), broken, ZipEntry("c.txt", "c")});
    EXPECT_EQ(book.Extract(), "\"" + book.Archive() +
                                  "\" is a damaged ZIP archive: the header of its member \"b.txt\" is damaged (Invalid "
                                  "Zip Local Header signature)");
    EXPECT_EQ(ReadTree(book.Out()), (Tree{{"a.txt", "a"}}));
}

// Names that would leave the folder are refused before anything is written, whatever comes first.
struct UnsafeName {
    std::string name; // "{root}" stands for the folder that holds the extraction folder
    std::string reason;
    std::string shown = name; // the name as the error shows it
};

void PrintTo(const UnsafeName& c, std::ostream* out) {
    *out << testing::PrintToString(c.name);
}

class ZipUnsafeNames : public testing::TestWithParam<UnsafeName> {};

TEST_P(ZipUnsafeNames, AreRefusedBeforeAnythingIsWritten) {
    UnsafeName c = GetParam();
    Book book;
    // An absolute name points into this test's own folder, so that a failure cannot litter the machine.
    if (c.name.starts_with("{root}")) {
        c.name = c.shown = book.Root().string() + c.name.substr(std::string("{root}").size());
    }
    book.Write({ZipEntry("mimetype", "application/epub+zip", 0), ZipEntry("EPUB/ch1.xhtml", "chapter"),
                ZipEntry(c.name, "escaped"), ZipEntry("EPUB/ch2.xhtml", "chapter")});
    EXPECT_EQ(book.Extract(), book.MemberError(c.shown, c.reason));
    EXPECT_EQ(ReadTree(book.Root()), (Tree{{"out", "<folder>"}}));
}

const std::string kDotDot = "its name has a \"..\" part";
const std::string kAbsolute = "its name is an absolute path";

INSTANTIATE_TEST_SUITE_P(
    ZipExtractor, ZipUnsafeNames,
    testing::Values(UnsafeName{"../escaped.txt", kDotDot}, UnsafeName{"EPUB/../../escaped.txt", kDotDot},
                    UnsafeName{"..\\escaped.txt", kDotDot}, UnsafeName{"EPUB/..\\..\\escaped.txt", kDotDot},
                    UnsafeName{"..", kDotDot}, UnsafeName{"EPUB/../", kDotDot},
                    UnsafeName{"{root}/escaped.txt", kAbsolute}, UnsafeName{"\\escaped.txt", kAbsolute},
                    UnsafeName{"C:\\escaped.txt", kAbsolute},
                    UnsafeName{std::string("a\0b", 3), "its name holds a NUL character", "a\\x00b"},
                    UnsafeName{"", "its name is empty"},
                    // Deeper than the folder reset could remove again.
                    UnsafeName{[] {
                                   std::string deep;
                                   for (int i = 0; i < 64; ++i) {
                                       deep += "a/";
                                   }
                                   return deep + "f.txt";
                               }(),
                               "its name has more than 64 parts"}));

ZipMember LinkMember(std::string name, std::string target) {
    ZipMember link = ZipEntry(std::move(name), std::move(target), 0);
    link.versionMadeBy = 0x031E;              // made on Unix
    link.externalAttributes = 0120777u << 16; // S_IFLNK | 0777
    return link;
}

TEST(ZipExtractor, LinkMembersBecomeFilesAndLeadNowhere) {
    TempDir outside;
    const Book book({LinkMember("EPUB/link", outside.path().string()), ZipEntry("EPUB/link/escaped.txt", "escaped")});
    EXPECT_EQ(book.Extract(), book.MemberError("EPUB/link/escaped.txt", "\"EPUB/link\" is not a folder"));
    EXPECT_EQ(ReadTree(book.Out()), (Tree{{"EPUB", "<folder>"}, {"EPUB/link", outside.path().string()}}));
    EXPECT_TRUE(fs::is_empty(outside.path()));
}

TEST(ZipExtractor, LinksAlreadyInTheFolderAreNeverFollowed) {
    TempDir outside;
    const fs::path target = test::WriteFile(outside / "target.txt", "untouched");
    const Book intoFolder({ZipEntry("linked/escaped.txt", "escaped")});
    fs::create_directory_symlink(outside.path(), intoFolder.Out() / "linked");
    EXPECT_EQ(intoFolder.Extract(), intoFolder.MemberError("linked/escaped.txt", "\"linked\" is not a folder"));

    const Book ontoFile({ZipEntry("chapter.xhtml", "new")});
    fs::create_symlink(target, ontoFile.Out() / "chapter.xhtml");
    ASSERT_EQ(ontoFile.Extract(), "");
    EXPECT_EQ(ReadTree(ontoFile.Out()), (Tree{{"chapter.xhtml", "new"}}));
    EXPECT_EQ(ReadTree(outside.path()), (Tree{{"target.txt", "untouched"}}));
}

// Limits are checked over the whole directory before the first member is written.
struct LimitCase {
    const char* label;
    std::vector<ZipMember> members;
    ZipLimits limits;
    std::string member; // empty for a limit on the whole archive
    std::string reason;
};

ZipMember Declaring(std::string name, std::uint64_t size) {
    ZipMember member = ZipEntry(std::move(name), "x");
    member.declaredSize = size;
    return member;
}

std::vector<LimitCase> LimitCases() {
    const std::string hundred(100, 'h');
    return {
        {"Members",
         {ZipEntry("a", "a"), ZipEntry("b", "b"), ZipEntry("c", "c")},
         {.maxMembers = 2},
         "",
         "it lists 3 members, more than the limit of 2"},
        {"MemberSize",
         {ZipEntry("a", hundred), ZipEntry("b", hundred + "!")},
         {.maxMemberSize = 100},
         "b",
         "it declares 101 bytes, more than the limit of 100 bytes for one member"},
        {"TotalSize",
         {ZipEntry("a", hundred), ZipEntry("b", hundred)},
         {.maxTotalSize = 199},
         "",
         "its members declare more than the limit of 199 bytes in total"},
        {"DefaultMemberSize",
         {ZipEntry("a", "a"), Declaring("huge.xhtml", (1ull << 30) + 1)},
         {},
         "huge.xhtml",
         "it declares 1073741825 bytes, more than the limit of 1073741824 bytes for one member"},
        {"DefaultTotalSize",
         {Declaring("1", 1ull << 30), Declaring("2", 1ull << 30), Declaring("3", 1ull << 30),
          Declaring("4", 1ull << 30), Declaring("5", 1)},
         {},
         "",
         "its members declare more than the limit of 4294967296 bytes in total"},
    };
}

class ZipLimitsTest : public testing::TestWithParam<LimitCase> {};

TEST_P(ZipLimitsTest, AreCheckedBeforeAnythingIsWritten) {
    const LimitCase& c = GetParam();
    const Book book(c.members);
    const std::string expected = c.member.empty() ? book.ArchiveError(c.reason) : book.MemberError(c.member, c.reason);
    EXPECT_EQ(book.Extract(c.limits), expected);
    EXPECT_TRUE(fs::is_empty(book.Out()));
}

INSTANTIATE_TEST_SUITE_P(ZipExtractor, ZipLimitsTest, testing::ValuesIn(LimitCases()), Label<LimitCase>);

TEST(ZipExtractor, MembersAtTheLimitsAreExtracted) {
    const Book book({ZipEntry("a", std::string(100, 'a')), ZipEntry("b", std::string(100, 'b'))});
    EXPECT_EQ(book.Extract({.maxMembers = 2, .maxMemberSize = 100, .maxTotalSize = 200}), "");
    EXPECT_EQ(ReadTree(book.Out()).size(), 2u);
}

TEST(ZipExtractor, AFullDiskGivesAClearErrorAndLeavesNoPartOfTheMember) {
    const Book book({ZipEntry("small.txt", "fits"), ZipEntry("big.bin", RandomBytes(1 << 20), 0)});
    const std::string result = test::InPrivateMountNamespace([&] {
        if (!test::MountSmallDisk(book.Out(), 256)) {
            return std::string();
        }
        std::string text = book.Extract() + "\n";
        for (const auto& [path, content] : ReadTree(book.Out())) {
            text += path + "=" + content + "\n";
        }
        return text;
    });
    if (result.empty()) {
        GTEST_SKIP() << "cannot mount a small file system here";
    }
    EXPECT_EQ(result,
              book.MemberError("big.bin", "writing failed: there is no space left on the disk") + "\nsmall.txt=fits\n");
}

// Every book of the shared corpus.
struct CorpusBook {
    const char* file;
    const char* member; // a member to check
    std::uint64_t size;
    std::uint32_t crc;
    std::size_t files; // files in the extracted tree
};

void PrintTo(const CorpusBook& c, std::ostream* out) {
    *out << c.file;
}

class ZipCorpusBooks : public testing::TestWithParam<CorpusBook> {};

TEST_P(ZipCorpusBooks, Extract) {
    QM_SKIP_WITHOUT_CORPUS();
    const CorpusBook& c = GetParam();
    TempDir out;
    ExtractZip(test::CorpusFile(std::string("epub/") + c.file).string(), out.path().string());
    const std::string content = test::ReadFile(out / c.member);
    EXPECT_EQ(content.size(), c.size);
    EXPECT_EQ(crc32_z(0, reinterpret_cast<const Bytef*>(content.data()), content.size()), c.crc);
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(out.path())) {
        files += entry.is_regular_file() ? 1 : 0;
    }
    EXPECT_EQ(files, c.files);
}

INSTANTIATE_TEST_SUITE_P(
    ZipExtractor, ZipCorpusBooks,
    testing::Values(
        CorpusBook{"calibre-quick_start-eng.epub", "text/task_2_conversion.xhtml", 12921, 0x5BC920E7, 20},
        CorpusBook{"debian-ubuntu-packaging-guide-ru.epub", "ubuntu-packaging-guide/debian-dir-overview.xhtml", 43224,
                   0x78F2C6C4, 32},
        CorpusBook{"epubcheck-content-xhtml-extension-warning.epub", "EPUB/package.opf", 655, 0x7DF0A2BF, 5},
        CorpusBook{"epubcheck-ocf-container-not-ocf-error.epub", "word/styles.xml", 2258, 0xA39AD610, 9},
        CorpusBook{"epubcheck-ocf-filename-duplicate-zip-entry-error.epub", "OPS/content_001.xhtml", 306, 0x99297B36,
                   5},
        CorpusBook{"epubcheck-ocf-filename-not-utf8-error.epub", "EPUB/content_\xC3\xA9.xhtml", 228, 0xA9210B29, 5},
        CorpusBook{"epubcheck-ocf-filename-utf8-valid.epub", "EPUB/content_\xC3\xA9.xhtml", 228, 0xA9210B29, 5},
        CorpusBook{"epubcheck-ocf-mimetype-file-missing-error.epub", "EPUB/package.opf", 656, 0x2506C7FF, 4},
        CorpusBook{"epubcheck-ocf-minimal-valid-epub2.epub", "OPS/package.opf", 572, 0xCF4CB815, 5},
        CorpusBook{"epubcheck-ops-xhtml-unusual-extension-valid.epub", "OPS/package.opf", 570, 0x06DDE5F7, 5},
        CorpusBook{"epubjs-alice.epub", "OPS/images/plate04_th.jpg", 44618, 0x63E8C2AE, 45},
        CorpusBook{"epubrs-Metamorphosis-jackson.epub", "OEBPS/assets/themetamorphosis_1200x1600.jpg", 244146,
                   0x5D2DF98C, 17},
        CorpusBook{"epubrs-book2-utf16-opf.epub", "OEBPS/assets/themetamorphosis_1200x1600.jpg", 244146, 0x5D2DF98C,
                   18},
        CorpusBook{"epubrs-test-todo-es-mio.epub", "OEBPS/Images/portada.png", 1186183, 0xCE7218EC, 27},
        CorpusBook{"idpf-childrens-literature.epub", "EPUB/s04.xhtml", 338187, 0x2B483160, 10},
        CorpusBook{"idpf-haruko-jpeg.epub", "OPS/images/07.jpg", 210080, 0x14C34966, 20},
        CorpusBook{"idpf-hefty-water.epub", "EPUB/heftywater.xhtml", 8989, 0x2854B5CE, 5},
        CorpusBook{"idpf-jlreq-in-english.epub", "OEBPS/xhtml/cl-27.xhtml", 195885, 0xC7792772, 501},
        CorpusBook{"idpf-kusamakura-japanese-vertical-writing.epub", "OPS/xhtml/\xE5\x9B\x9B.xhtml", 76024, 0x8DEF851E,
                   28},
        CorpusBook{"idpf-mahabharata.epub", "EPUB/nav/nav.xhtml", 458228, 0x1CC82C1C, 2020},
        CorpusBook{"idpf-moby-dick.epub", "OPS/fonts/STIXGeneral.otf", 414322, 0xADD8673A, 154},
        CorpusBook{"idpf-sous-le-vent_svg-in-spine.epub", "EPUB/Image/img3.jpg", 646335, 0x059DDA5E, 25},
        CorpusBook{"idpf-wasteland-woff-obf.epub", "EPUB/OldStandard-Italic.obf.woff", 118780, 0x2560E6B9, 14},
        CorpusBook{"made-bit3-data-descriptors-regime-anticancer-arabic.epub", "EPUB/Image/titlepage.jpg", 81907,
                   0xBB1770DE, 11},
        CorpusBook{"pandoc-epub2_picture.epub", "OEBPS/image/image.jpg", 9713, 0xA32218A6, 10},
        CorpusBook{"pandoc-tiny-all-stored.epub", "EPUB/content.opf", 803, 0x90F96E7D, 6},
        CorpusBook{"readium-feedbooks_book_6816.epub", "OPS/images/cover.png", 636567, 0x7ACEB7FE, 589}),
    [](const testing::TestParamInfo<CorpusBook>& book) {
        std::string name = book.param.file;
        name = name.substr(0, name.size() - 5);
        for (char& ch : name) {
            ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        }
        return name;
    });

// The broken and malicious books fail with the text that says what is wrong; "{archive}" stands for the path.
TEST(ZipExtractor, BrokenAndMaliciousCorpusBooksFailCleanly) {
    QM_SKIP_WITHOUT_CORPUS();
    const std::pair<const char*, std::string> cases[] = {
        {"epubcheck-ocf-zip-unreadable-empty-fatal.epub",
         "\"{archive}\" is empty, not a ZIP archive (Stream read error)"},
        {"epubcheck-ocf-zip-unreadable-image-with-epub-extension-fatal.epub",
         "\"{archive}\" is not a ZIP archive, or it is cut short (Error reading zip file)"},
        {"epubcheck-ocf-zip-unreadable-no-end-header-fatal.epub",
         "\"{archive}\" is not a ZIP archive, or it is cut short (Error reading zip file)"},
        {"made-bad-central-directory-offset.epub", "\"{archive}\" is a damaged ZIP archive: its list of members "
                                                   "cannot be read (Invalid Zip Central Header signature)"},
        {"made-truncated-in-central-directory.epub",
         "\"{archive}\" is not a ZIP archive, or it is cut short (Error reading zip file)"},
        {"made-unsupported-method-bzip2-lzma.epub",
         "Cannot extract \"EPUB/cover.xhtml\" from \"{archive}\": unsupported compression method 12"},
        {"made-path-traversal.epub",
         "Cannot extract \"../epub_traversal_canary_1.txt\" from \"{archive}\": its name has a \"..\" part"},
        // Exactly 1 GiB is within the limits; a smaller limit shows the bomb is refused before it is inflated.
        {"made-zip-bomb-1GiB-chapter.epub", "Cannot extract \"EPUB/bomb.xhtml\" from \"{archive}\": it declares "
                                            "1073741824 bytes, more than the limit of 67108864 bytes for one member"},
    };
    for (const auto& [file, text] : cases) {
        const std::string archive = test::CorpusFile(std::string("epub/") + file).string();
        std::string expected = text;
        if (const auto at = expected.find("{archive}"); at != std::string::npos) {
            expected.replace(at, 9, archive);
        }
        TempDir tmp;
        const fs::path out = tmp / "deep/out";
        fs::create_directories(out);
        EXPECT_EQ(ErrorOf(archive, out, {.maxMemberSize = 64 << 20}), expected);
        for (const auto& [path, content] : ReadTree(tmp.path())) {
            EXPECT_TRUE(path == "deep" || path.starts_with("deep/out")) << file << " wrote " << path;
        }
    }
    // Nothing of the traversal book may appear next to any folder above the extraction folder, nor in /tmp.
    for (fs::path folder = fs::temp_directory_path();; folder = folder.parent_path()) {
        for (const auto& entry : fs::directory_iterator(folder)) {
            EXPECT_FALSE(entry.path().filename().string().starts_with("epub_traversal_canary")) << entry.path();
        }
        if (folder == folder.root_path()) {
            break;
        }
    }
    EXPECT_FALSE(fs::exists("/tmp/epub_traversal_canary_2.txt"));
    EXPECT_FALSE(fs::exists("/tmp/epub_traversal_canary_abs.txt"));
}

} // namespace
} // namespace qm

#include "book/font_obfuscation.h"

#include "book/book_paths.h"
#include "book/container_file.h"
#include "book/extraction_folder.h"
#include "book/sha1.h"
#include "book/string_fields.h"
#include "book/xml_walk.h"
#include "files/fd_io.h"
#include "files/unique_fd.h"
#include "platform/xml/xml_document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <exception>
#include <set>
#include <span>

namespace qm {

namespace {

// How much of the start of a file each algorithm scrambles.
constexpr std::size_t kIdpfLength = 1040;
constexpr std::size_t kAdobeLength = 1024;

constexpr std::size_t kCopyChunk = 64 * 1024;
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

constexpr const char* kEncryptionPath = "META-INF/encryption.xml";

XmlNode ChildNamed(const XmlNode& parent, const std::string& localName) {
    for (XmlNode child = parent.FirstChild(); child; child = child.NextSibling()) {
        if (child.IsElement() && LocalName(child.NodeName()) == localName) {
            return child;
        }
    }
    return {};
}

// A value of the book as it appears in a report: a hostile book may make it megabytes long, and every entry
// of the report may repeat it.
std::string Shown(const std::string& value) {
    constexpr std::size_t kMaxShown = 80;
    return "\"" + (value.size() <= kMaxShown ? value : value.substr(0, kMaxShown) + "...") + "\"";
}

bool IsXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The unique identifier of the package file, or why there is none. Reading it may fail in every way a book
// can be damaged; the opening route reports those faults itself, here they only mean "no key".
struct Identifier {
    std::optional<std::string> text;
    std::string problem;
};

Identifier UniqueIdentifier(const std::string& tempDir) {
    try {
        const PackageRoot root = ReadContainerFile(tempDir);
        if (root.path.empty()) {
            return {std::nullopt, root.problem};
        }
        XmlDocument package;
        package.LoadFromFile(tempDir + "/" + root.path);
        const std::string id = AttributeText(package.DocumentElement(), "unique-identifier");
        if (id.empty()) {
            return {std::nullopt, "the package file names no unique identifier"};
        }
        std::optional<std::string> text;
        ForEachElement(package.DocumentElement(), [&](const XmlNode& element) {
            if (!text && LocalName(element.NodeName()) == "identifier" && AttributeText(element, "id") == id) {
                text = element.Text();
            }
        });
        if (!text) {
            return {std::nullopt, "the package file has no identifier with the id " + Shown(id)};
        }
        return {text, {}};
    } catch (const std::exception& e) {
        // The text names the package file, whose name the book chose; it goes into every entry of the report.
        constexpr std::size_t kMaxProblem = 300;
        const std::string problem = e.what();
        return {std::nullopt, problem.size() <= kMaxProblem ? problem : problem.substr(0, kMaxProblem) + "..."};
    }
}

struct Outcome {
    FontStatus status;
    std::string reason;
};

// The parts of the path that a reference names below the book's top folder; empty, with the reason in
// `refusal`, when it must not be followed.
std::vector<std::string> ReferenceParts(const std::string& uri, std::string& refusal) {
    const std::string reference = uri.substr(0, uri.find('#'));
    if (reference.substr(0, reference.find('/')).find(':') != std::string::npos) {
        refusal = "it names a scheme, not a file of the book";
        return {};
    }
    const std::string path = PercentDecode(reference);
    if (reference.starts_with('/') || path.starts_with('/')) {
        refusal = "it is an absolute path";
        return {};
    }
    if (path.find('\0') != std::string::npos) {
        refusal = "it holds a NUL character";
        return {};
    }
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t slash = std::min(path.find('/', start), path.size());
        const std::string part = path.substr(start, slash - start);
        if (part == "..") {
            refusal = "it has a \"..\" part";
            return {};
        }
        if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = slash + 1;
    }
    if (parts.empty()) {
        refusal = "it names no file";
    }
    return parts;
}

std::string Joined(std::span<const std::string> parts) {
    std::string path;
    for (const auto& part : parts) {
        path += path.empty() ? part : "/" + part;
    }
    return path;
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
    errno = WriteFully(fd, data, size);
    return errno == 0;
}

// Writes the restored bytes of `source` to a new file in `folder` and renames it over `name`. Whatever fails,
// the new file is removed and `name` keeps its old bytes.
Outcome ReplaceRestored(int folder, const std::string& name, int source, std::span<const std::uint8_t> key,
                        std::size_t length) {
    std::string tempName;
    UniqueFd target;
    // A book may hold a file of any name, so the first free one is taken, never an existing one.
    for (int n = 0; n < 100 && !target.Valid(); ++n) {
        tempName = ".quillmark-restored-" + std::to_string(n);
        target.Reset(::openat(folder, tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!target.Valid() && errno != EEXIST) {
            return {FontStatus::Failed, "cannot create its restored copy: " + FileSystemReason(errno)};
        }
    }
    if (!target.Valid()) {
        return {FontStatus::Failed, "cannot create its restored copy: every temporary name is taken"};
    }

    const auto fail = [&](const std::string& what, int error) {
        target.Reset();
        ::unlinkat(folder, tempName.c_str(), 0);
        return Outcome{FontStatus::Failed, what + ": " + FileSystemReason(error)};
    };
    std::vector<std::uint8_t> buffer(kCopyChunk);
    std::size_t offset = 0;
    for (;;) {
        const ssize_t got = ::read(source, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return fail("cannot read it", errno);
        }
        if (got == 0) {
            break;
        }
        const auto size = static_cast<std::size_t>(got);
        for (std::size_t i = 0; i < size && offset + i < length; ++i) {
            buffer[i] ^= key[(offset + i) % key.size()];
        }
        if (!WriteAll(target.Get(), buffer.data(), size)) {
            return fail("cannot write its restored copy", errno);
        }
        offset += size;
    }
    if (target.Reset() != 0) {
        const int error = errno;
        ::unlinkat(folder, tempName.c_str(), 0);
        return {FontStatus::Failed, "cannot write its restored copy: " + FileSystemReason(error)};
    }
    if (::renameat(folder, tempName.c_str(), folder, name.c_str()) != 0) {
        const int error = errno;
        ::unlinkat(folder, tempName.c_str(), 0);
        return {FontStatus::Failed, "cannot replace it: " + FileSystemReason(error)};
    }
    return {FontStatus::Restored, {}};
}

// Opens the folders of `parts` one below the other from `root` without following a link, checks that the
// last part is a regular file, and replaces it with its restored bytes.
Outcome Restore(int root, std::span<const std::string> parts, std::span<const std::uint8_t> key, std::size_t length) {
    UniqueFd folder;
    int parent = root;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        const int fd = ::openat(parent, parts[i].c_str(), kFolderFlags);
        if (fd < 0) {
            const int error = errno;
            const std::string where = "\"" + Joined(parts.first(i + 1)) + "\"";
            if (error == ENOENT) {
                return {FontStatus::Missing, "the folder " + where + " does not exist"};
            }
            if (error == ELOOP || error == ENOTDIR) {
                return {FontStatus::NotAFile, where + " is not a folder"};
            }
            return {FontStatus::Failed, "cannot open the folder " + where + ": " + FileSystemReason(error)};
        }
        folder.Reset(fd);
        parent = fd;
    }

    // Looked at before it is opened, so that opening a device or a FIFO never happens at all.
    const std::string& name = parts.back();
    struct stat before {};
    if (::fstatat(parent, name.c_str(), &before, AT_SYMLINK_NOFOLLOW) != 0) {
        const int error = errno;
        if (error == ENOENT) {
            return {FontStatus::Missing, "the file does not exist"};
        }
        return {FontStatus::Failed, "cannot look at it: " + FileSystemReason(error)};
    }
    if (S_ISLNK(before.st_mode)) {
        return {FontStatus::NotAFile, "it is a link"};
    }
    if (!S_ISREG(before.st_mode)) {
        return {FontStatus::NotAFile, "it is not a regular file"};
    }
    const UniqueFd source(::openat(parent, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat opened {};
    if (!source.Valid() || ::fstat(source.Get(), &opened) != 0) {
        return {FontStatus::Failed, "cannot open it: " + FileSystemReason(errno)};
    }
    if (!S_ISREG(opened.st_mode) || opened.st_ino != before.st_ino || opened.st_dev != before.st_dev) {
        return {FontStatus::NotAFile, "it was replaced while it was opened"};
    }
    return ReplaceRestored(parent, name, source.Get(), key, length);
}

} // namespace

std::optional<std::array<std::uint8_t, 20>> IdpfFontKey(const std::string& identifier) {
    std::string kept;
    for (const char c : identifier) {
        if (!IsXmlSpace(c)) {
            kept += c;
        }
    }
    if (kept.empty()) {
        return std::nullopt;
    }
    return Sha1(kept);
}

std::optional<std::array<std::uint8_t, 16>> AdobeFontKey(const std::string& identifier) {
    std::size_t first = 0;
    std::size_t last = identifier.size();
    while (first < last && IsXmlSpace(identifier[first])) {
        ++first;
    }
    while (last > first && IsXmlSpace(identifier[last - 1])) {
        --last;
    }
    std::string text = identifier.substr(first, last - first);
    constexpr std::string_view kPrefix = "urn:uuid:";
    if (EqualsIgnoringCase(std::string_view(text).substr(0, kPrefix.size()), kPrefix)) {
        text.erase(0, kPrefix.size());
    }
    std::erase(text, '-');
    if (text.size() != 32) {
        return std::nullopt;
    }
    std::array<std::uint8_t, 16> key{};
    for (std::size_t i = 0; i < key.size(); ++i) {
        const int high = HexValue(text[2 * i]);
        const int low = HexValue(text[2 * i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        key[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return key;
}

FontReport DeobfuscateFonts(const std::string& tempDir) {
    FontReport report;
    const std::string encryptionFile = tempDir + "/" + kEncryptionPath;
    struct stat info {};
    if (::lstat(encryptionFile.c_str(), &info) != 0) {
        if (errno != ENOENT && errno != ENOTDIR) {
            report.problem = "cannot look at \"" + encryptionFile + "\": " + std::strerror(errno);
        }
        return report;
    }
    if (!S_ISREG(info.st_mode)) {
        report.problem = "\"" + encryptionFile + "\" is not a regular file";
        return report;
    }

    XmlDocument encryption;
    try {
        encryption.LoadFromFile(encryptionFile);
    } catch (const std::exception& e) {
        report.problem = e.what();
        return report;
    }
    ForEachElement(encryption.DocumentElement(), [&](const XmlNode& element) {
        if (LocalName(element.NodeName()) != "EncryptedData") {
            return;
        }
        const std::string algorithm = AttributeText(ChildNamed(element, "EncryptionMethod"), "Algorithm");
        if (algorithm == kIdpfObfuscation || algorithm == kAdobeObfuscation) {
            const XmlNode reference = ChildNamed(ChildNamed(element, "CipherData"), "CipherReference");
            report.fonts.push_back({AttributeText(reference, "URI"), algorithm, FontStatus::Restored, {}});
        }
    });
    if (report.fonts.empty()) {
        return report;
    }

    const Identifier identifier = UniqueIdentifier(tempDir);
    const auto idpfKey = identifier.text ? IdpfFontKey(*identifier.text) : std::nullopt;
    const auto adobeKey = identifier.text ? AdobeFontKey(*identifier.text) : std::nullopt;
    const UniqueFd root(::open(tempDir.c_str(), kFolderFlags));
    const int rootError = errno;
    std::set<std::string> restored;
    for (FontEntry& font : report.fonts) {
        std::string refusal;
        const std::vector<std::string> parts = ReferenceParts(font.uri, refusal);
        const bool idpf = font.algorithm == kIdpfObfuscation;
        Outcome outcome{FontStatus::Restored, {}};
        if (parts.empty()) {
            outcome = {FontStatus::Unsafe, refusal};
        } else if (!identifier.text) {
            outcome = {FontStatus::NoKey, identifier.problem};
        } else if (idpf ? !idpfKey : !adobeKey) {
            outcome = {FontStatus::NoKey, idpf ? "the unique identifier is empty"
                                               : "the unique identifier " + Shown(*identifier.text) + " is no UUID"};
        } else if (restored.contains(Joined(parts))) {
            outcome = {FontStatus::Repeated, "an earlier entry restored it"};
        } else if (!root.Valid()) {
            outcome = {FontStatus::Failed, "cannot open the book's folder: " + FileSystemReason(rootError)};
        } else {
            outcome = idpf ? Restore(root.Get(), parts, *idpfKey, kIdpfLength)
                           : Restore(root.Get(), parts, *adobeKey, kAdobeLength);
        }
        if (outcome.status == FontStatus::Restored) {
            restored.insert(Joined(parts));
        }
        font.status = outcome.status;
        font.reason = outcome.reason;
    }
    return report;
}

} // namespace qm

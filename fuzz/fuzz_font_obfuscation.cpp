// Restores the fonts of an unpacked book whose encryption.xml, package file and font are arbitrary bytes, so
// that the walk of encryption.xml, the identifier lookup, the key derivation and the reference checks meet
// hostile input. The input holds the three files separated by lines of "---". The book also holds a link to a
// file outside it. Besides sanitizer reports it checks that the file outside and the link stay as they were,
// that no restored copy is left behind and that the report gives a reason for every font it did not restore.
#include "book/font_obfuscation.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxInputBytes = 128 * 1024;
constexpr const char* kSeparator = "\n---\n";
constexpr const char* kFiles[] = {"META-INF/encryption.xml", "OPS/package.opf", "OPS/fonts/font.otf"};
constexpr const char* kContainer =
    "<?xml version='1.0'?><container version='1.0' xmlns='urn:oasis:names:tc:opendocument:xmlns:container'>"
    "<rootfiles><rootfile full-path='OPS/package.opf' media-type='application/oebps-package+xml'/></rootfiles>"
    "</container>";
constexpr const char* kVictimBytes = "a file outside the book that no reference may change";

// Never destroyed, so that it is still there when the exit handler removes the folder.
const fs::path& Scratch() {
    static const fs::path* const path = [] {
        const auto* p =
            new fs::path(fs::temp_directory_path() / ("quillmark-fuzz-fonts-" + std::to_string(::getpid())));
        fs::create_directories(*p);
        std::atexit([] { fs::remove_all(Scratch()); });
        return p;
    }();
    return *path;
}

void Write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "%s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxInputBytes) {
        return 0;
    }
    const std::string input(reinterpret_cast<const char*>(data), size);
    const fs::path book = Scratch() / "book";
    const fs::path victim = Scratch() / "victim.otf";
    fs::remove_all(book);
    Write(victim, kVictimBytes);
    Write(book / "META-INF/container.xml", kContainer);
    std::size_t start = 0;
    for (const char* name : kFiles) {
        const std::size_t from = std::min(start, input.size());
        const std::size_t end = std::min(input.find(kSeparator, from), input.size());
        Write(book / name, input.substr(from, end - from));
        start = end + 5;
    }
    fs::create_symlink(victim, book / "OPS/fonts/link.otf");

    const qm::FontReport report = qm::DeobfuscateFonts(book.string());

    for (const qm::FontEntry& font : report.fonts) {
        Check(font.reason.empty() == (font.status == qm::FontStatus::Restored), "a report entry without its reason");
    }
    Check(Read(victim) == kVictimBytes, "the file outside the book changed");
    Check(fs::is_symlink(book / "OPS/fonts/link.otf"), "the link in the book was replaced");
    for (const auto& entry : fs::recursive_directory_iterator(Scratch())) {
        Check(entry.path().filename().string().rfind(".quillmark-restored-", 0) != 0,
              "a restored copy was left behind");
    }
    return 0;
}

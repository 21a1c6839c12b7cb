// Opens books whose container, package file and navigation documents are arbitrary bytes, so that the route
// through META-INF/container.xml (root file, manifest scan, NCX or navigation document, package walk) meets
// hostile input. The input holds the four files separated by lines of "---"; each becomes a stored member of
// a small archive, which is opened as the open command opens a book. Besides sanitizer reports it checks that
// nothing was written outside the book's working folder.
#include "book/open_book.h"
#include "zipwriter/zip_writer.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxInputBytes = 128 * 1024;
constexpr const char* kSeparator = "\n---\n";
constexpr const char* kMembers[] = {"META-INF/container.xml", "OPS/package.opf", "OPS/nav/nav.xhtml",
                                    "OPS/nav/toc.ncx"};

// Never destroyed, so that it is still there when the exit handler removes the folder.
const fs::path& Scratch() {
    static const fs::path* const path = [] {
        const auto* p =
            new fs::path(fs::temp_directory_path() / ("quillmark-fuzz-route-" + std::to_string(::getpid())));
        fs::create_directories(*p);
        std::atexit([] { fs::remove_all(Scratch()); });
        return p;
    }();
    return *path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxInputBytes) {
        return 0;
    }
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<qm::ZipMember> members;
    std::size_t start = 0;
    for (const char* name : kMembers) {
        const std::size_t end = std::min(input.find(kSeparator, start), input.size());
        qm::ZipMember member;
        member.name = name;
        member.data = input.substr(std::min(start, input.size()), end - std::min(start, input.size()));
        member.method = 0;
        members.push_back(member);
        start = end + 5;
    }
    const fs::path book = Scratch() / "book.epub";
    const fs::path data_folder = Scratch() / "data";
    qm::WriteZipFile(book.string(), members);

    qm::ReaderState state;
    qm::TableOfContents toc;
    qm::BookDocuments documents;
    try {
        qm::OpenBook(book.string(), qm::ComposeWorkingFolders(data_folder.string()), state, toc, documents);
    } catch (const std::exception&) {
        // Hostile books are refused with an error; only crashes and escapes are findings.
    }
    for (const auto& entry : fs::directory_iterator(Scratch())) {
        const std::string name = entry.path().filename().string();
        if (name != "book.epub" && name != "data") {
            std::fprintf(stderr, "written outside the working folder: %s\n", entry.path().c_str());
            std::abort();
        }
    }
    return 0;
}

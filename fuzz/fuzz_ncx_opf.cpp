// Loads arbitrary bytes as an XML file and runs the navigation-map walk and then the package walk over it,
// as the open command does with a book's NCX and OPF. Besides crashes and sanitizer reports it checks that
// the walks keep the table consistent and that FieldIndex answers as IndexOfField does.
#include "book/ncx_reader.h"
#include "book/opf_reader.h"
#include "book/reader_state.h"
#include "book/string_fields.h"
#include "book/table_of_contents.h"
#include "platform/xml/xml_document.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace {

// The walks are linear in the input; larger inputs only make each run slower without reaching new code.
// This also bounds the table: one row per itemref of at most this many bytes.
constexpr std::size_t kMaxInputBytes = 256 * 1024;
constexpr std::size_t kCheckedLookups = 64;

// Never destroyed, so that it is still there when the exit handler removes the file.
const std::string& InputPath() {
    static const std::string* const path = [] {
        const auto* p = new std::string(
            (std::filesystem::temp_directory_path() / ("quillmark-fuzz-ncx-opf-" + std::to_string(::getpid()) + ".xml"))
                .string());
        std::atexit([] { std::remove(InputPath().c_str()); });
        return p;
    }();
    return *path;
}

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

void CheckLookups(const std::vector<std::string>& list) {
    qm::FieldIndex index(list);
    for (std::size_t i = 0; i < list.size() && i < kCheckedLookups; ++i) {
        const std::string value = qm::GetField(list[i], 0);
        Check(index.Find(value) == qm::IndexOfField(value, list), "FieldIndex differs from IndexOfField");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxInputBytes) {
        return 0;
    }
    std::FILE* file = std::fopen(InputPath().c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    const bool written = std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written) {
        return 0;
    }

    qm::XmlDocument doc;
    try {
        doc.LoadFromFile(InputPath());
    } catch (const std::runtime_error&) {
        return 0;
    }
    qm::ReaderState state;
    qm::ReadNcxNode(state, doc.DocumentElement());
    for (const std::string& entry : state.DirIDList) {
        std::vector<std::string> pieces;
        qm::SplitToList(";", entry, pieces);
        Check(pieces.size() >= 4, "navigation entry with fewer than four fields");
    }

    qm::TableOfContents toc;
    try {
        qm::ReadOpfNode(state, toc, doc.DocumentElement());
    } catch (const std::runtime_error&) {
        // A few hundred kilobytes can ask for a table beyond its size limit (one long title in many rows); that
        // refusal is the expected outcome, and it leaves the table half filled.
        return 0;
    }
    Check(toc.RowCount() == (state.spineIndex == 0 ? 1 : state.spineIndex + 1), "row count differs from spine");
    CheckLookups(state.SubIDList);
    CheckLookups(state.DirIDList);
    return 0;
}

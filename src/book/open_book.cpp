#include "book/open_book.h"

#include "book/file_search.h"
#include "book/font_obfuscation.h"
#include "book/ncx_reader.h"
#include "book/opf_reader.h"
#include "book/package_fallback.h"
#include "book/zip_extractor.h"
#include "diagnostics/log.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace qm {

namespace {

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// Loads the file that the plain search found. When it found none, the empty path fails, or reloads a file of
// the previous book that the reset has deleted; either way the text then says what the book lacks, with the
// loader's own text in brackets.
void LoadFoundFile(XmlDocument& document, const std::string& path, const std::string& bookPath,
                   const std::string& whatIsMissing) {
    if (!path.empty()) {
        document.LoadFromFile(path);
        return;
    }
    try {
        document.LoadFromFile(path);
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(Quoted(bookPath) + " " + whatIsMissing + " (" + e.what() + ")");
    }
}

} // namespace

void OpenBook(const std::string& bookPath, const WorkingFolders& folders, ReaderState& state, TableOfContents& toc,
              BookDocuments& documents) {
    toc.BlankAllCells();
    state.ClearForOpening();
    state.bookFolder = folders.tempDir;
    toc.SetCurrentRow(0);
    state.WebZoom = 1.0;

    ResetFolder(folders.tempDir);
    ResetFolder(folders.tempJPG);
    {
        const log::Step step(log::Area::Book, "extracted " + bookPath);
        ExtractZip(bookPath, folders.tempDir);
    }
    // A font left scrambled only shows in the fallback font, so what could not be restored does not stop the
    // opening and is not shown to the reader.
    DeobfuscateFonts(folders.tempDir);

    toc.SetCell(0, 0, "No.");
    toc.SetCell(1, 0, "Title");
    toc.SetCell(2, 0, "");

    const std::string ncxPath = FindFileByPattern(folders.tempDir, ".ncx", state.flag_Search);
    state.subTempDir = ExtractFilePath(ncxPath);
    std::string opfPath;
    if (state.flag_Search) {
        documents.XMLDocument1.LoadFromFile(ncxPath);
        ReadNcxNode(state, documents.XMLDocument1.DocumentElement());
        opfPath = FindFileByPattern(state.subTempDir, ".opf", state.flag_Search);
    }

    // Books whose navigation map is missing, or lies below the package file's folder, are found through the
    // container's root file instead; books without a container fail where the plain search found nothing.
    if (!state.flag_Search && HasContainerFile(folders.tempDir)) {
        ReadPackageThroughContainer(folders.tempDir, state, toc, documents.XMLDocument1, documents.XMLDocument2);
    } else {
        if (ncxPath.empty()) {
            LoadFoundFile(documents.XMLDocument1, ncxPath, bookPath,
                          "has no navigation map: none of its files has \".ncx\" in its name");
            ReadNcxNode(state, documents.XMLDocument1.DocumentElement());
        }
        state.spineIndex = 0;
        LoadFoundFile(documents.XMLDocument2, opfPath, bookPath,
                      "has no package file: no file in or below its navigation map's folder has \".opf\" in its name");
        // An empty navigation map beside the package gives way to the package's navigation document, whose
        // paths are then relative to the same folder.
        if (ExtractFilePath(opfPath) == state.subTempDir && opfPath.starts_with(folders.tempDir + "/")) {
            ReadNavDocumentForEmptyMap(folders.tempDir, opfPath.substr(folders.tempDir.size() + 1),
                                       documents.XMLDocument2, state);
        }
        ReadOpfNode(state, toc, documents.XMLDocument2.DocumentElement());
    }
    state.chapterFacts = ReadChapterFacts(documents.XMLDocument2, documents.XMLDocument2.FileName());
    log::Write(log::Area::Book, std::to_string(toc.RowCount() > 0 ? toc.RowCount() - 1 : 0) + " rows, chapters below " +
                                    state.subTempDir);
    // Without a row there is no first chapter to show; the table stays blanked as the steps above left it.
    if (state.spineIndex == 0) {
        throw std::runtime_error(Quoted(bookPath) + " has no chapters: its package file lists no spine items");
    }
}

} // namespace qm

namespace qm {

void CheckBookOpens(const std::string& bookPath) {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillmark-check-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("Cannot check \"" + bookPath + "\": no temporary folder (" + std::strerror(errno) +
                                 ")");
    }
    struct Removed {
        std::string folder;
        ~Removed() { DeleteFolder(folder); }
    } scratch{pattern};
    ReaderState state;
    TableOfContents toc;
    BookDocuments documents;
    OpenBook(bookPath, ComposeWorkingFolders(scratch.folder), state, toc, documents);
}

} // namespace qm

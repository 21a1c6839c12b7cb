#include "book/open_book.h"

#include "book/file_search.h"
#include "book/ncx_reader.h"
#include "book/opf_reader.h"
#include "book/package_fallback.h"
#include "book/zip_extractor.h"

namespace qm {

void OpenBook(const std::string& bookPath, const WorkingFolders& folders, ReaderState& state, TableOfContents& toc,
              BookDocuments& documents) {
    toc.BlankAllCells();
    state.ClearForOpening();
    toc.SetCurrentRow(0);
    state.WebZoom = 1.0;

    ResetFolder(folders.tempDir);
    ResetFolder(folders.tempJPG);
    ExtractZip(bookPath, folders.tempDir);

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
    // container's root file instead; books without a container keep the errors of the plain search.
    if (!state.flag_Search && HasContainerFile(folders.tempDir)) {
        ReadPackageThroughContainer(folders.tempDir, state, toc, documents.XMLDocument1, documents.XMLDocument2);
        return;
    }
    if (ncxPath.empty()) {
        documents.XMLDocument1.LoadFromFile(ncxPath);
        ReadNcxNode(state, documents.XMLDocument1.DocumentElement());
    }
    state.spineIndex = 0;
    documents.XMLDocument2.LoadFromFile(opfPath);
    ReadOpfNode(state, toc, documents.XMLDocument2.DocumentElement());
}

} // namespace qm

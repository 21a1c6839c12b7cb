#include "cli/toc_command.h"

#include "book/open_book.h"
#include "cli/private_folders.h"

#include <cstdio>
#include <exception>
#include <iostream>

namespace qm::cli {

int RunToc(const std::vector<std::string>& args) {
    try {
        const PrivateFolders folders;
        ReaderState state;
        TableOfContents toc;
        BookDocuments documents;
        OpenBook(args[0], folders.working(), state, toc, documents);
        toc.SetCurrentRow(1);
        std::string out;
        for (std::int32_t row = 0; row < toc.RowCount(); ++row) {
            const TocRow value = toc.Row(row);
            out += value.number + '\t' + value.title + '\t' + value.path + '\n';
        }
        std::fwrite(out.data(), 1, out.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
}

} // namespace qm::cli

#include "cli/toc_command.h"

#include "cli/opened_book.h"

#include <cstdio>
#include <exception>
#include <iostream>

namespace qm::cli {

int RunToc(const std::vector<std::string>& args) {
    try {
        OpenedBook book(args[0]);
        book.toc.SetCurrentRow(1);
        std::string out;
        for (std::int32_t row = 0; row < book.toc.RowCount(); ++row) {
            const TocRow value = book.toc.Row(row);
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

#include "cli/pdf_command.h"

#include <unistd.h>

#include <cstdint>
#include <iostream>
#include <stdexcept>

#include "jpeg2pdf2/jpeg2pdf2.h"

namespace qm::cli {

namespace {

void ShowProgress(const std::string& text, std::int32_t total, std::int32_t done) {
    if (total == 0 && done == 0) {
        std::cerr << text << '\n';
    } else {
        std::cerr << text << "  " << done << '/' << total << " bytes\n";
    }
}

const char* ResultName(std::int32_t result) {
    switch (result) {
    case pdfDone:
        return "pdfDone";
    case pdfNoFiles:
        return "pdfNoFiles";
    default:
        return "pdfAborted";
    }
}

} // namespace

int RunPdf(const std::vector<std::string>& args) {
    const std::string& outFile = args.front();
    const std::vector<std::string> pages(args.begin() + 1, args.end());
    const TPDFProgress progress = ::isatty(STDERR_FILENO) ? TPDFProgress(ShowProgress) : TPDFProgress();
    std::int32_t result = 0;
    std::string abortCause;
    try {
        result = JpegsToPDF(pages, outFile, progress, {}, &abortCause);
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return 2;
    }
    std::cout << ResultName(result) << std::endl;
    if (result == pdfAborted && !abortCause.empty()) {
        std::cerr << abortCause << '\n';
    }
    return result == pdfDone ? 0 : 1;
}

} // namespace qm::cli

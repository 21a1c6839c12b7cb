#pragma once

#include "convert/book_converter.h"
#include "convert/conversion_result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qm::cli {

// Pages are laid out 800 pixels wide, a width that reads well on a screen and on paper, in a viewport 600
// pixels high (the least height of a page).
inline constexpr int kDefaultWidth = 800;
inline constexpr int kDefaultHeight = 600;
inline constexpr int kUsageError = 64;

extern const char* const kConvertUsage;

// The options of `quillmark-cli convert`, which the rendering program shares.
struct ConvertOptions {
    // One book and its output, or several books into `outputDir`.
    std::vector<std::string> books;
    std::string out;
    std::string outputDir;
    ConversionKind kind = ConversionKind::Pdf;
    PaperKind paper = PaperKind::A4;
    bool replace = false;
    bool scripts = false;
    bool quiet = false;
    int timeoutSeconds = 60;
    int width = kDefaultWidth;
    // Pixels of a page picture to a CSS pixel (--scale): pages drawn F times sharper, the PDF's pages as large.
    double scale = 1.0;
    // The JPEG quality of the page pictures, 1 to 100 (--quality): 100 keeps every detail, lower is smaller.
    int quality = 100;
    int height = kDefaultHeight;
    // 0: as many as the machine has cores.
    int jobs = 0;
    // A share of a conversion run by several processes (for the rendering program only): these rows, their
    // page files into `pageFolder`, and what happened as lines on stdout.
    std::vector<std::int32_t> rows;
    std::string pageFolder;
    // Also tell the files written and the chapters missing on stdout, as a share does (for the rendering
    // program only).
    bool tell = false;
};

// Parses `args` (the words after "convert"); a usage error is printed to stderr and gives nothing.
std::optional<ConvertOptions> ParseConvertOptions(const std::vector<std::string>& args);

// The words that give `options` for one book, its output and the rows and page folder of a share.
std::vector<std::string> ConvertArguments(const ConvertOptions& options, const std::string& book,
                                          const std::string& out);

// A message as one line: the window's texts start with a line break.
std::string OneLine(std::string text);

// What a conversion did, on stderr as "quillmark-cli convert: ..." lines; the exit status (0 when the output
// is complete, else 1).
int ReportConversionResult(const ConversionResult& result);

} // namespace qm::cli

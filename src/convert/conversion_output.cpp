#include "convert/conversion_output.h"

#include "convert/output_names.h"
#include "convert/text_pdf_outline.h"

#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <system_error>

namespace qm {

namespace {

// How the document may take `name`: replacing what is there only when the caller says so; nothing when the
// file there is to be kept (the error says so).
std::optional<Replacing> ReplacingFor(const std::string& name, const OutputHooks& hooks, ConversionResult& result) {
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(name, ec))) {
        return Replacing::Refused;
    }
    switch (hooks.whenTaken(name)) {
    case TakenName::Replace:
        return Replacing::Allowed;
    case TakenName::Keep:
        result.error = "\"" + name + "\" was kept; what was converted was not written";
        return std::nullopt;
    case TakenName::Stop:
        break;
    }
    result.error = "\"" + name + "\" exists: another program wrote it while the book was converted; it is kept";
    return std::nullopt;
}

void MakePdf(ConversionResult& result, const std::string& target, const OutputHooks& hooks) {
    const std::optional<Replacing> replacing = ReplacingFor(target, hooks, result);
    if (!replacing) {
        return;
    }
    result.pdfResult =
        JpegsToPDF(result.written, target, hooks.pdfProgress, hooks.pump, &result.pdfCause, *replacing, result.scale);
}

void MakeTextPdf(ConversionResult& result, const TableOfContents& toc, const BookMetadata& metadata,
                 const OutputHooks& hooks) {
    if (result.written.empty()) {
        result.pdfResult = pdfNoFiles;
        return;
    }
    if (!result.missing.empty()) {
        return;
    }
    const std::optional<Replacing> replacing = ReplacingFor(result.output, hooks, result);
    if (!replacing) {
        return;
    }
    // Each chapter PDF is named after the first row into its file.
    std::map<std::string, int> chapterOfFile;
    for (std::size_t n = 0; n < result.written.size(); ++n) {
        chapterOfFile.emplace(toc.Row(PageFileOrder(result.written[n]).first).link.file, static_cast<int>(n));
    }
    const std::vector<OutlineEntry> outline =
        TextPdfOutline(toc, toc.ChapterRows(), [&chapterOfFile](const std::string& file) {
            const auto found = chapterOfFile.find(file);
            return found == chapterOfFile.end() ? -1 : found->second;
        });
    try {
        MergeChapterPdfs(result.written, outline, TextPdfInfo(metadata), result.output, hooks.mergeProgress,
                         *replacing);
        result.pdfResult = pdfDone;
    } catch (const std::runtime_error& error) {
        result.pdfResult = pdfAborted;
        result.pdfCause = error.what();
    }
}

} // namespace

void MakeOutput(ConversionResult& result, const TableOfContents& toc, const BookMetadata& metadata,
                const OutputHooks& hooks) {
    if (result.kind == ConversionKind::TextPdf) {
        MakeTextPdf(result, toc, metadata, hooks);
        return;
    }
    const std::string target = result.missing.empty() ? result.output : IncompleteOutputName(result.output);
    if (target != result.output) {
        result.incompleteOutput = target;
    }
    if (result.kind == ConversionKind::Pdf) {
        MakePdf(result, target, hooks);
        return;
    }
    const PlacedPages placed = PlaceJpgPages(result.written, target, hooks.whenTaken);
    result.written = placed.files;
    result.kept += placed.kept;
}

} // namespace qm

#include "convert/conversion_report.h"

#include "book/file_search.h"
#include "jpeg2pdf2/jpeg2pdf2.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace qm {

std::string MissingChaptersText(const ConversionResult& result) {
    constexpr std::size_t kNamed = 10;
    std::string text = "These chapters could not be captured:";
    for (std::size_t i = 0; i < std::min(result.missing.size(), kNamed); ++i) {
        const MissingChapter& chapter = result.missing[i];
        text += "\rrow " + std::to_string(chapter.row) + " \"" + chapter.title + "\": " + chapter.reason;
    }
    if (result.missing.size() > kNamed) {
        text += "\rand " + std::to_string(result.missing.size() - kNamed) + " more";
    }
    return text;
}

void ReportConversion(const ConversionResult& result, Dialogs& dialogs, Shell& shell) {
    if (result.noBook) {
        dialogs.ShowMessage(MessageKind::Information, "", "\rOpen a book first: there is nothing to convert.");
        return;
    }
    if (!result.started) {
        return;
    }
    if (!result.cancelled) {
        if (result.pdfResult == pdfNoFiles) {
            dialogs.ShowMessage(MessageKind::Information, "", "\rNo files existing!");
        } else if (result.pdfResult == pdfDone && result.incompleteOutput.empty()) {
            dialogs.ShowMessage(MessageKind::Plain, "Congratulation", "Successed to build: " + result.output);
        } else if (result.pdfResult == pdfAborted) {
            dialogs.ShowMessage(MessageKind::Error, "",
                                "\rAborted!" + (result.pdfCause.empty() ? std::string() : "\r" + result.pdfCause));
        } else if (result.kind == ConversionKind::Jpg && result.error.empty()) {
            const std::size_t count = result.written.size();
            dialogs.ShowMessage(MessageKind::Information, "",
                                "\rWrote " + std::to_string(count) + (count == 1 ? " JPEG file" : " JPEG files") +
                                    " to " + ExtractFilePath(result.output));
        }
    }
    // The folder is opened however the conversion ended, unless it does not exist (the output could not be
    // written there at all).
    const std::string folder = ExtractFilePath(result.output);
    std::error_code ec;
    if (!result.quiet && std::filesystem::is_directory(folder.empty() ? "." : folder, ec)) {
        shell.OpenFolder(folder);
    }
    if (result.cancelled) {
        return;
    }
    if (!result.error.empty()) {
        dialogs.ShowMessage(MessageKind::Error, "", result.error);
    } else if (!result.missing.empty()) {
        std::string written;
        if (!result.incompleteOutput.empty() && !result.written.empty() &&
            (result.kind == ConversionKind::Jpg || result.pdfResult == pdfDone)) {
            written = "\rWhat was converted is in " + result.incompleteOutput + ", named so since it is incomplete; " +
                      result.output + " was not written.\r";
        }
        dialogs.ShowMessage(MessageKind::Error, "", written + "\r" + MissingChaptersText(result));
    }
}

} // namespace qm

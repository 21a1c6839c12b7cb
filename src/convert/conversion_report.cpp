#include "convert/conversion_report.h"

#include "book/file_search.h"
#include "jpeg2pdf2/jpeg2pdf2.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

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

namespace {

struct Message {
    MessageKind kind;
    std::string caption;
    std::string text;
};

// What the end of a conversion may open: the file under the chosen name, else what was written under the
// incomplete name (the first page of JPEG pages); empty when neither is there.
std::string Openable(const ConversionResult& result) {
    std::error_code ec;
    for (const std::string& candidate :
         {result.kind == ConversionKind::Jpg && !result.written.empty() ? result.written.front() : result.output,
          result.incompleteOutput}) {
        if (!candidate.empty() && std::filesystem::is_regular_file(candidate, ec)) {
            return candidate;
        }
    }
    return {};
}

} // namespace

void ReportConversion(const ConversionResult& result, Dialogs& dialogs, Shell& shell) {
    if (result.noBook) {
        dialogs.ShowMessage(MessageKind::Information, "", "\rOpen a book first: there is nothing to convert.");
        return;
    }
    if (!result.started) {
        return;
    }
    if (result.cancelled) {
        if (!result.quiet) {
            // A cancelled conversion puts nothing in place and takes away the pages it wrote; only what was
            // written under an incomplete name before could stay.
            std::error_code ec;
            const bool nothing =
                result.incompleteOutput.empty() || !std::filesystem::exists(result.incompleteOutput, ec);
            dialogs.ShowMessage(MessageKind::Information, "",
                                nothing ? "\rThe conversion was cancelled; nothing was written."
                                        : "\rThe conversion was cancelled.");
        }
        return;
    }
    std::vector<Message> messages;
    if (result.pdfResult == pdfNoFiles) {
        messages.push_back({MessageKind::Information, "", "\rNo files existing!"});
    } else if (result.pdfResult == pdfDone && result.incompleteOutput.empty()) {
        const std::size_t pages = result.written.size();
        messages.push_back({MessageKind::Plain, "Congratulation",
                            "Successed to build: " + result.output +
                                (result.kind == ConversionKind::Pdf
                                     ? "\r\r" + std::to_string(pages) + (pages == 1 ? " page" : " pages")
                                     : std::string())});
    } else if (result.pdfResult == pdfAborted) {
        messages.push_back({MessageKind::Error, "",
                            "\rAborted!" + (result.pdfCause.empty() ? std::string() : "\r" + result.pdfCause)});
    } else if (result.kind == ConversionKind::Jpg && result.error.empty()) {
        const std::size_t count = result.written.size();
        messages.push_back({MessageKind::Information, "",
                            "\rWrote " + std::to_string(count) + (count == 1 ? " JPEG file" : " JPEG files") + " to " +
                                ExtractFilePath(result.output)});
    }
    if (!result.error.empty()) {
        messages.push_back({MessageKind::Error, "", result.error});
    } else if (!result.missing.empty()) {
        std::string written;
        if (!result.incompleteOutput.empty() && !result.written.empty() &&
            (result.kind == ConversionKind::Jpg || result.pdfResult == pdfDone)) {
            written = "\rWhat was converted is in " + result.incompleteOutput + ", named so since it is incomplete; " +
                      result.output + " was not written.\r";
        }
        messages.push_back({MessageKind::Error, "", written + "\r" + MissingChaptersText(result)});
    }
    if (messages.empty()) {
        return;
    }
    for (std::size_t i = 0; i + 1 < messages.size(); ++i) {
        dialogs.ShowMessage(messages[i].kind, messages[i].caption, messages[i].text);
    }
    // The last message ends the conversion: it offers the output and its folder, when the folder is there (an
    // output that could not be written there at all has none).
    const Message& last = messages.back();
    const std::string folder = ExtractFilePath(result.output);
    std::error_code ec;
    if (!std::filesystem::is_directory(folder.empty() ? "." : folder, ec)) {
        dialogs.ShowMessage(last.kind, last.caption, last.text);
        return;
    }
    const std::string openable = Openable(result);
    switch (dialogs.ShowConversionEnd(last.kind, last.caption, last.text, !openable.empty())) {
    case EndAnswer::Open:
        if (!openable.empty()) {
            shell.OpenFile(openable);
        }
        break;
    case EndAnswer::ShowFolder:
        shell.OpenFolder(folder);
        break;
    case EndAnswer::Close:
        break;
    }
}

} // namespace qm

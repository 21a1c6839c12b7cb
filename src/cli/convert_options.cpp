#include "cli/convert_options.h"

#include "book/string_fields.h"
#include "jpeg2pdf2/jpeg2pdf2.h"

#include <charconv>
#include <filesystem>
#include <iostream>

namespace qm::cli {

const char* const kConvertUsage = "usage: quillmark-cli convert BOOK.epub OUT.pdf|OUT.jpg [OPTIONS]\n"
                                  "       quillmark-cli convert --output-dir DIR [--jpg] BOOK.epub... [OPTIONS]\n"
                                  "options: --replace|--no-replace --timeout SECONDS --width PX --height PX --scale F\n"
                                  "         --quality Q --scripts\n"
                                  "         --text [--paper A4|Letter|chapter] --jobs N --quiet\n";

namespace {

// Reads the whole number after an option into `value`; false (with a message) when it is missing, not a
// number or outside [least, most].
bool ReadNumber(const std::vector<std::string>& args, std::size_t& i, int least, int most, int& value) {
    const std::string& option = args[i];
    const std::string text = i + 1 < args.size() ? args[++i] : "";
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), value);
    if (parsed.ec != std::errc() || parsed.ptr != text.data() + text.size() || value < least || value > most) {
        std::cerr << "quillmark-cli convert: " << option << " takes a whole number from " << least << " to " << most
                  << ", not \"" << text << "\"\n";
        return false;
    }
    return true;
}

bool ReadRows(const std::string& text, std::vector<std::int32_t>& rows) {
    for (std::size_t at = 0; at < text.size();) {
        std::int32_t row = 0;
        const auto parsed = std::from_chars(text.data() + at, text.data() + text.size(), row);
        if (parsed.ec != std::errc() || row < 1) {
            return false;
        }
        rows.push_back(row);
        at = static_cast<std::size_t>(parsed.ptr - text.data());
        if (at < text.size() && text[at++] != ',') {
            return false;
        }
    }
    return !rows.empty();
}

std::optional<PaperKind> PaperNamed(const std::string& name) {
    if (name == "A4" || name == "a4") {
        return PaperKind::A4;
    }
    if (name == "Letter" || name == "letter") {
        return PaperKind::Letter;
    }
    if (name == "chapter") {
        return PaperKind::Chapter;
    }
    return std::nullopt;
}

const char* PaperName(PaperKind paper) {
    switch (paper) {
    case PaperKind::Letter:
        return "Letter";
    case PaperKind::Chapter:
        return "chapter";
    case PaperKind::A4:
        break;
    }
    return "A4";
}

} // namespace

std::optional<ConvertOptions> ParseConvertOptions(const std::vector<std::string>& args) {
    ConvertOptions options;
    std::vector<std::string> paths;
    bool text = false;
    bool jpg = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--replace" || word == "--no-replace") {
            options.replace = word == "--replace";
        } else if (word == "--scripts") {
            options.scripts = true;
        } else if (word == "--quiet") {
            options.quiet = true;
        } else if (word == "--tell") {
            options.tell = true;
        } else if (word == "--text") {
            text = true;
        } else if (word == "--jpg") {
            jpg = true;
        } else if (word == "--paper") {
            const std::string name = i + 1 < args.size() ? args[++i] : "";
            const std::optional<PaperKind> paper = PaperNamed(name);
            if (!paper) {
                std::cerr << "quillmark-cli convert: --paper takes A4, Letter or chapter, not \"" << name << "\"\n";
                return std::nullopt;
            }
            options.paper = *paper;
        } else if (word == "--output-dir") {
            options.outputDir = i + 1 < args.size() ? args[++i] : "";
            if (options.outputDir.empty()) {
                std::cerr << "quillmark-cli convert: --output-dir takes a folder\n";
                return std::nullopt;
            }
        } else if (word == "--rows") {
            if (i + 1 >= args.size() || !ReadRows(args[++i], options.rows)) {
                std::cerr << "quillmark-cli convert: --rows takes row numbers separated by commas\n";
                return std::nullopt;
            }
        } else if (word == "--pages") {
            options.pageFolder = i + 1 < args.size() ? args[++i] : "";
        } else if (word == "--timeout") {
            if (!ReadNumber(args, i, 1, 24 * 3600, options.timeoutSeconds)) {
                return std::nullopt;
            }
        } else if (word == "--width") {
            if (!ReadNumber(args, i, 100, 16384, options.width)) {
                return std::nullopt;
            }
        } else if (word == "--height") {
            if (!ReadNumber(args, i, 100, 16384, options.height)) {
                return std::nullopt;
            }
        } else if (word == "--scale") {
            const std::string text = i + 1 < args.size() ? args[++i] : "";
            const auto parsed = std::from_chars(text.data(), text.data() + text.size(), options.scale);
            if (parsed.ec != std::errc() || parsed.ptr != text.data() + text.size() || !(options.scale >= 1) ||
                options.scale > 4) {
                std::cerr << "quillmark-cli convert: --scale takes a number from 1 to 4, not \"" << text << "\"\n";
                return std::nullopt;
            }
        } else if (word == "--quality") {
            if (!ReadNumber(args, i, 1, 100, options.quality)) {
                return std::nullopt;
            }
        } else if (word == "--jobs") {
            if (!ReadNumber(args, i, 1, 64, options.jobs)) {
                return std::nullopt;
            }
        } else if (word.size() > 1 && word[0] == '-') {
            std::cerr << "quillmark-cli convert: unknown option \"" << word << "\"\n";
            return std::nullopt;
        } else {
            paths.push_back(word);
        }
    }
    if (!options.outputDir.empty()) {
        if (paths.empty()) {
            return std::nullopt;
        }
        options.books = paths;
        options.kind = text ? ConversionKind::TextPdf : jpg ? ConversionKind::Jpg : ConversionKind::Pdf;
        if (text && jpg) {
            std::cerr << "quillmark-cli convert: --text makes a PDF; it does not go with --jpg\n";
            return std::nullopt;
        }
        return options;
    }
    if (paths.size() != 2) {
        return std::nullopt;
    }
    options.books = {paths[0]};
    options.out = paths[1];
    if (EndsWithIgnoringCase(options.out, ".pdf")) {
        options.kind = text ? ConversionKind::TextPdf : ConversionKind::Pdf;
    } else if (EndsWithIgnoringCase(options.out, ".jpg") || EndsWithIgnoringCase(options.out, ".jpeg")) {
        options.kind = ConversionKind::Jpg;
        if (text) {
            std::cerr << "quillmark-cli convert: --text makes a PDF; the output must end in .pdf\n";
            return std::nullopt;
        }
    } else {
        std::cerr << "quillmark-cli convert: the output must end in .pdf, .jpg or .jpeg: \"" << options.out << "\"\n";
        return std::nullopt;
    }
    return options;
}

std::vector<std::string> ConvertArguments(const ConvertOptions& options, const std::string& book,
                                          const std::string& out) {
    std::vector<std::string> words = {book,
                                      out,
                                      options.replace ? "--replace" : "--no-replace",
                                      "--timeout",
                                      std::to_string(options.timeoutSeconds),
                                      "--width",
                                      std::to_string(options.width),
                                      "--height",
                                      std::to_string(options.height)};
    if (options.scale != 1.0) {
        char digits[32];
        const auto written = std::to_chars(digits, digits + sizeof digits, options.scale);
        words.insert(words.end(), {"--scale", std::string(digits, written.ptr)});
    }
    if (options.quality != 100) {
        words.insert(words.end(), {"--quality", std::to_string(options.quality)});
    }
    if (options.scripts) {
        words.push_back("--scripts");
    }
    if (options.quiet) {
        words.push_back("--quiet");
    }
    if (options.kind == ConversionKind::TextPdf) {
        words.insert(words.end(), {"--text", "--paper", PaperName(options.paper)});
    }
    if (!options.rows.empty()) {
        std::string rows;
        for (const std::int32_t row : options.rows) {
            rows += (rows.empty() ? "" : ",") + std::to_string(row);
        }
        words.insert(words.end(), {"--rows", rows});
    }
    if (!options.pageFolder.empty()) {
        words.insert(words.end(), {"--pages", options.pageFolder});
    }
    return words;
}

std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\r') {
            c = '\n';
        }
    }
    const std::size_t start = text.find_first_not_of('\n');
    return start == std::string::npos ? std::string() : text.substr(start);
}

int ReportConversionResult(const ConversionResult& result) {
    auto say = [](const std::string& text) { std::cerr << "quillmark-cli convert: " << OneLine(text) << "\n"; };
    if (!result.error.empty()) {
        say(result.error);
    }
    for (const MissingChapter& chapter : result.missing) {
        say("chapter \"" + chapter.title + "\" (row " + std::to_string(chapter.row) +
            ") has no page: " + chapter.reason);
    }
    if (result.pdfResult == pdfNoFiles) {
        say("No files existing!");
    } else if (result.pdfResult == pdfAborted) {
        say("Aborted!" + (result.pdfCause.empty() ? std::string() : " " + result.pdfCause));
    }
    if (result.kept > 0) {
        say("kept " + std::to_string(result.kept) +
            " existing file(s) instead of their chapters; --replace overwrites them");
    }
    if (!result.incompleteOutput.empty() && !result.written.empty() &&
        (result.kind == ConversionKind::Jpg || result.pdfResult == pdfDone)) {
        std::error_code ec;
        if (result.kind == ConversionKind::Jpg) {
            say("wrote " + std::to_string(result.written.size()) + " pages named after " + result.incompleteOutput +
                ", since the book is incomplete; no page named after " + result.output + " was written or replaced");
        } else {
            say("wrote " + result.incompleteOutput + ", named so since the book is incomplete; " + result.output +
                (std::filesystem::exists(result.output, ec) ? " was left as it was" : " was not written"));
        }
    }
    if (result.Complete() && result.kept == 0) {
        say("wrote " + result.output);
        return 0;
    }
    return 1;
}

} // namespace qm::cli

#include "convert/conversion_lines.h"

#include <algorithm>
#include <cstdlib>

namespace qm {

namespace {

std::int32_t RowOf(const std::string& field) {
    return static_cast<std::int32_t>(std::strtol(field.c_str(), nullptr, 10));
}

// `text` on one line of the protocol: each line break a space.
std::string Flat(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return text;
}

} // namespace

std::string ChapterLine(std::int32_t row, const std::string& title) {
    return "chapter\t" + std::to_string(row) + "\t" + Flat(title) + "\n";
}

void WriteConversionLines(const ConversionResult& result, std::ostream& out) {
    for (const std::string& file : result.written) {
        out << "written\t" << file << "\n";
    }
    for (const MissingChapter& chapter : result.missing) {
        out << "missing\t" << chapter.row << "\t" << Flat(chapter.reason) << "\n";
    }
    if (result.kept > 0) {
        out << "kept\t" << result.kept << "\n";
    }
    if (!result.error.empty()) {
        out << "error\t" << Flat(result.error) << "\n";
    }
    out << std::flush;
}

std::optional<StartedChapter> ReadConversionLine(const std::string& line, const TableOfContents& toc,
                                                 ConversionResult& result) {
    const std::size_t tab = line.find('\t');
    const std::string word = line.substr(0, tab);
    const std::string rest = tab == std::string::npos ? std::string() : line.substr(tab + 1);
    const std::size_t secondTab = rest.find('\t');
    const std::string afterRow = secondTab == std::string::npos ? std::string() : rest.substr(secondTab + 1);
    if (word == "chapter") {
        return StartedChapter{RowOf(rest), afterRow};
    }
    if (word == "written") {
        result.written.push_back(rest);
    } else if (word == "missing") {
        const std::int32_t row = RowOf(rest);
        const bool known = row > 0 && row < toc.RowCount();
        result.missing.push_back({row, known ? toc.Row(row).title : std::string(), afterRow});
    } else if (word == "kept") {
        result.kept += static_cast<int>(std::strtol(rest.c_str(), nullptr, 10));
    } else if (word == "error" && result.error.empty()) {
        result.error = rest;
    }
    return std::nullopt;
}

} // namespace qm

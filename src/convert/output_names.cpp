#include "convert/output_names.h"

#include "book/string_fields.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace qm {

namespace {

// Where the extension of the path's file name begins (its last dot), or npos when the file name has none.
// A leading dot (".jpg" alone) makes a hidden name, not an extension.
std::size_t ExtensionStart(const std::string& path) {
    const std::size_t nameStart = path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1;
    const std::size_t dot = path.find_last_of('.');
    return dot == std::string::npos || dot <= nameStart ? std::string::npos : dot;
}

} // namespace

std::string PageFileName(const std::string& tempJPG, std::int32_t row) {
    return tempJPG + "/" + std::to_string(row) + "_W.jpg";
}

std::pair<std::int32_t, int> PageFileOrder(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::int32_t row = 0;
    int part = 1;
    char rest[16] = {};
    const int fields = std::sscanf(name.c_str(), "%d_W_part%d%15s", &row, &part, rest);
    if (fields == 3 && std::string(rest) == ".jpg" && row > 0 && part > 1) {
        return {row, part};
    }
    if (row > 0 && (name == std::to_string(row) + "_W.jpg" || name == std::to_string(row) + ".pdf")) {
        return {row, 1};
    }
    return {0, 0};
}

std::string IncompleteOutputName(const std::string& chosen) {
    const std::size_t dot = ExtensionStart(chosen);
    return dot == std::string::npos ? chosen + ".incomplete"
                                    : chosen.substr(0, dot) + ".incomplete" + chosen.substr(dot);
}

std::string JpgOutputName(const std::string& chosen, std::int32_t row) {
    const std::string number = std::to_string(row);
    const std::size_t dot = ExtensionStart(chosen);
    if (dot != std::string::npos) {
        const std::string extension = chosen.substr(dot);
        if (EqualsIgnoringCase(extension, ".jpg") || EqualsIgnoringCase(extension, ".jpeg")) {
            return chosen.substr(0, dot) + number + extension;
        }
    }
    return chosen + number + ".jpg";
}

std::string ContinuationFileName(const std::string& path, int part) {
    const std::string suffix = "_part" + std::to_string(part);
    const std::size_t dot = ExtensionStart(path);
    return dot == std::string::npos ? path + suffix : path.substr(0, dot) + suffix + path.substr(dot);
}

} // namespace qm

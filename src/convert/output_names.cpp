#include "convert/output_names.h"

#include "book/string_fields.h"

#include <algorithm>
#include <cctype>

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

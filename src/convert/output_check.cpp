#include "convert/output_check.h"

#include "book/file_search.h"
#include "convert/output_names.h"
#include "files/regular_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace qm {

std::string OutputRefusal(ConversionKind kind, const std::string& book, const std::string& chosen,
                          std::optional<bool> replace, const std::vector<std::int32_t>& rows) {
    if (SameFile(chosen, book)) {
        return "\"" + chosen + "\" is the book itself; choose another name for the output";
    }
    std::string folder = ExtractFilePath(chosen);
    if (folder.empty()) {
        folder = ".";
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        return "Cannot write \"" + chosen + "\": the folder \"" + folder + "\" does not exist";
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        return "Cannot write \"" + chosen + "\": the folder \"" + folder + "\" cannot be written (" +
               std::strerror(errno) + ")";
    }
    if (replace.value_or(true)) {
        return {};
    }
    const auto taken = [&ec](const std::string& name) {
        return std::filesystem::exists(std::filesystem::symlink_status(name, ec));
    };
    if (kind != ConversionKind::Jpg && taken(chosen)) {
        return "\"" + chosen + "\" exists; --replace overwrites it";
    }
    if (kind == ConversionKind::Jpg) {
        for (const std::int32_t row : rows) {
            if (const std::string name = JpgOutputName(chosen, row); taken(name)) {
                return "\"" + name + "\" exists (the page of row " + std::to_string(row) + "); --replace overwrites it";
            }
        }
    }
    return {};
}

} // namespace qm

#pragma once

#include "convert/conversion_result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qm {

// Why a conversion of `book` may not write `chosen`, found before any chapter is rendered; empty when it may.
// Refused: the book itself, a folder that does not exist or cannot be written, and, when `replace` is false, a
// file under the chosen name or (Convert to JPG) under the numbered name of any of `rows`. With `replace`
// unset (the window, whose save dialog asked) existing files are not looked at here.
std::string OutputRefusal(ConversionKind kind, const std::string& book, const std::string& chosen,
                          std::optional<bool> replace, const std::vector<std::int32_t>& rows);

} // namespace qm

#pragma once

#include <string>
#include <vector>

namespace qm::cli {

// `probe FILE...`: one line per file on standard output, "path TAB W TAB H TAB RGB|CMYK", or
// "path TAB refused TAB reason" for a file that GetInfosJPG refuses. Returns 0 when every file was accepted,
// else 1.
int RunProbe(const std::vector<std::string>& args);

// Why GetInfosJPG refuses `fileName`, found by walking the file as the probe does ("no JPEG start-of-image
// marker", "baseline frame with 1 component", ...); empty when the probe would accept it.
std::string RefusalReason(const std::string& fileName);

} // namespace qm::cli

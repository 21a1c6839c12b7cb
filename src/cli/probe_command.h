#pragma once

#include <string>
#include <vector>

namespace qm::cli {

// `probe FILE...`: one line per file on standard output, "path TAB W TAB H TAB RGB|CMYK", or
// "path TAB refused TAB reason" for a file that the probe refuses (ProbeJpeg). Returns 0 when every file was
// accepted, else 1.
int RunProbe(const std::vector<std::string>& args);

} // namespace qm::cli

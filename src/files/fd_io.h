#pragma once

#include <cstddef>
#include <string>

namespace qm {

// Writes all `size` bytes to `fd`, going on after interrupted and partial writes. Throws std::runtime_error
// `Cannot write file "<path>". <reason>` when the system refuses (`path` names the file in the message only).
void WriteAll(int fd, const void* data, std::size_t size, const std::string& path);

} // namespace qm

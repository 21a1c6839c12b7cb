#pragma once

#include <cstddef>
#include <string>

namespace qm {

// A path as messages show it: absolute, with "." and ".." spelled out (as given when that fails).
std::string ShownPath(const std::string& path);

// Writes all `size` bytes to `fd`, going on after interrupted and partial writes. 0 when everything was
// written, else the system's error number (ENOSPC for a write that took nothing).
int WriteFully(int fd, const void* data, std::size_t size);

// WriteFully that throws std::runtime_error `Cannot write file "<ShownPath(path)>". <reason>` on failure
// (`path` names the file in the message only).
void WriteAll(int fd, const void* data, std::size_t size, const std::string& path);

} // namespace qm

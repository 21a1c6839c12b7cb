#pragma once

#include <filesystem>
#include <string>

namespace qm::test {

// A fresh folder under the system's temporary folder, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Writes `content` to `path`, creating missing folders; returns the path.
std::filesystem::path WriteFile(const std::filesystem::path& path, const std::string& content);
// The whole content of a file; throws when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);

} // namespace qm::test

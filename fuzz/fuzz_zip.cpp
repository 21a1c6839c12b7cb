// Feeds arbitrary bytes to the ZIP extractor as an archive file, then checks that nothing was written beside
// the extraction folder and that no link was created in it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "book/zip_extractor.h"

namespace {

namespace fs = std::filesystem;

// One scratch folder per process: the archive file and a box that holds only the extraction folder. Never
// destroyed, so that it is still there when the exit handler removes the folder.
const fs::path& ScratchRoot() {
    static const fs::path* const root = [] {
        std::string pattern = (fs::temp_directory_path() / "qm-fuzz-zip-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(ScratchRoot(), ec);
        });
        return new fs::path(pattern);
    }();
    return *root;
}

[[noreturn]] void Escaped(const fs::path& path) {
    std::fprintf(stderr, "extraction wrote outside its folder or made a link: %s\n", path.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path& root = ScratchRoot();
    const fs::path archive = root / "input.zip";
    const fs::path box = root / "box";
    const fs::path out = box / "out";
    {
        std::ofstream file(archive, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    fs::create_directories(out);

    // Small limits keep every run quick; the limits themselves are part of what is fuzzed.
    const qm::ZipLimits limits{.maxMembers = 1000, .maxMemberSize = 4 << 20, .maxTotalSize = 16 << 20};
    try {
        qm::ExtractZip(archive.string(), out.string(), limits);
    } catch (const std::runtime_error&) {
        // Refusing bad input is the expected outcome; anything else thrown is a finding.
    }

    for (const auto& entry : fs::directory_iterator(root)) {
        if (entry.path() != archive && entry.path() != box) {
            Escaped(entry.path());
        }
    }
    for (const auto& entry : fs::directory_iterator(box)) {
        if (entry.path() != out) {
            Escaped(entry.path());
        }
    }
    for (const auto& entry : fs::recursive_directory_iterator(out)) {
        if (entry.is_symlink()) {
            Escaped(entry.path());
        }
    }
    fs::remove_all(box);
    return 0;
}

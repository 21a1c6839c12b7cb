#include "cli/private_folders.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <unistd.h>

namespace qm::cli {

PrivateFolders::PrivateFolders() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/quillmark-cli-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("Cannot create a temporary folder \"" + pattern + "\". " + std::strerror(errno));
    }
    root_ = pattern;
    working_ = {root_ + "/tempDir", root_ + "/tempJPG"};
}

PrivateFolders::~PrivateFolders() {
    DeleteFolder(root_);
}

} // namespace qm::cli

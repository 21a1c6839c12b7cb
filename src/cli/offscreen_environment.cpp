#include "cli/offscreen_environment.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace qm::cli {

void PrepareOffscreenEnvironment(const std::string& root) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QT_QUICK_BACKEND", "software", 1);
    if (geteuid() == 0) {
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
    }
    const std::string runtime = root + "/runtime";
    if (mkdir(runtime.c_str(), 0700) == 0) {
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    // The window keeps its working folders below the data folder, and the browser its caches and settings
    // below the others: all in the private folder, which goes when the run ends.
    for (const char* name : {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"}) {
        setenv(name, root.c_str(), 1);
    }
}

} // namespace qm::cli

#include "platform/qt/offscreen_environment.h"

#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>

namespace qm {

void PrepareOffscreenEnvironment(const std::string& root, double scale) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QT_QUICK_BACKEND", "software", 1);
    // The display's scale is the user's business, not the page's.
    char digits[32];
    *std::to_chars(digits, digits + sizeof digits - 1, scale).ptr = '\0';
    setenv("QT_SCALE_FACTOR", digits, 1);
    for (const char* name : {"QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR", "QT_ENABLE_HIGHDPI_SCALING",
                             "QT_SCALE_FACTOR_ROUNDING_POLICY", "QT_FONT_DPI"}) {
        unsetenv(name);
    }
    if (geteuid() == 0) {
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
    }
    const std::string runtime = root + "/runtime";
    if (mkdir(runtime.c_str(), 0700) == 0) {
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    // The engine's caches are the run's alone and go with it.
    setenv("XDG_CACHE_HOME", root.c_str(), 1);
}

} // namespace qm

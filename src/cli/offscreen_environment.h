#pragma once

#include <string>

namespace qm::cli {

// Sets the environment in which the browser engine runs offscreen with software rendering, with its runtime,
// data, cache and settings folders below `root` (a run's private folder); as root Chromium only starts without
// its sandbox. Called before the application object is made; the engine's processes inherit it.
void PrepareOffscreenEnvironment(const std::string& root);

} // namespace qm::cli

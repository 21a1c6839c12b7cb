#pragma once

#include <string>

namespace qm {

// Sets the environment in which the browser engine runs offscreen, with software rendering and one device
// pixel to a CSS pixel whatever the user's display settings (a page is the same file on every machine), with
// its runtime and cache folders below `root` (a run's private folder); as root Chromium only starts without
// its sandbox. The user's data and configuration folders stay, so the engine finds the fonts the user installed
// and configured as the window does. Called before the application object is made; the engine's processes
// inherit it.
void PrepareOffscreenEnvironment(const std::string& root);

} // namespace qm

#pragma once

#include <string>

namespace qm {

// Sets the environment in which the browser engine runs offscreen, with software rendering and a device pixel
// ratio of its own whatever the user's display settings (a page is the same file on every machine), with
// its runtime and cache folders below `root` (a run's private folder); as root Chromium only starts without
// its sandbox. The user's data and configuration folders stay, so the engine finds the fonts the user installed
// and configured as the window does. Called before the application object is made; the engine's processes
// inherit it.
// `scale` is the device pixel ratio the engine draws at (1 unless pages are to be drawn sharper).
void PrepareOffscreenEnvironment(const std::string& root, double scale = 1.0);

} // namespace qm

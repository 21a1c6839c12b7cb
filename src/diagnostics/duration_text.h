#pragma once

#include <chrono>
#include <string>

namespace qm {

// A time limit as messages name it: "1 second", "4 seconds", "0.5 seconds" (to a tenth).
std::string SecondsText(std::chrono::milliseconds limit);

} // namespace qm

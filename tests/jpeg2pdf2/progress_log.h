#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "jpeg2pdf2/jpeg2pdf2.h"

namespace qm::test {

// Records the writer's progress calls as "text total done" and counts its pump calls. `onProgress` runs after
// each call is recorded, for tests that act in the middle of the writing.
struct ProgressLog {
    std::vector<std::string> calls;
    int pumps = 0;
    std::function<void(const std::string& text)> onProgress;

    TPDFProgress Progress() {
        return [this](const std::string& text, std::int32_t total, std::int32_t done) {
            calls.push_back(text + " " + std::to_string(total) + " " + std::to_string(done));
            if (onProgress) {
                onProgress(text);
            }
        };
    }
    PumpMessagesFn Pump() {
        return [this] { ++pumps; };
    }
};

} // namespace qm::test

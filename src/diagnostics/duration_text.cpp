#include "diagnostics/duration_text.h"

namespace qm {

std::string SecondsText(std::chrono::milliseconds limit) {
    const auto tenths = (limit.count() + 50) / 100;
    const std::string number =
        std::to_string(tenths / 10) + (tenths % 10 != 0 ? "." + std::to_string(tenths % 10) : "");
    return number + (tenths == 10 ? " second" : " seconds");
}

} // namespace qm

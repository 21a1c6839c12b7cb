#include "diagnostics/log.h"

namespace qm::log {

namespace {

// Set once at start-up, before any other thread runs; read only afterwards.
Sink& EnabledFunction() {
    static Sink sink;
    return sink;
}

Writer& WriteFunction() {
    static Writer writer;
    return writer;
}

} // namespace

void SetListener(Sink enabled, Writer write) {
    EnabledFunction() = std::move(enabled);
    WriteFunction() = std::move(write);
}

bool Enabled(Area area) {
    return EnabledFunction() && WriteFunction() && EnabledFunction()(area);
}

void Write(Area area, const std::string& line) {
    if (Enabled(area)) {
        WriteFunction()(area, line);
    }
}

Step::Step(Area area, std::string what)
    : area_(area), what_(std::move(what)), start_(std::chrono::steady_clock::now()) {}

Step::~Step() {
    if (Enabled(area_)) {
        const auto elapsed = std::chrono::steady_clock::now() - start_;
        const auto micro = std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count();
        Write(area_, what_ + ": " + std::to_string(micro / 1000) + "." + std::to_string(micro % 1000 / 100) + " ms");
    }
}

} // namespace qm::log

#pragma once

#include "platform/ui/event_pump.h"

namespace qm {

// The event queue of the running QCoreApplication.
class QtEventPump final : public EventPump {
public:
    void ProcessEvents() override;
    bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) override;
};

} // namespace qm

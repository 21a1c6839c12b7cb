#pragma once

#include <chrono>
#include <functional>

namespace qm {

// The user-interface thread's event queue, for commands that run long inside one handler: they let the window
// paint, the browser report and the user cancel while they work.
class EventPump {
public:
    virtual ~EventPump() = default;

    // Handles every event that is waiting, then returns.
    virtual void ProcessEvents() = 0;

    // Handles events, sleeping while none come, until `done` is true (tested after each batch of events) or
    // `limit` has passed. Returns the last value of `done`.
    virtual bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) = 0;
};

} // namespace qm

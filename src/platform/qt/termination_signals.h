#pragma once

#include <functional>

namespace qm {

// Turns SIGTERM, SIGINT and SIGHUP into a call of `handler` from the event loop, where it may do anything the
// program does (close the window, cancel a conversion), so that a signal ends the program the ordinary way,
// its folders and unfinished files removed. Call once, after the application object exists.
void OnTerminationSignals(std::function<void()> handler);

} // namespace qm

#pragma once

namespace qm {

// Makes SIGTERM, SIGINT and SIGHUP end the event loop the ordinary way, so that the window is destroyed and
// its working folders deleted, as when it is closed. Call once, after the application object exists.
void QuitOnTerminationSignals();

} // namespace qm

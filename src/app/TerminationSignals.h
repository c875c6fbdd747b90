#pragma once
// SIGTERM and SIGINT end the application through its normal shut-down (the settings
// are written, the login item brought in line) instead of killing it on the spot.

namespace termination {

// Installs the handlers; the event loop quits when a signal arrives.
void quitOnSignals();

} // namespace termination

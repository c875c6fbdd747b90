#pragma once
// SIGTERM and SIGINT end the application through its normal shut-down (the settings
// are written, the login item brought in line) instead of killing it on the spot.

#include <functional>

namespace termination {

// Installs the handlers; `quit` is called on the event loop when a signal arrives.
void quitOnSignals(std::function<void()> quit);

} // namespace termination

#pragma once
// Every test process runs in a private home: its own XDG folders, so that settings,
// the support folder and caches never touch the user's files.

#include <QString>
#include <functional>

namespace rbxtest {

// Sets up the private folders; called by the test mains before the application object.
void setUpPrivateHome();

// The private home of this test process.
QString privateHome();

// A folder of the source tree's test data (tests/data/...).
QString testData(const QString& relative);

// Runs the event loop until `done` answers true or `timeoutMs` passes; answers `done()`.
bool waitFor(const std::function<bool()>& done, int timeoutMs = 5000);

// Runs the event loop for a while (for "nothing happens" checks).
void spinEventLoop(int ms);

} // namespace rbxtest

#pragma once
// Every test process runs in a private home: its own XDG folders, so that settings,
// the support folder and caches never touch the user's files.

#include <QString>
#include <QStringList>
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

// A program run to its end: its exit code (-1 when it did not start, crashed or did not
// end in time), its standard output and its standard error.
struct ProgramRun {
    int code = -1;
    QString out;
    QString err;
    // The output's lines, empty ones left out.
    QStringList lines() const { return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};
enum class Channels { Separate, Merged };  // Merged: the errors are in `out` too
ProgramRun runProgram(const QString& program, const QStringList& args, Channels channels = Channels::Separate,
                      int timeoutMs = 120000);

} // namespace rbxtest

#pragma once
// What the benchmarks that launch the real palette share: finding the runebox binary,
// running inside a private X session when there is no display, launching copies with
// settings folders of their own, reading their debug state over the session bus and
// their resident memory.

#include "Bench.h"

#include <QDBusConnection>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QTemporaryDir>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class X11Session;

namespace tool::session {

// CLOCK_MONOTONIC in nanoseconds, the clock of the debug state's times.
qint64 monotonicNs();
// The runebox binary beside runebox-tool (or in the build tree); "" when none.
QString runeboxPath();
// Runs `runebox-tool bench NAME ARGS` again inside tests/x11/x11-session; its exit code.
int runInPrivateSession(const QString& bench, const QStringList& args);
// The debug state of the running copy; empty when it does not answer.
QVariantMap debugState(const QDBusConnection& bus);
// The rectangle of the palette's control of that object name, in screen coordinates;
// empty when it is not shown.
QRect controlRect(const QDBusConnection& bus, const QString& name);
// The screen rectangle of the character's cell while it is in view; empty otherwise.
QRect cellRect(const QDBusConnection& bus, char32_t c);
// Asks until `done` holds, every 2 ms, at most `ms`.
bool poll(const QDBusConnection& bus, int ms, const std::function<bool(const QVariantMap&)>& done);
// VmRSS of a process in MiB; -1 when unknown.
double residentMiB(qint64 pid);
// Best and median of the values.
tool::Timing summary(std::vector<double> ms);
// Runs a program to its end with its output dropped; whether it ran and ended with 0.
bool runQuietly(const QString& program, const QStringList& args, const QProcessEnvironment& env);
// Sends a runebox: URL to the running copy, as a second launch would.
void sendURL(const QString& url);
// Presses and lets go the key of that X keysym through the X server (XTest), as a
// keyboard would, from this process; the CLOCK_MONOTONIC time of the press, 0 when the
// keyboard has no such key.
qint64 pressKey(X11Session& x, unsigned long keysym);

// Checks what a launching bench needs (a runebox binary, a session bus, no copy
// running); prints why not and answers false.
bool ready(const char* bench, QString* program);

// Settings, data and caches of their own, kept across the launches like a user's.
class Home {
public:
    Home();
    QProcessEnvironment environment() const { return env_; }

private:
    QTemporaryDir dir_;
    QProcessEnvironment env_;
};

// One copy of the palette; quit by URL command (killed if it does not end) when the
// object goes.
class Launch {
public:
    Launch(const QString& program, const QProcessEnvironment& env);
    ~Launch() { quit(); }
    bool started() { return p_.waitForStarted(5000); }
    qint64 startNs() const { return startNs_; }
    qint64 pid() const { return p_.processId(); }
    // Waits for the palette's first paint; its time, 0 when it did not show.
    qint64 waitForFirstPaint(const QDBusConnection& bus, int ms = 15000);
    void quit();

private:
    QProcess p_;
    qint64 startNs_ = 0;
};

// What a benchmark that drives the palette through the X server opens with: without a
// display it runs itself again inside a private session; else the checks of ready() and
// of the X display, settings of its own (with the given values written first), and the
// palette launched and painted once. Each failure is printed as "bench NAME: why".
class PaletteBench {
public:
    using Settings = QList<std::pair<QString, QString>>;
    PaletteBench(const char* bench, const QStringList& args);
    // Whether the palette is up and painted; otherwise exitCode() is the bench's answer.
    bool open(const Settings& settings = {});
    int exitCode() const { return exitCode_; }
    X11Session& x() const;
    const QDBusConnection& bus() const { return bus_; }
    QProcessEnvironment environment() const { return home_->environment(); }
    Launch& launch() { return *launch_; }

private:
    const char* bench_;
    QStringList args_;
    QDBusConnection bus_;
    std::optional<Home> home_;
    std::unique_ptr<Launch> launch_;
    int exitCode_ = 0;
};

} // namespace tool::session

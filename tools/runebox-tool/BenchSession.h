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

} // namespace tool::session

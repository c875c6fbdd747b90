// KXProcess: acting on a process (front, hide, quit, events).

#include "kxlib/KXProcess.h"

#include "kxlib/ProcFs.h"
#include "core/Log.h"
#include "platform/dbus/AppleEvent.h"
#include "platform/dbus/AppleEventSender.h"
#include "platform/dbus/FourCharCode.h"
#include "platform/dbus/SignatureNames.h"
#include "platform/x11/Ewmh.h"
#include "platform/x11/X11Session.h"

#include <QElapsedTimer>
#include <QThread>

#include <cerrno>
#include <csignal>

namespace {
// Error numbers of the platform's events, for callers that compare them.
constexpr int ErrEventNotHandled = -1708;
constexpr int ErrTimeout = -1712;
constexpr int ErrNoSuchProcess = -600;
constexpr int ErrSendFailed = -609;  // connection invalid

int errorNumber(const appleevent::SendResult& r) {
    if (r.ok) return r.reply.value(appleevent::ErrorNumberKey).toInt();
    if (r.errorName == appleevent::ErrorNotHandled || r.errorName.endsWith(QLatin1String(".UnknownMethod")) ||
        r.errorName.endsWith(QLatin1String(".UnknownObject")))
        return ErrEventNotHandled;
    if (r.errorName.endsWith(QLatin1String(".NoReply")) || r.errorName.endsWith(QLatin1String(".Timeout")))
        return ErrTimeout;
    return ErrSendFailed;
}
} // namespace

bool KXProcess::signalIfSame(int sig) const {
    // Signals only ever reach the process this object stands for: the pid is checked
    // against the start time right before.
    if (m_pid <= 0 || !kx::proc::isRunning(m_pid, m_startTime)) return false;
    return ::kill(m_pid, sig) == 0;
}

bool KXProcess::wakeUp() {
    // Processes here need no nudge to handle their events; answer whether it runs.
    return isStillRunning();
}

bool KXProcess::setHidden(bool hidden) {
    const auto ws = windows();
    if (ws.isEmpty()) return false;
    X11Session& s = X11Session::shared();
    if (!hidden) return ewmh::activateWindow(s, ws.last());
    bool ok = true;
    for (auto w : ws) ok = ewmh::iconifyWindow(s, w) && ok;
    return ok;
}

bool KXProcess::setFrontProcess() {
    const auto ws = windows();  // bottom to top: the last is the process's front window
    return !ws.isEmpty() && ewmh::activateWindow(X11Session::shared(), ws.last());
}

bool KXProcess::setFrontProcessFrontWindowOnly() {
    // Activating a window brings only that window forward.
    return setFrontProcess();
}

bool KXProcess::temporarilySwitchOut() {
    if (Ptr self = currentProcess()) self->setFrontProcess();
    const bool ok = setFrontProcessFrontWindowOnly();
    wakeUp();
    return ok;
}

bool KXProcess::quitRunningApplicationWithTimeout(double seconds) {
    const QString me = description();
    if (m_pid <= 0) {
        kx::log(QStringLiteral("cannot quit %1: no pid").arg(me));
        return false;
    }
    if (!isStillRunning()) {
        kx::log(QStringLiteral("cannot quit %1: no process found").arg(me));
        return false;
    }
    struct Stage {
        int signal;
        const char* terminated;
        const char* stopped;
    };
    const Stage stages[2] = {
        {SIGTERM, "quit %1: terminated after %2s (%3 attempts)", "quit %1: process stopped after %2s (%3 attempts)"},
        {SIGKILL, "force-quit %1: terminated after %2s (%3 attempts)",
         "foce-quit %1: process stopped after %2s (%3 attempts)"},
    };
    QElapsedTimer clock;
    clock.start();
    const qint64 limitMs = qint64(std::max(0.0, seconds) * 1000.0);
    for (const Stage& stage : stages) {
        const qint64 stageEnd = clock.elapsed() + limitMs;
        int attempts = 0;
        const bool sent = signalIfSame(stage.signal);
        const bool vanished = !sent && errno == ESRCH;
        while (true) {
            ++attempts;
            const QString elapsed = QString::number(double(clock.elapsed()) / 1000.0, 'f', 3);
            if (!isStillRunning()) {
                kx::log(QString::fromLatin1(sent ? stage.terminated : stage.stopped).arg(me, elapsed).arg(attempts));
                return true;
            }
            if (vanished) {
                kx::log(QString::fromLatin1(stage.stopped).arg(me, elapsed).arg(attempts));
                return true;
            }
            if (clock.elapsed() >= stageEnd) break;
            QThread::usleep(1000);
        }
    }
    kx::log(QStringLiteral("quitting %1 failed").arg(me));
    return false;
}

bool KXProcess::quit() {
    if (quitRunningApplicationWithTimeout(4.0)) return true;
    const QString me = description();
    const QStringList names = appleevent::busNamesOfPid(uint(m_pid));
    if (names.isEmpty()) {
        kx::log(QStringLiteral("quitting %1 failed (%2; could not create descriptor)").arg(me).arg(ErrNoSuchProcess));
        return false;
    }
    if (!appleevent::post(names.first(), fourcc::make('a', 'e', 'v', 't'), fourcc::make('q', 'u', 'i', 't'), {})) {
        kx::log(QStringLiteral("quitting %1 failed (%2; could not send event)").arg(me).arg(ErrSendFailed));
        return false;
    }
    return false;
}

bool KXProcess::forceQuit() { return signalIfSame(SIGKILL); }

int KXProcess::sendAppleEventClass(quint32 eventClass, quint32 eventID, double timeoutSeconds) {
    const QStringList names = appleevent::busNamesOfPid(uint(m_pid));
    int err = ErrNoSuchProcess;
    if (!names.isEmpty()) {
        const int ms = int(std::clamp(timeoutSeconds, 0.001, 3600.0) * 1000.0);
        err = errorNumber(appleevent::send(names.first(), eventClass, eventID, {}, ms));
    }
    if (err) kx::log(QStringLiteral("*** event error: %1").arg(err));
    return err;
}

int KXProcess::sendAppleEventClass(quint32 eventClass, quint32 eventID) {
    const QStringList names = appleevent::busNamesOfPid(uint(m_pid));
    if (names.isEmpty()) return ErrNoSuchProcess;
    return appleevent::post(names.first(), eventClass, eventID, {}) ? 0 : ErrSendFailed;
}

int KXProcess::sendAppleEventClass(quint32 eventClass, quint32 eventID, const QString& parameter) {
    const QStringList names = appleevent::busNamesOfPid(uint(m_pid));
    if (names.isEmpty()) return ErrNoSuchProcess;
    return appleevent::post(names.first(), eventClass, eventID, {{appleevent::DirectParameter, parameter}})
               ? 0
               : ErrSendFailed;
}

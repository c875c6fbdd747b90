// runebox-tool bench startup [RUNS]: the palette's start-up on an X display with a window
// manager and a session bus. Without a display it runs itself inside a private one
// (tests/x11/x11-session of the source tree).
//   cold:   from starting the runebox process to the palette's first paint (median of RUNS
//           launches, 7 by default, after one launch that fills the caches);
//   warm:   from the "open" command sent to a running copy with its palette closed to the
//           palette's first paint (median of RUNS);
//   memory: the resident size of the process two seconds after the palette showed.
// The copies run with their own settings folders and report the time of their first
// paint through their debug state (RUNEBOX_DEBUG_STATE=1).
#include "Bench.h"

#include "kxlib/ProcFs.h"
#include "platform/dbus/AppleEvent.h"
#include "platform/dbus/AppleEventSender.h"
#include "platform/dbus/FourCharCode.h"
#include "platform/dbus/SessionBus.h"
#include "platform/dbus/SingleInstance.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <time.h>
#include <unistd.h>

namespace {

constexpr double ColdTargetMs = 150;
constexpr double WarmTargetMs = 30;
constexpr double MemoryTargetMiB = 40;

qint64 monotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

QString runeboxPath() {
    const QString dir = QCoreApplication::applicationDirPath();
    for (const QString& candidate : {dir + QStringLiteral("/../src/runebox"), dir + QStringLiteral("/runebox")})
        if (QFileInfo(candidate).isExecutable()) return QFileInfo(candidate).canonicalFilePath();
    return {};
}

QVariantMap debugState(const QDBusConnection& bus) {
    QDBusMessage m = QDBusMessage::createMethodCall(singleinstance::ServiceName, QStringLiteral("/Debug"),
                                                    QStringLiteral("org.runebox.Debug"), QStringLiteral("State"));
    const QDBusMessage reply = bus.call(m, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
    return qdbus_cast<QVariantMap>(reply.arguments().first());
}

// Asks until `done` holds, every 2 ms, at most `ms`.
bool poll(const QDBusConnection& bus, int ms, const std::function<bool(const QVariantMap&)>& done) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        const QVariantMap s = debugState(bus);
        if (!s.isEmpty() && done(s)) return true;
        QThread::msleep(2);
    }
    return false;
}

double residentMiB(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

tool::Timing summary(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return ms.empty() ? tool::Timing{} : tool::Timing{ms.front(), ms[ms.size() / 2]};
}

class Launch {
public:
    Launch(const QString& program, const QProcessEnvironment& env) {
        p_.setProcessEnvironment(env);
        p_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p_.setStandardOutputFile(QProcess::nullDevice());
        startNs_ = monotonicNs();
        p_.start(program, {});
    }
    ~Launch() { quit(); }
    bool started() { return p_.waitForStarted(5000); }
    qint64 startNs() const { return startNs_; }
    qint64 pid() const { return p_.processId(); }
    void quit() {
        if (p_.state() == QProcess::NotRunning) return;
        appleevent::post(singleinstance::ServiceName, fourcc::make('G', 'U', 'R', 'L'), fourcc::make('G', 'U', 'R', 'L'),
                         {{appleevent::DirectParameter, QStringLiteral("runebox://quit")}});
        if (!p_.waitForFinished(5000)) {
            p_.kill();
            p_.waitForFinished(2000);
        }
    }

private:
    QProcess p_;
    qint64 startNs_ = 0;
};

// Inside a private display when there is none.
int runInPrivateSession(const QStringList& args) {
    const QString session = QStringLiteral(RUNEBOX_SOURCE_RESOURCES "/../tests/x11/x11-session");
    if (!QFileInfo(session).isExecutable()) {
        tool::err() << "bench startup: no X display, and no " << session << " to make one" << Qt::endl;
        return 2;
    }
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(session, QStringList{QCoreApplication::applicationFilePath(), QStringLiteral("bench"), QStringLiteral("startup")} + args);
    if (!p.waitForFinished(-1)) return 1;
    return p.exitCode();
}

int runStartupBench(const QStringList& args) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) return runInPrivateSession(args);
    const int runs = args.isEmpty() ? 7 : std::max(1, args.first().toInt());
    const QString program = runeboxPath();
    if (program.isEmpty()) {
        tool::err() << "bench startup: runebox not found beside runebox-tool" << Qt::endl;
        return 2;
    }
    const QDBusConnection bus = dbus::sessionBus();
    if (!bus.isConnected()) {
        tool::err() << "bench startup: no session bus" << Qt::endl;
        return 2;
    }
    if (bus.interface()->isServiceRegistered(singleinstance::ServiceName).value()) {
        tool::err() << "bench startup: quit the running copy of Runebox first" << Qt::endl;
        return 2;
    }

    // Settings and caches of their own, kept across the launches like a user's.
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("RUNEBOX_DEBUG_STATE"), QStringLiteral("1"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home.path() + QStringLiteral("/cache"));

    std::vector<double> cold, warm, memory;
    for (int i = 0; i <= runs; ++i) {
        Launch launch(program, env);
        if (!launch.started()) {
            tool::err() << "bench startup: runebox did not start" << Qt::endl;
            return 1;
        }
        qint64 painted = 0;
        if (!poll(bus, 15000, [&](const QVariantMap& s) {
                painted = s.value(QStringLiteral("paintedNs")).toLongLong();
                return painted > 0;
            })) {
            tool::err() << "bench startup: the palette did not show" << Qt::endl;
            return 1;
        }
        if (i == 0) continue;  // the launch that fills the caches
        cold.push_back(double(painted - launch.startNs()) / 1e6);

        QThread::msleep(2000);
        memory.push_back(residentMiB(launch.pid()));

        if (i == runs) {
            // The same copy, closed and opened again by URL command.
            const QDBusMessage close = QDBusMessage::createMethodCall(
                singleinstance::ServiceName, QStringLiteral("/Debug"), QStringLiteral("org.runebox.Debug"), QStringLiteral("Close"));
            for (int w = 0; w < runs; ++w) {
                bus.call(close, QDBus::Block, 2000);
                poll(bus, 5000, [](const QVariantMap& s) { return !s.value(QStringLiteral("visible")).toBool(); });
                QThread::msleep(150);
                const int shown = debugState(bus).value(QStringLiteral("shown")).toInt();
                const qint64 sent = monotonicNs();
                appleevent::post(singleinstance::ServiceName, fourcc::make('G', 'U', 'R', 'L'),
                                 fourcc::make('G', 'U', 'R', 'L'),
                                 {{appleevent::DirectParameter, QStringLiteral("runebox://open?sheet=window")}});
                qint64 again = 0;
                if (!poll(bus, 5000, [&](const QVariantMap& s) {
                        again = s.value(QStringLiteral("paintedNs")).toLongLong();
                        return s.value(QStringLiteral("shown")).toInt() > shown && again > sent;
                    })) {
                    tool::err() << "bench startup: the palette did not open again" << Qt::endl;
                    return 1;
                }
                warm.push_back(double(again - sent) / 1e6);
            }
        }
        launch.quit();
    }

    const bool coldOk = tool::reportTiming(QStringLiteral("cold start to first paint"), summary(cold), ColdTargetMs);
    const bool warmOk = tool::reportTiming(QStringLiteral("open command to first paint"), summary(warm), WarmTargetMs);
    std::sort(memory.begin(), memory.end());
    const double rss = memory.empty() ? 0 : memory[memory.size() / 2];
    const bool memOk = rss > 0 && rss < MemoryTargetMiB;
    tool::out() << "resident memory 2 s after showing: median " << QString::number(rss, 'f', 1) << " MiB, largest "
                << QString::number(memory.empty() ? 0 : memory.back(), 'f', 1) << " MiB (target " << MemoryTargetMiB
                << " MiB) " << (memOk ? "OK" : "LARGE") << Qt::endl;
    return coldOk && warmOk && memOk ? 0 : 1;
}

} // namespace

RBX_BENCH(startup, "the palette's start-up: cold and warm to first paint, resident memory", runStartupBench);

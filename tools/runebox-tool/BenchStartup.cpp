// runebox-tool bench startup [RUNS]: the palette's start-up on an X display with a window
// manager and a session bus. Without a display it runs itself inside a private one
// (tests/x11/x11-session of the source tree).
//   cold:   from starting the runebox process to the palette's first paint (median of RUNS
//           launches, 7 by default, after one launch that fills the caches);
//   warm:   from the "open" command sent to a running copy with its palette closed to the
//           palette's first paint (median of RUNS);
//   memory: the resident size of the process two seconds after the palette showed.
// The pointer rests in the screen's corner, away from the palette, as in the side-by-side
// runs: a cell under the pointer would open its magnifier, which is not start-up.
// The copies run with their own settings folders and report the time of their first
// paint through their debug state (RUNEBOX_DEBUG_STATE=1).
#include "BenchSession.h"

#include "platform/dbus/SessionBus.h"
#include "platform/dbus/SingleInstance.h"

#include <QDBusMessage>
#include <QThread>

namespace {

using namespace tool::session;

constexpr double ColdTargetMs = 120;
constexpr double WarmTargetMs = 30;
constexpr double MemoryTargetMiB = 33;

int runStartupBench(const QStringList& args) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) return runInPrivateSession(QStringLiteral("startup"), args);
    const int runs = args.isEmpty() ? 7 : std::max(1, args.first().toInt());
    QString program;
    if (!ready("startup", &program)) return 2;
    const QDBusConnection bus = dbus::sessionBus();
    const Home home;
    const QProcessEnvironment env = home.environment();
    QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("0"), QStringLiteral("0")});

    std::vector<double> cold, warm, memory;
    for (int i = 0; i <= runs; ++i) {
        Launch launch(program, env);
        if (!launch.started()) {
            tool::err() << "bench startup: runebox did not start" << Qt::endl;
            return 1;
        }
        const qint64 painted = launch.waitForFirstPaint(bus);
        if (painted == 0) {
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
                sendURL(QStringLiteral("runebox://open?sheet=window"));
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

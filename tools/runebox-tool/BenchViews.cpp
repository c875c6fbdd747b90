// runebox-tool bench views: the resident memory of the palette showing every defined
// character (view 3), on an X display with a window manager and a session bus (without a
// display it runs itself inside a private one).
//   shown:    two seconds after the palette's first paint;
//   scrolled: after the mouse wheel (through the X server, with xdotool) scrolled the
//             table its whole length, two seconds after the end was reached.
#include "BenchSession.h"

#include "platform/dbus/SingleInstance.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QRect>
#include <QThread>

namespace {

using namespace tool::session;

constexpr double ScrolledTargetMiB = 80;
// Wheel steps per batch; the end is reached when a batch leaves the same character under
// the mouse.
constexpr int StepsPerBatch = 300;
constexpr int MaxBatches = 200;

// The character under the mouse.
uint underMouse(const QDBusConnection& bus) { return debugState(bus).value(QStringLiteral("selected")).toUInt(); }

int runViewsBench(const QStringList& args) {
    PaletteBench palette("views", args);
    if (!palette.open({{QStringLiteral("view"), QStringLiteral("3")}})) return palette.exitCode();
    const QDBusConnection& bus = palette.bus();
    const QProcessEnvironment env = palette.environment();
    Launch& launch = palette.launch();
    QThread::msleep(2000);
    const double shown = residentMiB(launch.pid());
    const QRect cell = cellRect(bus, U'A');
    if (cell.isEmpty()) {
        tool::err() << "bench views: the table of every character does not show A" << Qt::endl;
        return 1;
    }
    const QString xdotool = QStringLiteral("xdotool");
    runQuietly(xdotool, {QStringLiteral("mousemove"), QString::number(cell.center().x()), QString::number(cell.center().y())},
               env);
    int batches = 0;
    for (; batches < MaxBatches; ++batches) {
        const uint before = underMouse(bus);
        if (!runQuietly(xdotool, {QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(StepsPerBatch),
                                  QStringLiteral("--delay"), QStringLiteral("2"), QStringLiteral("5")},
                        env)) {
            tool::err() << "bench views: xdotool cannot scroll" << Qt::endl;
            return 1;
        }
        QThread::msleep(500);
        if (underMouse(bus) == before) break;
    }
    if (batches == MaxBatches) {
        tool::err() << "bench views: the table's end was not reached" << Qt::endl;
        return 1;
    }
    QThread::msleep(2000);
    const double scrolled = residentMiB(launch.pid());
    const bool ok = scrolled > 0 && scrolled < ScrolledTargetMiB;
    tool::out() << "view 3: resident memory shown " << QString::number(shown, 'f', 1) << " MiB, after scrolling its "
                << "whole length (" << batches * StepsPerBatch << " wheel steps) " << QString::number(scrolled, 'f', 1)
                << " MiB (target " << ScrolledTargetMiB << " MiB) " << (ok ? "OK" : "LARGE") << Qt::endl;
    return ok ? 0 : 1;
}

} // namespace

RBX_BENCH(views, "resident memory of the view of every character, shown and scrolled its whole length", runViewsBench);

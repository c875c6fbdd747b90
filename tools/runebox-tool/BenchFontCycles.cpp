// runebox-tool bench fontcycles [CYCLES]: installing and removing a font with the palette
// open, on an X display with a window manager and a session bus (without a display it runs
// itself inside a private one). The test suite's font "Rbx Alpha" is copied into the
// user's font folder until the palette's font list holds its family, then removed until
// the list no longer does, CYCLES times (30 by default). Reported: the palette's resident
// memory before the first cycle, after it and after the last, the growth over all cycles
// (target: at most 5 MB), and the counts of the font objects alive.
#include "BenchSession.h"

#include "platform/dbus/SingleInstance.h"

#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QThread>

namespace {

using namespace tool::session;

constexpr double TargetGrowthMB = 5;
const QString Family = QStringLiteral("Rbx Alpha");
const QString FontFile = QStringLiteral(RUNEBOX_SOURCE_DIR "/tests/data/fonts/RbxAlpha-Regular.ttf");

bool listHolds(const QDBusConnection& bus, bool holds) {
    QDBusMessage m = QDBusMessage::createMethodCall(singleinstance::ServiceName, QStringLiteral("/Debug"),
                                                    QStringLiteral("org.runebox.Debug"), QStringLiteral("FontFamilies"));
    for (int i = 0; i < 1000; ++i) {
        const QDBusMessage reply = bus.call(m, QDBus::Block, 5000);
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
            reply.arguments().first().toStringList().contains(Family) == holds)
            return true;
        QThread::msleep(20);
    }
    return false;
}

QString counts(const QVariantMap& s) {
    QStringList parts;
    for (const char* key : {"faceObjects", "facesOpen", "fontFilesMapped", "drawingFonts", "fontRows"})
        parts << QStringLiteral("%1 %2").arg(QLatin1String(key), s.value(QLatin1String(key)).toString());
    return parts.join(QStringLiteral(", "));
}

int runFontCyclesBench(const QStringList& args) {
    const int cycles = args.isEmpty() ? 30 : std::max(2, args.first().toInt());
    PaletteBench palette("fontcycles", args);
    if (!palette.open()) return palette.exitCode();
    const QDBusConnection& bus = palette.bus();
    const QString folder = palette.environment().value(QStringLiteral("XDG_DATA_HOME")) + QStringLiteral("/fonts");
    const QString installed = folder + QStringLiteral("/RbxAlpha-Regular.ttf");
    if (!QDir().mkpath(folder) || !listHolds(bus, false)) {
        tool::err() << "bench fontcycles: " << Family << " is installed already, or no font folder" << Qt::endl;
        return 1;
    }
    QThread::msleep(1000);
    const double start = residentMiB(palette.launch().pid());
    tool::out() << "before: " << QString::number(start * 1.048576, 'f', 1) << " MB; " << counts(debugState(bus)) << Qt::endl;
    double last = 0;
    for (int i = 0; i < cycles; ++i) {
        if (!QFile::copy(FontFile, installed) || !listHolds(bus, true)) {
            tool::err() << "bench fontcycles: the palette did not list the installed font" << Qt::endl;
            return 1;
        }
        if (!QFile::remove(installed) || !listHolds(bus, false)) {
            tool::err() << "bench fontcycles: the palette still lists the removed font" << Qt::endl;
            return 1;
        }
        QThread::msleep(300);
        const double mib = residentMiB(palette.launch().pid());
        if (i == 0)
            tool::out() << "after the first cycle: " << QString::number(mib * 1.048576, 'f', 1) << " MB; "
                        << counts(debugState(bus)) << Qt::endl;
        last = mib;
    }
    const double grownMB = (last - start) * 1.048576;
    const bool ok = start > 0 && grownMB <= TargetGrowthMB;
    tool::out() << "after " << cycles << " cycles: " << QString::number(last * 1.048576, 'f', 1) << " MB; "
                << counts(debugState(bus)) << Qt::endl;
    tool::out() << "grown by " << QString::number(grownMB, 'f', 1) << " MB (target " << TargetGrowthMB << " MB) "
                << (ok ? "OK" : "GROWS") << Qt::endl;
    return ok ? 0 : 1;
}

} // namespace

RBX_BENCH(fontcycles, "installing and removing a font 30 times with the palette open: resident memory [CYCLES]",
          runFontCyclesBench);

// runebox-tool bench fontswitch [RUNS]: switching the palette's font by hand, on an X display
// with a window manager and a session bus (without a display it runs itself inside a
// private one). The palette starts with DejaVu Sans; the user opens the family pop-up,
// types the name of the family of the largest installed face (the most characters) and
// presses Return. Timed: from the Return key (pressed through the X server with XTest from
// this process, as a keyboard would, so no helper program's start-up is counted) to the
// table's first paint showing that family (what the palette reads after that paint, the
// font's ligatures, is not counted). Median of RUNS switches (9 by default), each from
// DejaVu Sans again; the first, with the font's tables still unread, is shown apart.
#include "BenchSession.h"

#include "platform/dbus/SingleInstance.h"
#include "platform/fonts/FontBackend.h"
#include "platform/x11/X11Session.h"

#include <QDeadlineTimer>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QRect>
#include <QThread>

#include <X11/keysym.h>

namespace {

using namespace tool::session;

constexpr double SwitchTargetMs = 30;
const QString StartFamily = QStringLiteral("DejaVu Sans");

// Whether a menu or pop-up list of the palette is open.
bool listOpen(const QDBusConnection& bus) {
    QDBusMessage m = QDBusMessage::createMethodCall(singleinstance::ServiceName, QStringLiteral("/Debug"),
                                                    QStringLiteral("org.runebox.Debug"), QStringLiteral("MenuItems"));
    const QDBusMessage reply = bus.call(m, QDBus::Block, 2000);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           !qdbus_cast<QVariantList>(reply.arguments().first()).isEmpty();
}

// The face with the most characters, and its count.
std::pair<rbx::FaceInfo, std::size_t> largestFace() {
    rbx::FaceInfo largest;
    std::size_t most = 0;
    for (const rbx::FaceInfo& f : rbx::FontBackend::makeDefault()->faces()) {
        if (!f.coverage || f.postScriptName.startsWith(u'.')) continue;
        const std::size_t n = f.coverage->count();
        if (n > most) {
            most = n;
            largest = f;
        }
    }
    return {largest, most};
}

// Opens the family pop-up and types the family's name: its row is the current one.
bool chooseInPopUp(const QDBusConnection& bus, const QProcessEnvironment& env, const QString& family) {
    const QString xdotool = QStringLiteral("xdotool");
    const QRect popUp = controlRect(bus, QStringLiteral("fontFamilyPopUp"));
    if (popUp.isEmpty()) return false;
    // The palette takes the keyboard while the mouse is over it.
    runQuietly(xdotool, {QStringLiteral("mousemove"), QString::number(popUp.center().x()), QString::number(popUp.center().y())},
               env);
    QThread::msleep(400);
    if (!runQuietly(xdotool, {QStringLiteral("click"), QStringLiteral("1")}, env)) return false;
    QDeadlineTimer deadline(10000);
    while (!listOpen(bus))
        if (deadline.hasExpired()) return false;
        else QThread::msleep(20);
    QThread::msleep(300);
    return runQuietly(xdotool, {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), family}, env);
}

bool shows(const QVariantMap& s, const QString& family, qint64 after) {
    return s.value(QStringLiteral("fontFamily")).toString() == family &&
           s.value(QStringLiteral("fontPaintedNs")).toLongLong() > after;
}

// Chooses the family and answers the milliseconds from the Return key to the table's
// paint with it; -1 when it did not show.
double switchTo(const QDBusConnection& bus, X11Session& x, const QProcessEnvironment& env, const QString& family) {
    if (!chooseInPopUp(bus, env, family)) return -1;
    QThread::msleep(300);
    const qint64 sent = pressKey(x, XK_Return);
    if (sent == 0) return -1;
    qint64 painted = 0;
    if (!poll(bus, 15000, [&](const QVariantMap& s) {
            painted = s.value(QStringLiteral("fontPaintedNs")).toLongLong();
            return shows(s, family, sent);
        }))
        return -1;
    return double(painted - sent) / 1e6;
}

int runFontSwitchBench(const QStringList& args) {
    const int runs = args.isEmpty() ? 9 : std::max(1, args.first().toInt());
    PaletteBench palette("fontswitch", args);
    if (!palette.open({{QStringLiteral("selectedFont"), QStringLiteral("DejaVuSans")}})) return palette.exitCode();
    X11Session& x = palette.x();
    const QDBusConnection& bus = palette.bus();
    const QProcessEnvironment env = palette.environment();
    const auto [largest, count] = largestFace();
    if (largest.family.isEmpty()) {
        tool::err() << "bench fontswitch: no installed face" << Qt::endl;
        return 1;
    }
    tool::out() << "largest installed face: " << largest.postScriptName << " (" << count << " characters), family "
                << largest.family << Qt::endl;
    if (!poll(bus, 5000, [](const QVariantMap& s) { return s.value(QStringLiteral("fontFamily")) == StartFamily; })) {
        tool::err() << "bench fontswitch: DejaVu Sans is not installed" << Qt::endl;
        return 1;
    }
    QThread::msleep(1000);
    std::vector<double> times;
    double first = -1;
    for (int i = 0; i < runs; ++i) {
        const double ms = switchTo(bus, x, env, largest.family);
        if (ms < 0) {
            tool::err() << "bench fontswitch: the table did not show " << largest.family << Qt::endl;
            return 1;
        }
        if (i == 0) first = ms;
        times.push_back(ms);
        if (switchTo(bus, x, env, StartFamily) < 0) {
            tool::err() << "bench fontswitch: the table did not show DejaVu Sans again" << Qt::endl;
            return 1;
        }
    }
    tool::out() << "first switch (tables unread): " << QString::number(first, 'f', 2) << " ms" << Qt::endl;
    return tool::reportTiming(QStringLiteral("DejaVu Sans to ") + largest.family + QStringLiteral(", Return to the table's paint"),
                              summary(times), SwitchTargetMs)
               ? 0
               : 1;
}

} // namespace

RBX_BENCH(fontswitch, "switching the font by its pop-up, DejaVu Sans to the largest face, to the table's paint [RUNS]",
          runFontSwitchBench);

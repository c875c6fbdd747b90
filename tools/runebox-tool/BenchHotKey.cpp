// runebox-tool bench hotkey [RUNS]: the time from the press of the open-window hot key
// (Ctrl+Alt+C, pressed through the X server as a keyboard would) to the palette's first
// paint, with the palette closed before each press (median of RUNS, 20 by default). Needs
// an X display with a window manager and a session bus; without a display it runs itself
// inside a private one (tests/x11/x11-session of the source tree).
#include "BenchSession.h"

#include "platform/dbus/AppleEvent.h"
#include "platform/dbus/AppleEventSender.h"
#include "platform/dbus/FourCharCode.h"
#include "platform/dbus/SingleInstance.h"
#include "platform/x11/X11Session.h"

#include <QDBusMessage>
#include <QThread>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

using namespace tool::session;

constexpr double TargetMs = 30;

// Whether the running copy has its hot key registered: it answers with it when asked.
bool hotKeyRegistered(const QDBusConnection& bus) {
    const appleevent::SendResult r = appleevent::send(singleinstance::ServiceName, fourcc::make('H', 'b', 'd', 'C'),
                                                      fourcc::make('S', 'K', 'e', 'y'), {}, 2000, bus);
    return r.ok && r.reply.value(appleevent::DirectParameter).toString().contains(QLatin1String("keycode = 8;"));
}

// Ctrl+Alt+C down and up again; the time of the press of C.
qint64 pressHotKey(X11Session& x) {
    Display* dpy = x.display();
    const unsigned control = XKeysymToKeycode(dpy, XK_Control_L), alt = XKeysymToKeycode(dpy, XK_Alt_L),
                   c = XKeysymToKeycode(dpy, XK_c);
    XTestFakeKeyEvent(dpy, control, True, CurrentTime);
    XTestFakeKeyEvent(dpy, alt, True, CurrentTime);
    x.flush();
    const qint64 pressed = monotonicNs();
    XTestFakeKeyEvent(dpy, c, True, CurrentTime);
    x.flush();
    XTestFakeKeyEvent(dpy, c, False, CurrentTime);
    XTestFakeKeyEvent(dpy, alt, False, CurrentTime);
    XTestFakeKeyEvent(dpy, control, False, CurrentTime);
    x.flush();
    return pressed;
}

int runHotKeyBench(const QStringList& args) {
    const int runs = args.isEmpty() ? 20 : std::max(1, args.first().toInt());
    PaletteBench palette("hotkey", args);
    if (!palette.open()) return palette.exitCode();
    X11Session& x = palette.x();
    const QDBusConnection& bus = palette.bus();
    if (!poll(bus, 15000, [&](const QVariantMap&) { return hotKeyRegistered(bus); })) {
        tool::err() << "bench hotkey: the hot key Ctrl+Alt+C was not registered" << Qt::endl;
        return 1;
    }

    // The first synthetic key makes the server switch to the test keyboard, and the copy
    // grabs its keys again after that change: a press of Shift lets this happen first.
    const unsigned shift = XKeysymToKeycode(x.display(), XK_Shift_L);
    XTestFakeKeyEvent(x.display(), shift, True, CurrentTime);
    XTestFakeKeyEvent(x.display(), shift, False, CurrentTime);
    x.flush();
    QThread::msleep(500);

    const QDBusMessage close = QDBusMessage::createMethodCall(singleinstance::ServiceName, QStringLiteral("/Debug"),
                                                              QStringLiteral("org.runebox.Debug"), QStringLiteral("Close"));
    std::vector<double> ms;
    for (int i = 0; i <= runs; ++i) {
        bus.call(close, QDBus::Block, 2000);
        if (!poll(bus, 5000, [](const QVariantMap& s) { return !s.value(QStringLiteral("visible")).toBool(); })) {
            tool::err() << "bench hotkey: the palette did not close" << Qt::endl;
            return 1;
        }
        QThread::msleep(150);
        const int shown = debugState(bus).value(QStringLiteral("shown")).toInt();
        const qint64 pressed = pressHotKey(x);
        qint64 painted = 0;
        if (!poll(bus, 5000, [&](const QVariantMap& s) {
                painted = s.value(QStringLiteral("paintedNs")).toLongLong();
                return s.value(QStringLiteral("shown")).toInt() > shown && painted > pressed;
            })) {
            tool::err() << "bench hotkey: the hot key did not open the palette" << Qt::endl;
            return 1;
        }
        if (i > 0) ms.push_back(double(painted - pressed) / 1e6);  // the first fills the caches
    }
    palette.launch().quit();
    return tool::reportTiming(QStringLiteral("hot-key press to first paint"), summary(ms), TargetMs) ? 0 : 1;
}

} // namespace

RBX_BENCH(hotkey, "the open-window hot key: key press to the palette's first paint", runHotKeyBench);

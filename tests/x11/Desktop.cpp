#include "Desktop.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <X11/Xlib.h>

#include <algorithm>

namespace x11test {

X11Session::Window windowOfPid(int pid) {
    X11Session& x = X11Session::shared();
    X11Session::Window found = 0;
    rbxtest::waitFor([&] {
        x.processPendingEvents();
        const QList<X11Session::Window> ws = ewmh::windowsOfPid(x, pid);
        found = ws.isEmpty() ? 0 : ws.last();
        return found != 0;
    }, 10000);
    return found;
}

QRect frameOf(X11Session::Window window) {
    X11Session& x = X11Session::shared();
    XWindowAttributes a{};
    if (!window || !XGetWindowAttributes(x.display(), window, &a)) return {};
    int rx = 0, ry = 0;
    Window child = 0;
    XTranslateCoordinates(x.display(), window, x.rootWindow(), 0, 0, &rx, &ry, &child);
    return QRect(rx, ry, a.width, a.height);
}

int activePid() {
    X11Session& x = X11Session::shared();
    return ewmh::windowPid(x, ewmh::activeWindow(x));
}

void pointTo(const QPoint& p) {
    run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y())});
}

void click() { run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("1")}); }

void type(const QString& text) { run(QStringLiteral("xdotool"), {QStringLiteral("type"), text}); }

void key(const QString& name) { run(QStringLiteral("xdotool"), {QStringLiteral("key"), name}); }

QPoint pointOutside(const QRect& frame) {
    // Beside the frame, on the side with more room, half way down the frame.
    const int screenWidth = DisplayWidth(X11Session::shared().display(), DefaultScreen(X11Session::shared().display()));
    const int y = frame.center().y();
    const int left = frame.left() - 40, right = frame.right() + 40;
    return left > screenWidth - right ? QPoint(std::max(20, left), y) : QPoint(std::min(screenWidth - 20, right), y);
}

QString switchAccessibilityOn() {
    QDBusMessage on = QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"));
    on << QStringLiteral("org.a11y.Status") << QStringLiteral("IsEnabled") << QVariant::fromValue(QDBusVariant(true));
    const QDBusMessage reply = QDBusConnection::sessionBus().call(on, QDBus::Block, 15000);
    return reply.type() == QDBusMessage::ReplyMessage ? QString() : reply.errorMessage() + QStringLiteral(" ");
}

} // namespace x11test

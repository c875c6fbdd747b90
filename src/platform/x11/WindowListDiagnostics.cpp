#include "platform/x11/WindowListDiagnostics.h"

#include "core/Log.h"
#include "platform/x11/Ewmh.h"

#include <X11/Xlib.h>

namespace ewmh {

namespace {

// The window's frame in root coordinates; empty when it is gone.
QRect frameOf(X11Session& s, Window w) {
    XWindowAttributes a{};
    if (!XGetWindowAttributes(s.display(), w, &a)) return {};
    int x = 0, y = 0;
    ::Window child = 0;
    XTranslateCoordinates(s.display(), w, s.rootWindow(), 0, 0, &x, &y, &child);
    return QRect(x, y, a.width, a.height);
}

} // namespace

bool logWindowList(X11Session& s, const QRect& screen) {
    if (!s.isAvailable()) return false;
    kx::log(QStringLiteral("START"));
    bool any = false;
    const QList<Window> windows = clientListStacking(s);
    for (int i = 0; i < windows.size(); ++i) {
        const Window w = windows[i];
        const QRect frame = frameOf(s, w);
        const WindowClass wc = windowClass(s, w);
        kx::log(QStringLiteral("w-info(%1): {title = \"%2\"; class = \"%3\"; pid = %4; frame = \"%5,%6 %7x%8\"}")
                    .arg(i)
                    .arg(windowTitle(s, w), wc.className)
                    .arg(windowPid(s, w))
                    .arg(frame.x())
                    .arg(frame.y())
                    .arg(frame.width())
                    .arg(frame.height()));
        const bool full = isFullscreen(s, w);
        if (full || (!frame.isEmpty() && frame == screen)) kx::log(QStringLiteral("FULL-SCREEN"));
        any = any || full;
    }
    kx::log(QStringLiteral("END"));
    return any;
}

} // namespace ewmh

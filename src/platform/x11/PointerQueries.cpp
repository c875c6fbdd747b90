#include "platform/x11/PointerQueries.h"

#include "platform/x11/Ewmh.h"
#include "platform/x11/XErrorTrap.h"

#include <X11/Xlib.h>

namespace pointer {

bool anyButtonDown(X11Session& s) {
    if (!s.isAvailable()) return false;
    ::Window root = 0, child = 0;
    int rx = 0, ry = 0, wx = 0, wy = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(s.display(), s.rootWindow(), &root, &child, &rx, &ry, &wx, &wy, &mask)) return false;
    return mask & (Button1Mask | Button2Mask | Button3Mask | Button4Mask | Button5Mask);
}

int pidOfWindowAt(X11Session& s, const QPoint& p) {
    if (!s.isAvailable()) return 0;
    const QList<X11Session::Window> stack = ewmh::clientListStacking(s);
    XErrorTrap trap(s);
    // The list runs from the bottom to the top.
    for (auto it = stack.crbegin(); it != stack.crend(); ++it) {
        XWindowAttributes a{};
        if (!XGetWindowAttributes(s.display(), *it, &a) || a.map_state != IsViewable) continue;
        int x = 0, y = 0;
        ::Window child = 0;
        if (!XTranslateCoordinates(s.display(), *it, s.rootWindow(), 0, 0, &x, &y, &child)) continue;
        if (p.x() >= x && p.y() >= y && p.x() < x + a.width && p.y() < y + a.height) return ewmh::windowPid(s, *it);
    }
    return 0;
}

} // namespace pointer

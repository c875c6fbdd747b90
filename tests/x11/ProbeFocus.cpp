#include "ProbeClient.h"
#include "platform/x11/Ewmh.h"
#include "platform/x11/X11Session.h"

#include <X11/Xlib.h>

bool processHasKeyboardFocus(int pid) {
    X11Session& s = X11Session::shared();
    if (!s.isAvailable() || pid <= 0) return false;
    if (ewmh::windowPid(s, ewmh::activeWindow(s)) != pid) return false;
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(s.display(), &focus, &revert);
    // The focus may sit on the top-level window or on one inside it.
    for (int depth = 0; focus > PointerRoot && depth < 8; ++depth) {
        if (ewmh::windowPid(s, focus) == pid) return true;
        Window root = 0, parent = 0, *children = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(s.display(), focus, &root, &parent, &children, &n)) return false;
        if (children) XFree(children);
        if (parent == root) return false;
        focus = parent;
    }
    return false;
}

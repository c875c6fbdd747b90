#include "platform/x11/ScreenStateWatch.h"

#include "platform/x11/Ewmh.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

ScreenStateWatch::ScreenStateWatch(X11Session& s, QObject* parent) : QObject(parent), session_(&s) {
    if (!s.isAvailable()) return;
    const X11Session::Atom desktop = s.atom("_NET_CURRENT_DESKTOP");
    const X11Session::Atom active = s.atom("_NET_ACTIVE_WINDOW");
    const X11Session::Atom state = s.atom("_NET_WM_STATE");
    s.addInputMask(s.rootWindow(), PropertyChangeMask);
    listeners_ << s.addEventListener(PropertyNotify, 0, [this, &s, desktop, active, state](const XEvent& e) {
        if (e.xproperty.window == s.rootWindow()) {
            if (e.xproperty.atom == desktop) emit desktopSwitched();
            else if (e.xproperty.atom == active) checkFullScreen();
        } else if (e.xproperty.atom == state) {
            checkFullScreen();
        }
    });
    int eventBase = 0, errorBase = 0;
    if (XScreenSaverQueryExtension(s.display(), &eventBase, &errorBase)) {
        XScreenSaverSelectInput(s.display(), s.rootWindow(), ScreenSaverNotifyMask);
        listeners_ << s.addEventListener(eventBase + ScreenSaverNotify, 0, [this](const XEvent& e) {
            const auto& n = reinterpret_cast<const XScreenSaverNotifyEvent&>(e);
            const bool on = n.state == ScreenSaverOn;
            if (on == screenSaver_) return;
            screenSaver_ = on;
            emit screenSaverChanged(on);
        });
    }
    s.flush();
    checkFullScreen();
}

ScreenStateWatch::~ScreenStateWatch() {
    if (!session_) return;
    for (X11Session::ListenerId id : listeners_) session_->removeEventListener(id);
}

void ScreenStateWatch::checkFullScreen() {
    if (!session_) return;
    // The state of the window in front is watched while it is in front.
    const X11Session::Window w = ewmh::activeWindow(*session_);
    if (w) session_->addInputMask(w, PropertyChangeMask);
    const bool full = w && ewmh::isFullscreen(*session_, w);
    if (full == fullScreen_) return;
    fullScreen_ = full;
    emit fullScreenChanged(full);
}

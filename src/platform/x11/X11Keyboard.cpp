#include "platform/x11/X11Keyboard.h"

#include "core/Log.h"
#include "platform/x11/X11Session.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace kx::x11 {

X11Keyboard& X11Keyboard::shared() {
    static X11Keyboard* k = new X11Keyboard();   // lives with the process, as the session does
    return *k;
}

X11Keyboard::X11Keyboard(X11Session* session, QObject* parent)
    : QObject(parent), session_(session ? session : &X11Session::shared()) {
    if (!session_->isAvailable()) return;
    Display* dpy = session_->display();
    int opcode = 0, event = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    if (!XkbQueryExtension(dpy, &opcode, &event, &error, &major, &minor)) {
        log(QStringLiteral("X11: no XKB extension"));
        return;
    }
    if (!XkbKeymap::setUpXkb(session_->xcbConnection())) {
        log(QStringLiteral("X11: cannot set up XKB for reading the keymap"));
        return;
    }
    xkbEventType_ = event;
    XkbSelectEvents(dpy, XkbUseCoreKbd, XkbNewKeyboardNotifyMask | XkbMapNotifyMask | XkbStateNotifyMask,
                    XkbNewKeyboardNotifyMask | XkbMapNotifyMask | XkbStateNotifyMask);
    XkbSelectEventDetails(dpy, XkbUseCoreKbd, XkbStateNotify, XkbAllStateComponentsMask, XkbGroupStateMask);
    XFlush(dpy);
    listener_ = session_->addEventListener(event, 0, [this](const XEvent& e) {
        const auto& any = reinterpret_cast<const XkbAnyEvent&>(e);
        if (any.xkb_type == XkbStateNotify) {
            const auto& st = reinterpret_cast<const XkbStateNotifyEvent&>(e);
            if (!(st.changed & XkbGroupStateMask)) return;
        } else {
            stale_ = true;
        }
        emit changed();
    });
    reload();
}

X11Keyboard::~X11Keyboard() {
    if (listener_) session_->removeEventListener(listener_);
}

void X11Keyboard::reload() {
    if (xkbEventType_ < 0) return;
    auto km = XkbKeymap::fromDevice(session_->xcbConnection());
    if (km) keymap_ = std::move(km);
    else log(QStringLiteral("X11: cannot read the keymap"));
    stale_ = false;
}

std::shared_ptr<XkbKeymap> X11Keyboard::keymap() {
    if (stale_) reload();
    return keymap_;
}

int X11Keyboard::group() {
    if (xkbEventType_ < 0) return 0;
    XkbStateRec state{};
    if (XkbGetState(session_->display(), XkbUseCoreKbd, &state) != Success) return 0;
    return state.group;
}

QList<int> X11Keyboard::pressedKeys() {
    QList<int> keys;
    if (!session_->isAvailable()) return keys;
    char bits[32] = {};
    XQueryKeymap(session_->display(), bits);
    for (int kc = 8; kc < 256; ++kc)
        if (bits[kc / 8] & (1 << (kc % 8))) keys << kc;
    return keys;
}

QList<int> X11Keyboard::modifierKeycodes() {
    QList<int> keys;
    if (!session_->isAvailable()) return keys;
    XModifierKeymap* map = XGetModifierMapping(session_->display());
    if (!map) return keys;
    for (int i = 0; i < 8 * map->max_keypermod; ++i)
        if (map->modifiermap[i] && !keys.contains(map->modifiermap[i])) keys << map->modifiermap[i];
    XFreeModifiermap(map);
    return keys;
}

} // namespace kx::x11

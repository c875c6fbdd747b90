#include "platform/x11/HotKeyGrabs.h"

#include "core/Log.h"
#include "core/ModifierFlags.h"
#include "platform/x11/MacKeyCodes.h"
#include "platform/x11/X11Keyboard.h"
#include "platform/x11/X11Session.h"
#include "platform/x11/XErrorTrap.h"

#include <algorithm>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace kx::x11 {

unsigned int X11HotKeyGrabs::xModifierMask(std::uint32_t modifiers) {
    unsigned int mask = 0;
    if (modifiers & kx::modifier::Shift) mask |= ShiftMask;
    if (modifiers & kx::modifier::Command) mask |= ControlMask;
    if (modifiers & kx::modifier::Option) mask |= Mod1Mask;
    if (modifiers & kx::modifier::Control) mask |= Mod4Mask;
    return mask;
}

X11HotKeyGrabs::X11HotKeyGrabs(X11Session& session, X11Keyboard* keyboard, QObject* parent)
    : HotKeyGrabs(parent), session_(session) {
    if (!session_.isAvailable()) return;
    // A held key repeats as presses only, without the releases in between.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(session_.display(), True, &supported);
    numLockMask_ = numLockMask();
    const X11Session::Window root = session_.rootWindow();
    pressListener_ = session_.addEventListener(KeyPress, root, [this](const XEvent& e) {
        keyEvent(KeyPress, int(e.xkey.keycode), e.xkey.state);
    });
    releaseListener_ = session_.addEventListener(KeyRelease, root, [this](const XEvent& e) {
        keyEvent(KeyRelease, int(e.xkey.keycode), e.xkey.state);
    });
    if (keyboard) connect(keyboard, &X11Keyboard::changed, this, &X11HotKeyGrabs::grabAgain);
}

X11HotKeyGrabs::~X11HotKeyGrabs() {
    if (!session_.isAvailable()) return;
    for (const Grab& g : std::as_const(grabs_)) ungrabOnServer(g);
    session_.removeEventListener(pressListener_);
    session_.removeEventListener(releaseListener_);
    session_.flush();
}

unsigned int X11HotKeyGrabs::numLockMask() {
    Display* dpy = session_.display();
    const KeyCode numLock = XKeysymToKeycode(dpy, XK_Num_Lock);
    XModifierKeymap* map = XGetModifierMapping(dpy);
    unsigned int mask = 0;
    if (map && numLock) {
        for (int mod = 0; mod < 8; ++mod)
            for (int k = 0; k < map->max_keypermod; ++k)
                if (map->modifiermap[mod * map->max_keypermod + k] == numLock) mask = 1u << mod;
    }
    if (map) XFreeModifiermap(map);
    return mask;
}

int X11HotKeyGrabs::grabOnServer(const Grab& g) {
    Display* dpy = session_.display();
    XErrorTrap trap(session_);
    const unsigned int variants[] = {0, LockMask, numLockMask_, numLockMask_ | LockMask};
    for (const unsigned int extra : variants)
        XGrabKey(dpy, g.xKeycode, g.mask | extra, session_.rootWindow(), False, GrabModeAsync, GrabModeAsync);
    if (!trap.sync().failed()) return 0;
    const int code = trap.errors().first().code;
    // What was taken before the failure is given back: the key is ours entirely or not at all.
    ungrabOnServer(g);
    return code == BadAccess ? ErrorTaken : code;
}

void X11HotKeyGrabs::ungrabOnServer(const Grab& g) { ungrabOnServer(g, numLockMask_, ~0u); }

void X11HotKeyGrabs::ungrabOnServer(const Grab& g, unsigned int numLock, unsigned int keptNumLock) {
    Display* dpy = session_.display();
    XErrorTrap trap(session_);
    const unsigned int variants[] = {0, LockMask, numLock, numLock | LockMask};
    const unsigned int kept[] = {0, LockMask, keptNumLock, keptNumLock | LockMask};
    for (const unsigned int extra : variants) {
        // The variants also held with the new NumLock modifier stay.
        if (keptNumLock != ~0u && std::find(std::begin(kept), std::end(kept), extra) != std::end(kept)) continue;
        XUngrabKey(dpy, g.xKeycode, g.mask | extra, session_.rootWindow());
    }
}

int X11HotKeyGrabs::grab(std::uint32_t id, int keyCode, std::uint32_t modifiers) {
    ungrab(id);
    if (!session_.isAvailable()) return ErrorNoDisplay;
    const int xKeycode = xKeycodeForMacKey(keyCode);
    if (xKeycode == 0) return ErrorNoKey;
    const Grab g{xKeycode, xModifierMask(modifiers)};
    if (const int error = grabOnServer(g)) return error;
    grabs_.insert(id, g);
    return 0;
}

void X11HotKeyGrabs::ungrab(std::uint32_t id) {
    const auto it = grabs_.find(id);
    if (it == grabs_.end()) return;
    ungrabOnServer(*it);
    grabs_.erase(it);
    session_.flush();
}

void X11HotKeyGrabs::grabAgain() {
    if (!session_.isAvailable() || grabs_.isEmpty()) return;
    // Each key is taken again before its old grabs go, so a press arriving meanwhile still
    // comes here instead of reaching the focused window. Taking a key this program holds
    // already only renews the grab; what changes is NumLock's modifier.
    const unsigned int oldNumLock = numLockMask_;
    numLockMask_ = numLockMask();
    for (auto it = grabs_.begin(); it != grabs_.end();) {
        it->down = false;
        const int error = grabOnServer(*it);
        if (oldNumLock != numLockMask_) ungrabOnServer(*it, oldNumLock, numLockMask_);
        if (error) {
            log(QStringLiteral("RegisterEventHotKey error %1").arg(error));
            it = grabs_.erase(it);
        } else {
            ++it;
        }
    }
    session_.flush();
    log(QStringLiteral("hot keys grabbed again after a keyboard change"));
}

void X11HotKeyGrabs::keyEvent(int type, int keycode, unsigned int state) {
    if (type == KeyRelease) {
        // The modifiers may be let go first: a release of the key ends every grab of it.
        for (Grab& g : grabs_)
            if (g.xKeycode == keycode) g.down = false;
        return;
    }
    const unsigned int clean = state & ~(LockMask | numLockMask_) & (ShiftMask | ControlMask | Mod1Mask | Mod4Mask);
    for (auto it = grabs_.begin(); it != grabs_.end(); ++it) {
        if (it->xKeycode != keycode || it->mask != clean) continue;
        if (it->down) return;  // held: a repeat
        it->down = true;
        const std::uint32_t id = it.key();
        emit pressed(id);  // may change the grabs
        return;
    }
    // Another client's grab, or one released a moment ago.
    log(QStringLiteral("Hotkey not found (keycode %1, state 0x%2)").arg(keycode).arg(state, 0, 16));
}

} // namespace kx::x11

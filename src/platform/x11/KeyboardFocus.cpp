#include "platform/x11/KeyboardFocus.h"

#include "core/ProcessWide.h"

#include <X11/Xlib.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <unistd.h>

KeyboardFocus::KeyboardFocus(X11Session& session) : session_(session) {}

KeyboardFocus::~KeyboardFocus() {
    if (nowhere_ && session_.isAvailable()) {
        XDestroyWindow(session_.display(), nowhere_);
        session_.flush();
    }
}

KeyboardFocus::Window KeyboardFocus::nowhere() {
    if (!nowhere_ && session_.isAvailable()) {
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        nowhere_ = XCreateWindow(session_.display(), session_.rootWindow(), -10, -10, 1, 1, 0, 0, InputOnly,
                                 CopyFromParent, CWOverrideRedirect, &attributes);
        XMapWindow(session_.display(), nowhere_);
    }
    return nowhere_;
}

KeyboardFocus& KeyboardFocus::shared() { return kx::ProcessWide<KeyboardFocus>::get(); }

std::unique_ptr<KeyboardFocus> KeyboardFocus::makeDefault() {
    return std::make_unique<KeyboardFocus>(X11Session::shared());
}

void KeyboardFocus::syncWith(const ewmh::OwnWindow& own) {
    // A round trip on the window's own connection: the server has then handled its input
    // hint, and the window manager hears of it before our request.
    if (own.connection) std::free(xcb_get_input_focus_reply(own.connection, xcb_get_input_focus(own.connection), nullptr));
}

bool KeyboardFocus::isOurs(Window window) { return window && ewmh::windowPid(session_, window) == int(getpid()); }

void KeyboardFocus::take(const ewmh::OwnWindow& own) {
    if (!session_.isAvailable() || !own.window) return;
    const Window active = ewmh::activeWindow(session_);
    if (active && !isOurs(active)) owner_ = active;
    syncWith(own);
    requested_ = true;
    ewmh::activateWindow(session_, own.window);
}

bool KeyboardFocus::holdsKeyboard() {
    if (!session_.isAvailable()) return false;
    const Window active = ewmh::activeWindow(session_);
    if (isOurs(active)) return true;
    // Asked for and not yet given: the window manager has not moved the keyboard yet.
    return requested_ && (!active || active == owner_);
}

bool KeyboardFocus::handBack(const ewmh::OwnWindow& own) {
    const bool held = holdsKeyboard();
    requested_ = false;
    if (!held) return false;
    // Our window no longer takes the focus before the window manager looks for another
    // window to give it to.
    syncWith(own);
    if (owner_ && ewmh::clientList(session_).contains(owner_)) {
        ewmh::activateWindow(session_, owner_);
        session_.setInputFocus(owner_);
    } else {
        // No window had the keyboard, or it is gone: the keys go nowhere until the user
        // picks a window.
        owner_ = 0;
        XSetInputFocus(session_.display(), nowhere(), RevertToPointerRoot, CurrentTime);
        session_.flush();
    }
    return true;
}

KeyboardFocus::Window KeyboardFocus::applicationWindow(Window active) {
    if (requested_ && owner_ && isOurs(active)) return owner_;
    return active;
}

#include "platform/x11/KeyboardFocus.h"

#include "core/ProcessWide.h"
#include "platform/x11/DesktopWatch.h"
#include "platform/x11/XErrorTrap.h"

#include <QDeadlineTimer>
#include <QThread>

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

KeyboardFocus& KeyboardFocus::shared() { return kx::ProcessWide<KeyboardFocus>::get(); }

std::unique_ptr<KeyboardFocus> KeyboardFocus::makeDefault() {
    auto focus = std::make_unique<KeyboardFocus>(X11Session::shared());
    focus->follow();
    return focus;
}

void KeyboardFocus::follow() {
    if (watch_ || !session_.isAvailable()) return;
    watch_ = new DesktopWatch(session_, this);
    connect(watch_, &DesktopWatch::activeWindowChanged, this, &KeyboardFocus::activeWindowChanged);
    lastActive_ = refreshHandBackTo();
}

void KeyboardFocus::activeWindowChanged() {
    const Window active = ewmh::activeWindow(session_);
    if (active == lastActive_) return;
    lastActive_ = active;
    if (!active) return;
    if (isOurs(active)) {
        // Our request is granted.
        requested_ = false;
        handingBack_ = false;
        emit ourWindowActivated(active);
        return;
    }
    if (!isOthers(active)) return;  // gone already
    handingBack_ = false;
    // While a request of ours is pending, the window we asked to take the keyboard from
    // may still be reported active, or become active as our hand-back before that request
    // arrives: that is no choice of the user's.
    if (requested_ && active == askedFrom_) return;
    note(active);
    // A request of ours that the window manager has not granted is void once the user
    // chose another window.
    requested_ = false;
    emit otherWindowActivated(active);
}

KeyboardFocus::Window KeyboardFocus::refreshHandBackTo() {
    const Window active = ewmh::activeWindow(session_);
    if (active && isOthers(active)) note(active);
    return active;
}

void KeyboardFocus::note(Window window) {
    handBackTo_ = window;
    before_.removeAll(window);
    before_.prepend(window);
    while (before_.size() > MaxRemembered) before_.removeLast();
}

KeyboardFocus::Window KeyboardFocus::lastWindowStillThere() {
    const QList<Window> managed = ewmh::clientList(session_);
    for (Window w : std::as_const(before_))
        if (managed.contains(w)) return w;
    return 0;
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

void KeyboardFocus::syncWith(const ewmh::OwnWindow& own) {
    // A round trip on the window's own connection: the server has then handled its input
    // hint, and the window manager hears of it before our request.
    if (own.connection) std::free(xcb_get_input_focus_reply(own.connection, xcb_get_input_focus(own.connection), nullptr));
}

bool KeyboardFocus::isOurs(Window window) { return window && ewmh::windowPid(session_, window) == int(getpid()); }

bool KeyboardFocus::isOthers(Window window) {
    if (!window) return false;
    if (const int pid = ewmh::windowPid(session_, window); pid > 0) return pid != int(getpid());
    return exists(window);
}

bool KeyboardFocus::exists(Window window) {
    // No process named: a program that names none, or a window of ours destroyed a moment
    // ago, which the window manager still reports as active.
    XErrorTrap trap(session_);
    XWindowAttributes attributes{};
    return XGetWindowAttributes(session_.display(), window, &attributes) && !trap.sync().failed();
}

void KeyboardFocus::take(const ewmh::OwnWindow& own) {
    if (!session_.isAvailable() || !own.window) return;
    const Window active = refreshHandBackTo();
    // Asked right after a hand-back that the window manager has not handled yet: our window is
    // still reported active, and the window handed back to becomes active before our request
    // is handled.
    askedFrom_ = handingBack_ && handBackTo_ && (!active || isOurs(active)) ? handBackTo_ : active;
    syncWith(own);
    requested_ = true;
    ewmh::activateWindow(session_, own.window);
}

bool KeyboardFocus::holdsKeyboard() {
    if (!session_.isAvailable()) return false;
    const Window active = ewmh::activeWindow(session_);
    return isOurs(active) || pending(active);
}

bool KeyboardFocus::pending(Window active) const {
    // Asked for and not yet given: the window manager has not moved the keyboard yet.
    return requested_ && (!active || active == askedFrom_);
}

void KeyboardFocus::awaitPendingRequest() {
    // The window manager handles our requests in order: were ours to activate our window
    // handled after the hand-back, the keys sent for the other window would reach ours.
    QDeadlineTimer deadline(PendingRequestWaitMs);
    while (!deadline.hasExpired()) {
        const Window active = ewmh::activeWindow(session_);
        if (isOurs(active) || (active && active != askedFrom_)) return;  // granted, or the user chose
        QThread::usleep(500);
    }
}

bool KeyboardFocus::handBack(const ewmh::OwnWindow& own) {
    const bool available = session_.isAvailable();
    const Window active = available ? ewmh::activeWindow(session_) : 0;
    const bool ours = available && isOurs(active);
    const bool held = ours || (available && pending(active));
    if (held && !ours) awaitPendingRequest();
    requested_ = false;
    if (!held) return false;
    // Our window no longer takes the focus before the window manager looks for another
    // window to give it to.
    syncWith(own);
    // The window closed meanwhile: the one active before it, as a window manager would.
    handBackTo_ = lastWindowStillThere();
    handingBack_ = handBackTo_ != 0;
    if (handBackTo_) {
        ewmh::activateWindow(session_, handBackTo_);
        session_.setInputFocus(handBackTo_);
    } else {
        // No window had the keyboard, or all are gone: the keys go nowhere until the user
        // picks a window.
        XSetInputFocus(session_.display(), nowhere(), RevertToPointerRoot, CurrentTime);
        session_.flush();
    }
    return true;
}

KeyboardFocus::Window KeyboardFocus::keyboardOwner() {
    if (!session_.isAvailable()) return 0;
    ::Window focus = 0;
    int revert = 0;
    XGetInputFocus(session_.display(), &focus, &revert);
    // The focus may sit on the managed window or on one inside it; the window manager's
    // frame around it has no process.
    for (int depth = 0; focus > PointerRoot && depth < 16; ++depth) {
        if (ewmh::windowPid(session_, focus) > 0) return focus;
        ::Window root = 0, parent = 0, *children = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(session_.display(), focus, &root, &parent, &children, &n)) return 0;
        if (children) XFree(children);
        if (parent == root) return 0;
        focus = parent;
    }
    return 0;
}

KeyboardFocus::Window KeyboardFocus::applicationWindow(Window active) {
    if (!active) return handBackTo_;
    // Its process read once: this is asked before every insertion.
    const int pid = ewmh::windowPid(session_, active);
    if (pid == int(getpid())) return handBackTo_;
    // Seen active now, it is the one to give the keyboard back to, whether or not the
    // change was heard yet.
    if (pid > 0 || exists(active)) note(active);
    return active;
}

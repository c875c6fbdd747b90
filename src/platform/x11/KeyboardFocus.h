#pragma once
// The keyboard between our windows and the window the user types in, as the X server and
// the window manager see it.
//
// handBackTo() is the last active window that is not one of ours: it follows the window
// manager's _NET_ACTIVE_WINDOW from follow() on, whatever the pointer does, and is read
// anew whenever the application in front is asked for (applicationWindow()), so that a window
// the user activated a moment ago is never missed. take() asks the window manager to activate one of ours, as a
// pager asks (_NET_ACTIVE_WINDOW, source 2, which no focus-stealing rule refuses);
// handBack() asks the same for handBackTo() and moves the X input focus there at once, so
// that keys sent right after it reach that window and not ours.
//
// Our own windows are never the application the user works in: while one of ours is
// active, that application is the one of handBackTo() (applicationWindow()). Without a
// display every answer is neutral and nothing is asked. One per process
// (kx::ProcessWide<KeyboardFocus>, made on X11Session::shared() by default). Main thread.

#include "platform/x11/Ewmh.h"

#include <QList>
#include <QObject>
#include <memory>

class DesktopWatch;

class KeyboardFocus : public QObject {
    Q_OBJECT
public:
    using Window = X11Session::Window;

    explicit KeyboardFocus(X11Session& session);
    ~KeyboardFocus() override;
    static KeyboardFocus& shared();
    static std::unique_ptr<KeyboardFocus> makeDefault();

    // From now on every change of the active window is followed (once; idempotent).
    void follow();

    // Asks for the keyboard for `window`, which must be willing to take the focus (its
    // input hint on). What its connection was told before (the hint) reaches the server
    // before the window manager hears the request.
    void take(const ewmh::OwnWindow& window);
    // Gives the keyboard to handBackTo() when one of ours has it or has asked for it; to
    // no window (nowhere()) when there is none or it is gone. False when ours did not hold
    // it. `window` (ours, its input hint already off) is synchronised first.
    bool handBack(const ewmh::OwnWindow& window = {});
    // One of our windows has the keyboard, or has asked for it and no other window took
    // it meanwhile.
    bool holdsKeyboard();
    // The window the keyboard goes back to; 0 when none is known.
    Window handBackTo() const { return handBackTo_; }
    // The managed window that holds the X input focus (the top-level window around the
    // focus); 0 when no managed window has it.
    Window keyboardOwner();
    // The window of the application the user works in, given the active window: the
    // active window itself, or handBackTo() when the active window is ours or none (0 when
    // no other window was active yet: we are never that application).
    Window applicationWindow(Window active);
    // A window of this process.
    bool isOurs(Window window);
    // A window of another program, that exists.
    bool isOthers(Window window);
    // Where the keys go while no window has them: a window of ours, mapped off the screen
    // and listening to nothing. The focus on no window at all would take the global hot
    // keys too (a key grabbed on the root window reaches its grab only while the focus is
    // inside the root window), and the focus on the root window sends the keys to the
    // window under the pointer, which is usually ours.
    Window nowhere();
    // There is a display whose keyboard can be handed around.
    bool isAvailable() const { return session_.isAvailable(); }

signals:
    // The user (or a program) activated a window that is not ours; it is handBackTo() now.
    void otherWindowActivated(KeyboardFocus::Window window);
    // One of our windows became the active window.
    void ourWindowActivated(KeyboardFocus::Window window);

private:
    void syncWith(const ewmh::OwnWindow& window);
    // Our request for the keyboard waits on the window manager, `active` being the active window.
    bool pending(Window active) const;
    // A window that names no process still exists.
    bool exists(Window window);
    // Reads the active window now and answers it: when it is another program's, it becomes
    // handBackTo().
    Window refreshHandBackTo();
    void activeWindowChanged();
    // The window becomes handBackTo(), first among those remembered.
    void note(Window window);
    // The latest remembered window that the window manager still manages; 0 for none.
    Window lastWindowStillThere();
    // Waits (a moment at most) until the window manager handled our pending request to
    // activate our window.
    void awaitPendingRequest();
    static constexpr int PendingRequestWaitMs = 300;

    static constexpr int MaxRemembered = 8;

    X11Session& session_;
    DesktopWatch* watch_ = nullptr;
    Window handBackTo_ = 0;
    // The active window when we last asked for the keyboard: while that request is pending it
    // may still be reported active (handBackTo() may have moved on since). When we asked while
    // a hand-back of ours was still on its way, the window it goes to.
    Window askedFrom_ = 0;
    // A hand-back sent that the window manager has not yet shown as done: until then it still
    // reports our window active.
    bool handingBack_ = false;
    // The windows not of ours that were active, latest first.
    QList<Window> before_;
    Window lastActive_ = 0;
    Window nowhere_ = 0;
    bool requested_ = false;
};

#pragma once
// The keyboard between our windows and the window the user types in.
//
// Our palette is a panel that takes the keyboard only for a while (when the mouse is in
// it): take() notes the window that has the keyboard (the window manager's active
// window, unless it is one of ours) and asks the window manager to activate ours, as a
// pager asks (_NET_ACTIVE_WINDOW, source 2, which no focus-stealing rule refuses).
// handBack() asks the same for the noted window and moves the X input focus there at
// once, so that keys sent right after it reach that window and not ours.
//
// While ours holds the keyboard that it took, the application the user works in is the
// one of the noted window (applicationWindow()). Without a display every answer is
// neutral and nothing is asked. One per process (kx::ProcessWide<KeyboardFocus>, made on
// X11Session::shared() by default). Main thread.

#include "platform/x11/Ewmh.h"

#include <memory>

class KeyboardFocus {
public:
    using Window = X11Session::Window;

    explicit KeyboardFocus(X11Session& session);
    ~KeyboardFocus();
    KeyboardFocus(const KeyboardFocus&) = delete;
    KeyboardFocus& operator=(const KeyboardFocus&) = delete;
    static KeyboardFocus& shared();
    static std::unique_ptr<KeyboardFocus> makeDefault();

    // Asks for the keyboard for `window`, which must be willing to take the focus (its
    // input hint on). What its connection was told before (the hint) reaches the server
    // before the window manager hears the request.
    void take(const ewmh::OwnWindow& window);
    // Gives the keyboard back to the window noted by take() when one of ours has it or
    // has asked for it; to no window (nowhere()) when none was noted or it is gone. False
    // when ours did not hold it. `window` (ours, its input hint already off) is synchronised first.
    bool handBack(const ewmh::OwnWindow& window = {});
    // One of our windows has the keyboard, or has asked for it and no other window took
    // it meanwhile.
    bool holdsKeyboard();
    // The window the keyboard goes back to; 0 when none was noted.
    Window keyboardOwner() const { return owner_; }
    // The window of the application the user works in, given the active window: the
    // noted window while ours holds the keyboard it took, else the active window itself.
    Window applicationWindow(Window active);
    // A window of this process.
    bool isOurs(Window window);
    // Where the keys go while no window has them: a window of ours, mapped off the screen
    // and listening to nothing. The focus on no window at all would take the global hot
    // keys too (a key grabbed on the root window reaches its grab only while the focus is
    // inside the root window), and the focus on the root window sends the keys to the
    // window under the pointer, which is usually ours.
    Window nowhere();
    // There is a display whose keyboard can be handed around.
    bool isAvailable() const { return session_.isAvailable(); }

private:
    void syncWith(const ewmh::OwnWindow& window);

    X11Session& session_;
    Window owner_ = 0;
    Window nowhere_ = 0;
    bool requested_ = false;
};

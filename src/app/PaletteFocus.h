#pragma once
// The keyboard between the palette and the application the user types in. The palette is
// a panel that does not take the focus; while the mouse is in it, it takes the keyboard
// (it accepts the focus and asks the window manager for it), so that the search field and
// the table's keys work; it gives the keyboard back to the window that had it when the
// mouse leaves, and before every insertion, whose keys must reach that window.
//
// The X side is the platform's KeyboardFocus; this object switches the palette window
// between taking the focus and not.

#include "insertion/RbxPostingSystem.h"

#include <QPointer>
#include <memory>

class KeyboardFocus;
class RbxCharWindow;

class PaletteFocus : public RbxFocusHandBack {
public:
    explicit PaletteFocus(std::shared_ptr<KeyboardFocus> keyboard);

    // The palette window takes the keyboard.
    void take(RbxCharWindow& window);
    // The keyboard goes back to the window that had it; the palette that took it no
    // longer accepts the focus.
    void deactivateApplication() override;
    // The palette has the keyboard, or has asked for it.
    bool holdsKeyboard();

private:
    std::shared_ptr<KeyboardFocus> keyboard_;
    // The window that took the keyboard, until it gives it back.
    QPointer<RbxCharWindow> taken_;
};

#pragma once
// The keys of a table view: navigation between groups, the fixed Command shortcuts on the
// selected character, the view-mode keys, the modifier keys that show or hide the
// magnifier, and every other key handed on to the search field. One per table view, made
// and held by it. Main thread only.

#include <cstddef>

class QKeyEvent;
class QWidget;
class RbxCharView;

class RbxCharKeys {
public:
    explicit RbxCharKeys(RbxCharView& view) : view_(view) {}

    // A key typed while the table has the keyboard. Answers whether it was taken.
    bool handleKey(QKeyEvent* event);
    // A key let go: a modifier shows or hides the magnifier at once (Shift inverts
    // "magnify").
    void keyReleased(const QKeyEvent* event);
    // The fixed shortcuts (Command with c, d, h, i, k, n, r, x; Command-Shift with s, d).
    bool handleHardWiredShortcut(const QKeyEvent* event);
    // Command-1 ... Command-4: the view modes.
    bool viewSelectionKeyEvent(const QKeyEvent* event);
    // Home, End, space, the arrows and the page keys (Qt key codes).
    void navigate(int key);
    // Gives the search field the keyboard.
    void gotoSearchField();

private:
    bool windowHasSheet() const;
    // A Command shortcut on the selected character.
    bool commandShortcut(char16_t key);
    bool commandShiftShortcut(char16_t key);
    // Runs a command on the selected character and lets its cell blink; the key is taken
    // even without a selection, so that it does not reach the search field.
    template <typename Command> bool onSelectedCharacter(Command&& command, bool blink);
    void scrollToGroupStart(std::size_t position);
    void repostKeyEvent(QWidget* target, const QKeyEvent& event);

    RbxCharView& view_;
};

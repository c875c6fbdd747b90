#pragma once
// The keyboard between the palette and the application the user types in: the one object
// that decides when the palette holds it, and why.
//
//   opened   the palette was opened (hot key, activator, icon, "open", "set"): the user
//            can type a search at once;
//   pointer  the pointer is over the palette;
//   sheet    a sheet the user opened is up;
//   none     the keyboard is the application's.
//
// The palette gives the keyboard back to the last window not of ours that had it
// (KeyboardFocus::handBackTo(), followed whatever the pointer does) when the pointer
// leaves it, when it closes, when a sheet ends away from the pointer, and before every
// insertion, whose keys must reach that window; after an insertion it takes it again only
// while the pointer is over it. A window the user activates elsewhere ends the hold at
// once. Windows that come without a user action (alerts) never take the keyboard by
// themselves. Main thread.

#include "insertion/RbxPostingSystem.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <memory>
#include <optional>

class KeyboardFocus;
class RbxCharWindow;
class QWidget;

class PaletteFocus : public QObject, public RbxFocusHandBack {
    Q_OBJECT
public:
    enum class Hold { None, Opened, Pointer, Sheet };

    explicit PaletteFocus(std::shared_ptr<KeyboardFocus> keyboard, QObject* parent = nullptr);
    ~PaletteFocus() override;

    // The palette window whose keyboard this is (given once, by the controller that makes it).
    void attachWindow(RbxCharWindow& window);

    // A press on a text field or editor of the palette takes the keyboard for the palette,
    // which may have lost it to another window meanwhile.
    bool eventFilter(QObject* watched, QEvent* event) override;

    // ---- what happens to the palette
    void opened();
    void pointerEntered();
    void pointerLeft();
    // A sheet began; `takesKeyboard` when the user opened it and it takes keys.
    void sheetBegan(bool takesKeyboard);
    // The sheet ended; the keyboard goes to the palette when the pointer is over it.
    void sheetEnded(bool pointerOverPalette);
    // The user points at an alert that came by itself: now it has the keyboard.
    void alertPointedAt(QWidget* alert);
    void closed();

    // ---- delivery
    // Before the keys of an insertion: the keyboard goes to the window the user works in.
    void deactivateApplication() override;

    // ---- state
    Hold hold() const { return hold_; }
    static QString holdName(Hold hold);
    // The palette has the keyboard, or has asked for it.
    bool holdsKeyboard();
    KeyboardFocus& keyboard() const { return *keyboard_; }

private:
    void take(Hold why);
    void handBack();
    void otherWindowActivated();
    void ourWindowActivated(unsigned long window);
    void takeOnceShown();

    std::shared_ptr<KeyboardFocus> keyboard_;
    QPointer<RbxCharWindow> window_;
    Hold hold_ = Hold::None;
    // The palette asked for the keyboard before its window was on screen: it asks again
    // when the window has been painted.
    bool takeWhenShown_ = false;
    // Where the pointer was when the user activated another window, until it moves on or
    // presses: an entering that does not move the pointer does not take the keyboard back.
    std::optional<QPoint> restingAt_;
};

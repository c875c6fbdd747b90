#pragma once
// Synthetic key presses through XTest. Text is typed character by character on the
// keys of the current layout; a character that no key gives is bound to a spare
// keycode first. The receiving program may read the changed keymap well after our key
// events (a busy program reads it only when it comes to those events), so a binding is
// never undone behind its back on a timer: it stays until its keycode is needed for
// another character (and then only when it has not been used for the release delay),
// until the keymap is replaced by someone else, or until the typer ends (at the latest
// when the application quits).

#include "platform/x11/XkbKeymap.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>

class X11Session;

namespace kx::x11 {

class X11Keyboard;

class X11KeyTyper : public QObject {
    Q_OBJECT
public:
    static X11KeyTyper& shared();
    explicit X11KeyTyper(X11Session* session = nullptr, X11Keyboard* keyboard = nullptr,
                         QObject* parent = nullptr);
    ~X11KeyTyper() override;

    // XTest is there.
    bool isAvailable() const { return available_; }

    // Whether every character of the text can be typed (controls: only line feed,
    // return, tab, backspace, escape and delete); `why` names the first that cannot.
    bool canType(const QString& text, QString* why = nullptr);
    // Types the text; nothing is typed when some character cannot be.
    bool typeText(const QString& text);

    // Presses and releases one key (X keycode), or holds it down / lets it go.
    void tapKey(int keycode);
    void setKeyDown(int keycode, bool down);
    // Lets go of the modifier keys the user holds down.
    void releaseHeldModifiers();
    void flush();

    // Spare keycodes bound now (for tests).
    int boundKeyCount() const { return int(bound_.size()); }
    // Releases every binding now.
    void releaseBindings();

private:
    struct Binding {
        int keycode = 0;
        qint64 lastUsedMs = 0;
    };
    struct Stroke {
        int keycode = 0;
        KeyMods mods = KeyMods::Plain;
    };
    bool plan(const QString& text, QList<Stroke>& strokes, QList<Keysym>& unbound, QString* why);
    int bindSpare(Keysym sym);
    QList<int> spareKeycodes();
    // Forgets bindings the keymap no longer has (the layout was replaced).
    void checkBindings();
    void press(const Stroke& s);

    X11Session* session_;
    X11Keyboard* keyboard_;
    bool available_ = false;
    QHash<Keysym, Binding> bound_;
    QList<int> spares_;
    bool sparesKnown_ = false;
    QElapsedTimer clock_;
    int releaseDelayMs_ = 1500;
};

} // namespace kx::x11

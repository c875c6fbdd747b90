#pragma once
// Synthetic key presses through XTest. Text is typed character by character on the
// keys of the current layout; a character that no key gives is bound to a spare
// keycode first. The receiving program reads the changed keymap only when it gets to
// our key events, which on a busy desktop can be any time later; so a binding stays
// until its keycode is needed for another character (and then only once it has been
// idle for the release delay), or until the bindings are released when the
// application ends. A binding that a keymap change (a new layout) took away is made
// again before it is typed on.

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

    // A binding is taken back for another character only after this much idle time
    // (ms); at least 1000.
    void setReleaseDelay(int ms);
    int releaseDelay() const { return releaseDelayMs_; }
    // Spare keycodes bound now (for tests).
    int boundKeyCount() const { return int(bound_.size()); }
    // The spare keycodes of the current keymap, bound ones included.
    QList<int> spareKeycodes();
    // Releases every binding now (keycodes that a keymap change gave to other keys
    // are left alone).
    void releaseBindings();
    // Releases them once the latest typing is the release delay old (at the end).
    void releaseBindingsWhenIdle();

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
    // The first keysym of each keycode as the server has it now.
    QHash<int, Keysym> serverMapping(int first = 0, int count = 0);
    void press(const Stroke& s);

    X11Session* session_;
    X11Keyboard* keyboard_;
    bool available_ = false;
    QHash<Keysym, Binding> bound_;
    QElapsedTimer clock_;
    qint64 lastTypedMs_ = 0;
    int releaseDelayMs_ = 1500;
};

} // namespace kx::x11

#pragma once
// Global hot keys: a key with modifiers that reaches us whichever window has the focus.
//
// `HotKeyGrabs` is where the keys are registered; the X server's implementation grabs
// each key on the root window with XGrabKey, four times (with and without CapsLock and
// with and without the modifier that NumLock sets), so that the lock keys' state does not
// hide the key. A key that another client has already grabbed fails with BadAccess,
// which is answered as the error number (10) and leaves the key unregistered.
//
// Keys are the classic virtual key codes (platform/x11/MacKeyCodes), modifiers the stored
// form of core/ModifierFlags (Command is Ctrl, Control is Super, Option is Alt); only
// those four modifier bits count.

#include <QHash>
#include <QObject>
#include <cstdint>

class X11Session;

namespace kx::x11 {

class X11Keyboard;

class HotKeyGrabs : public QObject {
    Q_OBJECT
public:
    // Error numbers of grab(): the key is grabbed by another client (the X error
    // BadAccess), the key has no position on this keyboard, no display.
    static constexpr int ErrorTaken = 10;
    static constexpr int ErrorNoKey = -1;
    static constexpr int ErrorNoDisplay = -2;

    using QObject::QObject;
    ~HotKeyGrabs() override = default;

    // Registers a key under `id` (not 0; an id in use is replaced); 0 on success.
    virtual int grab(std::uint32_t id, int keyCode, std::uint32_t modifiers) = 0;
    virtual void ungrab(std::uint32_t id) = 0;

signals:
    // The key of `id` went down (a held key is reported once, not for every repeat).
    void pressed(std::uint32_t id);
};

class X11HotKeyGrabs : public HotKeyGrabs {
    Q_OBJECT
public:
    // `keyboard` (may be null) tells of layout changes, after which every key is grabbed
    // again.
    explicit X11HotKeyGrabs(X11Session& session, X11Keyboard* keyboard = nullptr, QObject* parent = nullptr);
    ~X11HotKeyGrabs() override;

    int grab(std::uint32_t id, int keyCode, std::uint32_t modifiers) override;
    void ungrab(std::uint32_t id) override;
    // Takes every registered key again (the keyboard's layout or its modifier map
    // changed) without letting it go in between; a key lost meanwhile is logged.
    void grabAgain();

    // The X modifier mask of the stored modifier flags (Shift, Ctrl, Alt = Mod1, Super = Mod4).
    static unsigned int xModifierMask(std::uint32_t modifiers);

private:
    struct Grab {
        int xKeycode = 0;
        unsigned int mask = 0;
        bool down = false;
    };
    int grabOnServer(const Grab& g);
    void ungrabOnServer(const Grab& g);
    // Lets go the variants of `numLock`, except those also held with `keptNumLock`
    // (~0u: none is kept).
    void ungrabOnServer(const Grab& g, unsigned int numLock, unsigned int keptNumLock);
    unsigned int numLockMask();
    void keyEvent(int type, int keycode, unsigned int state);

    X11Session& session_;
    QHash<std::uint32_t, Grab> grabs_;
    quint64 pressListener_ = 0;
    quint64 releaseListener_ = 0;
    unsigned int numLockMask_ = 0;
};

} // namespace kx::x11

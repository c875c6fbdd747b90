#pragma once
// The server's keyboard as the session sees it: the current keymap (read with
// xkbcommon-x11) and the active group, kept up to date from XKB notices.

#include "platform/x11/XkbKeymap.h"

#include <QObject>
#include <memory>

class X11Session;

namespace kx::x11 {

class X11Keyboard : public QObject {
    Q_OBJECT
public:
    // The keyboard of the shared session.
    static X11Keyboard& shared();

    explicit X11Keyboard(X11Session* session = nullptr, QObject* parent = nullptr);
    ~X11Keyboard() override;

    bool isAvailable() const { return keymap_ != nullptr; }
    // The keymap as last read (re-read after each change notice); null without XKB.
    std::shared_ptr<XkbKeymap> keymap();
    // The effective group now (asks the server).
    int group();
    // Reads the keymap anew at once.
    void reload();

    // Which keys are down now (from the server), by X keycode.
    QList<int> pressedKeys();
    // The keycodes bound to the eight modifiers.
    QList<int> modifierKeycodes();

signals:
    // The keymap or the active group changed.
    void changed();

private:
    X11Session* session_;
    int xkbEventType_ = -1;
    bool stale_ = true;
    std::shared_ptr<XkbKeymap> keymap_;
    quint64 listener_ = 0;
};

} // namespace kx::x11

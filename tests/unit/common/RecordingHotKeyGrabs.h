#pragma once
// Hot-key grabs that only record what is registered; a key code listed in `taken` fails
// as a key held by another client would. `press(id)` reports a press.
#include "platform/x11/HotKeyGrabs.h"

#include <QList>
#include <QMap>

class RecordingHotKeyGrabs : public kx::x11::HotKeyGrabs {
public:
    struct Key {
        int keyCode;
        std::uint32_t modifiers;
        bool operator==(const Key&) const = default;
    };
    int grab(std::uint32_t id, int keyCode, std::uint32_t modifiers) override {
        if (taken.contains(keyCode)) return ErrorTaken;
        grabbed.insert(id, {keyCode, modifiers});
        return 0;
    }
    void ungrab(std::uint32_t id) override { grabbed.remove(id); }
    void press(std::uint32_t id) { emit pressed(id); }

    QMap<std::uint32_t, Key> grabbed;
    QList<int> taken;
};

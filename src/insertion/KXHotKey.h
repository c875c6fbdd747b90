#pragma once
// A system-wide hot key: a key code with modifiers that, pressed in any application,
// tells its target. Before the target hears of it, a press is announced to the
// keyboard-shortcut helper (creator code 'HbdC') with the event 'HbdC'/'KeyB', sent
// without waiting, errors ignored.
//
// Hot keys are registered in a registry whose slot i holds the hot key registered with
// id i + 1; a free slot is empty and reused by the next registration. The registry
// registers the keys with the desktop through HotKeyGrabs and hands the presses it
// reports to their hot keys.
//
// The storage text is "modifiers,keycode", both decimal ("786721,17"); "" means no key.
// The modifier number is the whole flag word recorded from the key event; only Command,
// Shift, Option and Control (core/ModifierFlags) take part in registering and matching.
// Main thread only.

#include "core/ModifierFlags.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace kx::x11 {
class HotKeyGrabs;
}
class KXHotKey;

// Whom a hot key tells when it is pressed.
class KXHotKeyTarget {
public:
    virtual ~KXHotKeyTarget() = default;
    virtual void hotKeyPressed(KXHotKey& hotKey) = 0;
};

class KXHotKeyRegistry : public QObject {
    Q_OBJECT
public:
    explicit KXHotKeyRegistry(kx::x11::HotKeyGrabs& grabs, QObject* parent = nullptr);
    ~KXHotKeyRegistry() override;

    // The registered hot key with that key code and modifiers (compared in the four
    // modifier bits); null when none.
    KXHotKey* activeHotKey(int keyCode, std::uint32_t modifiers) const;
    // Slot i holds the hot key of id i + 1, null when free.
    const std::vector<KXHotKey*>& keys() const { return slots_; }

    // A press of the key registered under `id`: a stray id is logged, never fatal.
    void dispatch(std::uint32_t id);

private:
    friend class KXHotKey;
    // 0 on success, else the registration error (logged as "RegisterEventHotKey error %d").
    int registerHotKey(KXHotKey& hotKey);
    void unregisterHotKey(KXHotKey& hotKey);

    kx::x11::HotKeyGrabs& grabs_;
    std::vector<KXHotKey*> slots_;
};

class KXHotKey {
public:
    // The signature and event of the announcement.
    static constexpr std::uint32_t HintboardSignature = 0x48626443;  // 'HbdC'
    static constexpr std::uint32_t HintboardKeyEvent = 0x4B657942;   // 'KeyB'
    // Keyboard zones (KXKeyboard::keyboardZoneForKey) whose keys need Command, Option or
    // Control: characters, special keys, navigation and keys of no zone.
    static constexpr int ZonesRequiringModifiers = 1 | 2 | 4 | 128;

    KXHotKey(KXHotKeyRegistry& registry, KXHotKeyTarget* target = nullptr);
    KXHotKey(KXHotKeyRegistry& registry, int keyCode, std::uint32_t modifiers, KXHotKeyTarget* target);
    ~KXHotKey();  // unregisters
    KXHotKey(const KXHotKey&) = delete;
    KXHotKey& operator=(const KXHotKey&) = delete;

    int keyCode() const { return keyCode_; }
    // Each setter registers a registered hot key anew.
    void setKeyCode(int keyCode);
    std::int32_t modifiers() const { return modifiers_; }
    void setModifiers(std::int32_t modifiers);
    KXHotKeyTarget* target() const { return target_; }
    void setTarget(KXHotKeyTarget* target) { target_ = target; }
    bool sendsHintboardEvent() const { return sendsHintboardEvent_; }
    void setSendsHintboardEvent(bool on) { sendsHintboardEvent_ = on; }

    // The classic modifier mask: Command 0x100, Shift 0x200, Option 0x800, Control 0x1000.
    int carbonModifiers() const;

    QString serializedDescription() const;
    // The storage text read: modifiers and key code; nothing (and the reason in
    // `problem`) for a text the hot key refuses. "" is refused without a reason.
    struct Stored {
        std::uint32_t modifiers = 0;
        int keyCode = -1;
    };
    static std::optional<Stored> parseSerializedDescription(const QString& text, QString* problem = nullptr);
    // Unregisters, then takes the text: two decimal numbers, modifiers >= 0 and a key
    // code 0-127, and registers the key. Any other text (and a key that needs a modifier
    // given without Command, Option or Control) leaves no key (modifiers 0, key code -1)
    // and is logged; "" is no key.
    void setSerializedDescription(const QString& text);

    // Registers when valid and unique; true when registered afterwards.
    bool enable();
    void disable();
    void setEnabled(bool on) { on ? void(enable()) : disable(); }
    bool isEnabled() const { return registeredID_ != 0; }
    std::uint32_t registeredID() const { return registeredID_; }
    // The error of the last registration (0 when it succeeded or none was tried).
    int registrationError() const { return registrationError_; }
    // A target, a key code and modifiers that are not negative.
    bool isValid() const;
    // No other registered hot key has the same key and modifiers.
    bool isUnique() const;
    bool matchesEvent(int keyCode, std::uint32_t flags) const;
    // Announces the press (when it sends the announcement), then tells the target.
    void invoke();
    QString description() const;

private:
    friend class KXHotKeyRegistry;
    void reregister();

    KXHotKeyRegistry& registry_;
    int keyCode_ = -1;
    std::int32_t modifiers_ = -1;
    KXHotKeyTarget* target_ = nullptr;
    std::uint32_t registeredID_ = 0;
    int registrationError_ = 0;
    bool sendsHintboardEvent_ = true;
};

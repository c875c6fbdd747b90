#pragma once
// The keyboard layout in use: the label of each key, the key that carries a label
// (the paste keystroke looks for the key labelled "v"), and the key strokes, dead keys
// included, that type a character.
//
// Key codes are the classic virtual key codes (0-127); platform/x11/MacKeyCodes maps
// them to X keycodes. Modifier masks are the classic ones: Command 0x100 (Ctrl),
// Shift 0x200, Caps Lock 0x400, Option 0x800 (AltGr / Alt), Control 0x1000 (Super).

#include "platform/x11/XkbCompose.h"
#include "platform/x11/XkbKeymap.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <array>
#include <bitset>
#include <cstdint>
#include <memory>

namespace kx {

namespace carbon {
inline constexpr int Command = 0x100;
inline constexpr int Shift = 0x200;
inline constexpr int CapsLock = 0x400;
inline constexpr int Option = 0x800;
inline constexpr int Control = 0x1000;
} // namespace carbon

class KXKeyboard {
public:
    // The shared current keyboard; null when no X display is reachable. Rebuilt
    // (0.01 s later) when the server's keymap or the active group changes.
    static KXKeyboard* currentKeyboard();
    // Rebuilds the current keyboard at once from the server.
    static void updateCurrentKeyboard();
    // Replaces the current keyboard (tools and tests build one from rule names).
    static void setCurrentKeyboard(std::unique_ptr<KXKeyboard> keyboard);

    // A keyboard of the given hardware type over one group of a keymap.
    KXKeyboard(int keyboardType, std::shared_ptr<x11::XkbKeymap> keymap, int group,
               std::shared_ptr<x11::XkbCompose> compose);
    // Convenience for tools and tests: the keymap from rule names (layout may list
    // several groups, "ru,us"), group 0, the locale's compose table.
    static std::unique_ptr<KXKeyboard> fromNames(const QString& layout,
                                                 const QString& variant = {},
                                                 const QString& model = QStringLiteral("pc105"),
                                                 int group = 0);

    QString layoutName() const;
    QString localizedLayoutName() const { return layoutName(); }
    int keyboardType() const { return keyboardType_; }
    QString description() const;
    int group() const { return group_; }
    const std::shared_ptr<x11::XkbKeymap>& keymap() const { return keymap_; }

    // Key codes by label; -1 when none.
    int keyCodeForKeyLabeled(const QString& label) const;
    int keyCodeForCommandKeyLabeled(const QString& label) const;
    int keyCodeForUnicodeCharacter(char32_t c) const;

    bool hasPhysicalKey(int keyCode) const;
    bool hasKey(int keyCode) const;
    // The text of a key cap; empty when the key has none.
    QString labelForKey(int keyCode) const;
    // The X keysym name of a key that types no character ("Home", "F5", "Return", and
    // "KP_5" for a keypad key, by its digit); empty for a character key or no key.
    QString keysymNameForKey(int keyCode) const;

    // What a key types with the classic modifiers from a dead-key state (0 = none);
    // the character (two UTF-16 units packed low unit first when it needs two), 0 for
    // nothing or a dead key, which leaves its state in `deadKeyState`.
    std::uint32_t translateKey(int keyCode, int carbonModifiers, std::uint32_t& deadKeyState) const;

    // The key strokes that type a character, as key caps: modifier names, labels, and
    // "then" between strokes whose modifiers change.
    QStringList keySequenceArrayForCharacter(char32_t c) const;
    // The same as one text ("--" when none), e.g. "´" + "E" written "\"´\" + \"E\"".
    QString keySequenceForCharacter(char32_t c) const;

    struct KeyStroke {
        int keyCode = 0;
        int modifiers = 0;   // classic modifier mask
    };
    // The strokes themselves, outermost dead key first; empty when none.
    QVector<KeyStroke> keyStrokesForCharacter(char32_t c) const;

    // Hot-key recorder zones: 1 character, 2 special, 4 navigation, 8 keypad,
    // 16 function, 128 none.
    static int keyboardZoneForKey(int keyCode);
    // The known hardware type for a type number, 0 when unknown.
    static int knownKeyboardType(int type);
    // The type of a keymap: JIS (42) when it has the JIS keys, ISO (41) with the extra
    // key beside left Shift, else ANSI (40).
    static int keyboardTypeForKeymap(const x11::XkbKeymap& keymap, int group);

    // One record of the key-effect table.
    struct KeyEffect {
        std::uint8_t modifier = 0;   // 0, 2 Shift, 8 Option, 10 both; +0x80 in a dead section; 255 header
        std::uint8_t key = 0;        // key code; +0x80 for a dead key
        std::uint32_t value = 0;     // character, dead state entered, or a header's state
    };
    const QVector<KeyEffect>& keyEffects() const;

private:
    void loadPhysicalKeys() const;
    void loadKeyLabels() const;
    void buildKeyEffects() const;
    x11::KeyMods keyModsFor(int carbonModifiers) const;
    QString modifierSymbols(int modifierByte) const;
    int keyCodeIn(const QString& labels, const QString& label) const;

    int keyboardType_ = 0;
    std::shared_ptr<x11::XkbKeymap> keymap_;
    int group_ = 0;
    std::shared_ptr<x11::XkbCompose> compose_;

    // Derived on first use.
    mutable bool physicalKeysKnown_ = false;
    mutable std::bitset<128> physicalKeys_;
    mutable bool labelsLoaded_ = false;
    mutable int nAssignedKeys_ = 0;
    mutable std::array<std::uint8_t, 128> keyAssignment_{};
    mutable std::array<std::uint8_t, 128> keyForIndex_{};
    mutable std::bitset<128> missingAssignmentReported_;
    mutable QString keyLabels_, commandKeyLabels_;
    mutable bool effectsBuilt_ = false;
    mutable QVector<KeyEffect> keyEffects_;
    // Dead-key states: index 0 is none, index i the keysym sequence of state i.
    mutable QVector<QVector<x11::Keysym>> deadStates_;
};

} // namespace kx

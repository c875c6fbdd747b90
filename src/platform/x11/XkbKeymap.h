#pragma once
// A keyboard map read with libxkbcommon: from the X server's current map or from
// rule names (tests, tools). Answers what a key gives at a modifier level in one
// group, and which keys select the modifier levels.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

struct xkb_context;
struct xkb_keymap;
typedef struct xcb_connection_t xcb_connection_t;

namespace kx::x11 {

using Keysym = std::uint32_t;

// The modifier combinations the keyboard code asks about. Option is the modifier that
// selects the third level (AltGr) where the map has one, else Alt.
enum class KeyMods : std::uint8_t {
    Plain = 0,
    Shift = 1,
    Option = 2,
    ShiftOption = 3,
    Command = 4,   // Ctrl
};

class XkbKeymap {
public:
    // From rule names, e.g. fromNames("evdev", "pc105", "de", "", ""). Null on failure.
    static std::shared_ptr<XkbKeymap> fromNames(const QString& rules, const QString& model,
                                                const QString& layout, const QString& variant,
                                                const QString& options);
    // The core keyboard of an X connection (the XKB extension must be set up, see
    // setUpXkb). Null on failure.
    static std::shared_ptr<XkbKeymap> fromDevice(xcb_connection_t* connection);
    // Sets up the XKB extension on a connection; false when the server lacks it.
    static bool setUpXkb(xcb_connection_t* connection);

    ~XkbKeymap();
    XkbKeymap(const XkbKeymap&) = delete;
    XkbKeymap& operator=(const XkbKeymap&) = delete;

    int groupCount() const;
    QString groupName(int group) const;

    int minKeycode() const;
    int maxKeycode() const;
    bool hasSymbols(int keycode, int group) const;

    // The keysym a key gives in a group with the modifiers held (no Caps Lock); 0 when none.
    Keysym keysym(int keycode, int group, KeyMods mods) const;
    // The keysym a key gives in a group with Num Lock on (a keypad key's digit).
    Keysym keysymWithNumLock(int keycode, int group) const;

    // Whether the map has a separate level-three modifier (AltGr).
    bool hasLevelThree() const { return levelThreeKeycode_ != 0; }
    // Keys that press the modifiers for typing: Shift, level three (AltGr, or Alt).
    int shiftKeycode() const { return shiftKeycode_; }
    int optionKeycode() const { return levelThreeKeycode_ ? levelThreeKeycode_ : altKeycode_; }

    // Whether a key at a level gives the keysym; finds the key and modifiers for a
    // keysym in a group (the first key in keycode order with the fewest modifiers).
    struct Stroke { int keycode = 0; KeyMods mods = KeyMods::Plain; };
    bool findKeysym(Keysym sym, int group, Stroke& out) const;

    xkb_keymap* raw() const { return keymap_; }

private:
    XkbKeymap(xkb_context* context, xkb_keymap* keymap);
    void findModifierKeys();
    std::uint32_t maskFor(KeyMods mods) const;

    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    std::uint32_t shiftMask_ = 0, optionMask_ = 0, controlMask_ = 0;
    int shiftKeycode_ = 0, levelThreeKeycode_ = 0, altKeycode_ = 0;
};

// Unicode text of a keysym (0 when none). Dead keysyms give nothing here.
char32_t keysymToChar(Keysym sym);
// The keysym that types a character (Unicode keysyms for those without a legacy name).
Keysym charToKeysym(char32_t c);
// Dead keysyms: whether a keysym is one, and the spacing character shown on its key cap.
bool isDeadKeysym(Keysym sym);
// The X name of a keysym ("Home", "F5", "KP_5", "a"); empty for none.
QString keysymName(Keysym sym);
// Whether a keysym names a key rather than a character: the function, cursor, keypad
// and modifier keys and the vendor keys (XF86…).
bool isFunctionKeysym(Keysym sym);
char32_t deadKeysymLabel(Keysym sym);
// Case of a key label, by the keyboard's own case pairs (the character itself when it
// has no other case).
char32_t keyLabelLower(char32_t c);
char32_t keyLabelUpper(char32_t c);

} // namespace kx::x11

#pragma once
// What other programs ask of the running palette over the session bus (the Apple-event
// bridge, "/AppleEvents"). Every request and reply travels in the direct parameter "----".
//
//   'HbdC'/'SKey'  the system-wide hot keys, as the old-style property-list text of a
//                  list of {modifiers, keycode, title, id}; empty list without one
//   'HbdC'/'TKey'  "toggle window": presses the open-window hot key
//   'RbxC'/'List'  "Favorites": the favourites' table text; "Recent<n>": the request
//                  line, then the first n recent characters (all for n <= 0) as
//                  "<character>\t<code point>\t<name>\n"; "" without recent characters
//   'RbxC'/'FnoC'  characters whose names match a search text, available in some font,
//                  neither private-use nor CJK, one per line as above
//   'RbxC'/'Fcjk'  the same, CJK characters included
//   'RbxC'/'Post'  types the text into the application in front as plain text. Any
//                  program on the user's session bus may do this; it is the same
//                  privilege as synthetic input through XTest, which every X client has.
//   'RbxC'/'ARec'  adds a character (a number) to the recent characters; 0, surrogates
//                  and values above U+10FFFF are refused
// A missing or unexpected parameter gives an empty reply and does nothing.

#include <QString>
#include <QVariant>

class AppleEventBridge;
class PaletteHotKeys;
class RbxCharWindowController;
class RbxPoster;

class PaletteAppleEvents {
public:
    static constexpr quint32 HintboardClass = 0x48626443;  // 'HbdC'
    static constexpr quint32 RuneboxClass = 0x52627843;    // 'RbxC'
    inline static const QString ToggleWindowID = QStringLiteral("toggle window");

    PaletteAppleEvents(RbxCharWindowController& windowController, PaletteHotKeys& hotKeys, RbxPoster& poster);
    ~PaletteAppleEvents();  // removes the handlers
    PaletteAppleEvents(const PaletteAppleEvents&) = delete;
    PaletteAppleEvents& operator=(const PaletteAppleEvents&) = delete;

    // Installs the handlers on the bridge.
    void install(AppleEventBridge& bridge);

    QString systemWideHotkeys() const;
    void triggerHotkey(const QVariant& id);
    QString characterList(const QVariant& request) const;
    QString findCharacters(const QVariant& search, bool withCJK) const;
    void postString(const QVariant& text);
    void addRecent(const QVariant& character);

private:
    RbxCharWindowController& windowController_;
    PaletteHotKeys& hotKeys_;
    RbxPoster& poster_;
    AppleEventBridge* bridge_ = nullptr;
};

#pragma once
// The named HTML entities of characters (bundle file "HTML.plist"), which the HTML form of
// a character (CharacterText::htmlStringForCharacter) uses when the user wants entities
// ("htmlEntities"). Main thread.

#include <QHash>
#include <QString>

class RbxHTML {
public:
    // Reads "HTML.plist" (decimal code point -> entity name) unless it was read
    // already; a missing file is tried again on the next request.
    static void loadHtmlDictionary();
    // "&name;" when entities are on and the character has one; a null string otherwise.
    static QString htmlEntityForCharacter(char32_t c);
    // Forgets the dictionary (tests).
    static void resetForTesting();
};

#pragma once
// The HTML form of a character: a named entity when the user wants entities
// ("htmlEntities") and one is known (bundle file "HTML.plist"), a numeric character
// reference (hexadecimal with "hexHtml") for characters that are unsafe in HTML or lie
// outside printable ASCII, and the character itself otherwise. Virtual characters are
// written part by part, ligatures through their text. Main thread.

#include <QHash>
#include <QString>

class RbxHTML {
public:
    // Reads "HTML.plist" (decimal code point -> entity name) unless it was read
    // already; a missing file is tried again on the next request.
    static void loadHtmlDictionary();
    // "&name;" when entities are on and the character has one; a null string otherwise.
    static QString htmlEntityForCharacter(char32_t c);
    // With allowBasicCharacters false, printable ASCII is written as references too.
    static QString htmlStringForCharacter(char32_t c, bool allowBasicCharacters = true);
    // Every code point of the text (surrogate pairs combined) in turn.
    static QString htmlStringForString(const QString& text);

    // The numeric reference of one code point in the current form.
    static QString numericReference(char32_t c);

    // Forgets the dictionary (tests).
    static void resetForTesting();

private:
    static QString pieceForCodePoint(char32_t c, bool allowBasicCharacters);
};

#pragma once
// The texts of one character: its form in each textual insert mode, its notations, its
// one-line description; the space and safe-drawing tests; ten debug flags.

#include "table/core/RbxCharacterSources.h"

#include <QString>
#include <memory>

// Insert modes of the front application.
enum RbxInsertMode : int {
    RbxInsertPlain = 0,
    RbxInsertFormatted = 1,
    RbxInsertHTML = 2,
    RbxInsertPicture = 3,
    RbxInsertSwift = 5,
    RbxInsertDecimal = 6,
    RbxInsertHex = 7,
    RbxInsertName = 8,
    RbxInsertDescription = 9,
};

class RbxTools {
public:
    RbxTools() = delete;

    // The sources of names, HTML forms and virtual characters (nullptr: none known).
    static void setCharacterTexts(std::shared_ptr<const RbxCharacterTexts> texts);
    static void setVirtualCharacters(std::shared_ptr<const RbxVirtualCharacters> virtuals);
    static const RbxVirtualCharacters& virtualCharacters();

    // The text of a character (a virtual one spelled out); "" for character 0.
    static QString stringWithCharacter(char32_t c);
    static QString htmlStringForCharacter(char32_t c);
    static QString fullNameOfCharacter(char32_t c);

    // The text of the character in an insert mode; "" for modes without text.
    static QString character(char32_t c, int mode);

    // One "\u{...}" per part, lower-case hexadecimal, at least four digits.
    static QString swiftRepresentation(char32_t c);
    // "%d" per part, joined by ", ".
    static QString decimalRepresentation(char32_t c);
    // "U+%04X" per part, joined by ", ".
    static QString hexRepresentation(char32_t c);
    // The same for every code point of a text (surrogate pairs combined, a broken one
    // taken unit by unit).
    static QString swiftRepresentationOfString(const QString& text);
    static QString decimalRepresentationOfString(const QString& text);
    static QString hexRepresentationOfString(const QString& text);

    // "\"s\" (decimal; hex; html) name" or, as table, "s\tdecimal\thex\thtml\tname".
    static QString descriptionOfCharacter(char32_t c, bool asTable);
    // A ligature value (U+B0000 to U+BFFFF) gives one description per code point of its
    // text, joined by "\n"; any other character its description.
    static QString descriptionOfCharacterOrLigature(char32_t c, bool asTable);

    // A name for a menu title: names of 21 or more UTF-16 units are cut (before unit 13
    // when that is a space, else before 14 when that is a space, else before 15) and
    // "..." is appended; a cut never separates the halves of a surrogate pair.
    static QString shortenedName(const QString& name);

    static bool isSpaceCharacter(char32_t c);
    static bool characterRequiresSafeDrawing(char32_t c);
    static bool isLigatureCharacter(char32_t c) { return c >= 0xB0000 && c <= 0xBFFFF; }

    // Debug flags 0 to 9; others read false and cannot be set.
    static bool debugging(int flag);
    static void setDebugging(bool on, int flag);
};

#pragma once
// The insert modes: the form in which a character goes into the front application. The
// settings keep a mode as its number (the per-application record's "insert mode"), so
// the numbers are fixed; 4 and numbers above 9 name no mode. A value of the ground layer,
// so that the settings store and every layer above pass modes typed. The texts of each
// mode are made by the character-text module (model/CharacterText.h).

enum class InsertMode : int {
    Plain = 0,
    Formatted = 1,
    HTML = 2,
    Picture = 3,
    Swift = 5,
    Decimal = 6,
    Hex = 7,
    Name = 8,
    Description = 9,
};

// The mode a stored number names; numbers that name no mode are kept as they are (and are
// refused by isKnownInsertMode).
constexpr InsertMode insertModeFromNumber(int number) { return static_cast<InsertMode>(number); }
constexpr int insertModeNumber(InsertMode mode) { return static_cast<int>(mode); }

constexpr bool isKnownInsertMode(InsertMode mode) {
    const int n = insertModeNumber(mode);
    return (n >= 0 && n <= 3) || (n >= 5 && n <= 9);
}

// The modes whose text is made here and delivered as it is: plain, HTML and the notations
// (5 to 9). Formatted text and pictures are made by the insertion itself.
constexpr bool isTextualInsertMode(InsertMode mode) {
    const int n = insertModeNumber(mode);
    return n == 0 || n == 2 || (n >= 5 && n <= 9);
}

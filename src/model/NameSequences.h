#pragma once
// What the name records need to know about virtual characters: their parts, their
// text, and the virtual character of a sequence's text. (Kept narrow so that the
// names build on whichever implementation of the sequences the model holds.)

#include "platform/fonts/Font.h"

#include <QString>

namespace rbx::names {

// Plane 11: the ligatures of the current font.
inline constexpr bool isLigatureValue(char32_t c) { return c >= 0xB0000 && c <= 0xBFFFF; }

int nPartsOfVirtualCharacter(char32_t c);
// The n-th code point (from 1) of c; 0 past its end.
char32_t partOfVirtualCharacter(int n, char32_t c);
// The text of c, a virtual character as its sequence.
QString stringWithUTF32Character(char32_t c);
// The virtual character of a sequence's text; 0 when the text is no known sequence.
char32_t virtualEmojiCharacterForString(const QString& text);
// Whether c is a flag, joined sequence or keycap that the colour emoji font shows.
bool isColorEmojiSequence(char32_t c);
// The number of ligatures the font has.
int numberOfLigatures(const rbx::Font& font);
// A list of items: characters, "#" with decimal digits, "$" with hexadecimal digits,
// blanks between.
QString stringFromCharacterList(const QString& list);

} // namespace rbx::names

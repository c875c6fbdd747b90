#pragma once
// Virtual characters: 32-bit values that stand for a sequence of code points (a flag,
// a joined emoji, a keycap, a ligature of the current font) wherever the system holds
// one character. These are string operations (kx::str) kept with the model, which owns
// the tables and the current ligature list.
//
//   U+A0000..U+A02A3  a pair of regional indicators (26 x 26)
//   U+A0300..U+A03DE  a row of the joined-sequence table
//   U+A1000..U+A100B  a keycap
//   U+B0000..U+BFFFE  a ligature of the list defined last

#include <QString>
#include <QStringList>
#include <vector>

namespace kx::str {

// The text of a value: one unit below U+10000 (U+0000 included), the sequence of a
// virtual character, the ligature string of a defined ligature value, else the
// surrogate pair (U+FFFD for values beyond U+10FFFF).
QString stringWithUTF32Character(char32_t c);
// The code point of a text holding exactly one Unicode character, else 0 (a sequence
// yields 0, not a virtual character).
char32_t UTF32Character(const QString& s);
bool isVirtualCharacter(char32_t c);
// The code points of a flag, joined or keycap value; empty for anything else
// (ligatures included).
std::vector<char32_t> utf32CharactersForVirtualCharacter(char32_t c);
// Replaces the ligature list (a copy is kept); U+B0000 + i is then its i-th string.
void defineLigatures(const QStringList& ligatures);
QStringList definedLigatures();
// The text with the emoji modifier of skin colour n (1 and 2: U+1F3FB, 3 to 6: U+1F3FC
// to U+1F3FF, others: none): an existing modifier is replaced (or removed), else the
// modifier is put after the first character (dropping a U+FE0F that is followed by
// U+200D there).
QString emojiStringWithSkinColor(const QString& s, int skinColor);

} // namespace kx::str

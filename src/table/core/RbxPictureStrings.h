#pragma once
// What the two picture menus of an emoji offer: the emoji in each of the five skin tones,
// and in text and in emoji presentation; and the character a chosen string is posted as.

#include <QString>
#include <array>

namespace rbx::pictures {

// The skin tones 0 (lightest) to 4 (darkest): the colour of each picture's bar as 8-bit
// red, green and blue.
inline constexpr int SkinTones = 5;
std::array<int, 3> skinToneColor(int tone);

// The emoji text with the modifier of a skin tone (U+1F3FB + tone).
QString skinToneString(const QString& emoji, int tone);
// The text followed by the presentation selector (U+FE0F emoji, U+FE0E text); a keycap
// (one character and U+20E3) takes the selector between its two characters.
QString presentationString(const QString& text, bool emoji);

// The size the pictures' emoji are drawn at: the table's font size, at least 36.
double pictureFontSize(double displayPointSize);

// The first code point of a chosen string (a surrogate pair combined); 0 for an empty
// string or a high surrogate that no low one follows.
char32_t firstCodePoint(const QString& s);

} // namespace rbx::pictures

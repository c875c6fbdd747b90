#pragma once
// The texts of the character information sheet, made from a character and a font: the
// font line, the code points, the three encodings, the count line, and the user's name
// for the character as it is stored.

#include <QString>

namespace charinfo {

// The display name, or "name (PostScript name)" when the PostScript name differs.
QString fontText(const QString& displayName, const QString& postScriptName);

struct CodePoints {
    QString label;  // "Code Point:" or "Code Points:"
    QString text;   // "#233 [U+00E9]", parts joined by " + "; "N/A" for a font ligature
};
CodePoints codePoints(char32_t c);

// The bytes of the character's text as hexadecimal, a blank between groups: UTF-8 in
// groups of one byte, UTF-16 and UTF-32 big-endian in groups of two.
QString utf8(const QString& text);
QString utf16(const QString& text);
QString utf32(const QString& text);

// What the user typed as the character's name, as it is stored: white space trimmed at
// both ends, line breaks, tabs and wide blanks turned into blanks, runs of blanks made
// one, and trimmed once more (a line break at the end leaves no blank behind).
QString trimmedCustomName(const QString& typed);

// "The character "é" is available in 3 of 40 font families:"; a private-use character is
// named by its code point text instead (the first part and "…" for several).
QString countLine(char32_t c, const QString& text, int families, int totalFamilies);

} // namespace charinfo

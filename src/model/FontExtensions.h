#pragma once
// What the model needs of a font beyond the platform's font object: look-up by a name
// that may be a PostScript name or a family-like name, font files, glyphs of one
// character or one string, the font's format and tables, and the glyph names of its
// 'post' table. Main thread only (the available font set and the glyph name cache are
// process-wide).

#include "core/ByteReader.h"
#include "platform/fonts/Font.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace rbx::font {

// ---- look-up ----------------------------------------------------------------------

// The PostScript names of all available fonts, made anew when the font generation moved.
const QSet<QString>& availableFontSet();
// A font by PostScript name, or by a family-like name that some available PostScript
// name begins with (followed by "-"); a null font otherwise. Size 0 or less means 12.
Font availableFontWithName(const QString& name, double size);
// availableFontWithName(), with any failure caught and logged; a null font then.
Font tryFindingFontWithName(const QString& name, double size);
// "" when the font has none.
QString postScriptName(const Font& font);
// The same font at another size (0 or less means 12).
Font fontWithPointSize(const Font& font, double size);
// Contextual alternates cannot be switched per font here and need not be: the font
// itself is answered.
Font fontWithContextualAlternates(const Font& font, bool on);

// ---- colour -----------------------------------------------------------------------

// True when the font has an 'SVG ', 'sbix' or 'CBDT' table.
bool isColorFont(const Font& font);

// ---- font files -------------------------------------------------------------------

// Activates the fonts of a file for this process; a container number, 0 on failure.
int activateFontFromFile(const QString& path);
void deactivateFont(int container);
// True when the file's fonts can be activated.
bool isFontFile(const QString& path);
// True when the file can be opened as a font.
bool isFontFileAtPath(const QString& path);
// The file the font comes from; empty when unknown.
QString fontPath(const Font& font);

// ---- glyphs -----------------------------------------------------------------------

// The nominal glyph of a character; 0 for none.
std::uint32_t glyphForCharacter(const Font& font, char32_t c);
// The glyph that the string becomes when laid out in this font alone with every kind
// of ligature on: the one glyph when it becomes exactly one, 0 otherwise (also when a
// character is missing from the font).
std::uint32_t glyphForString(const Font& font, const QString& text);

// ---- descriptions -----------------------------------------------------------------

// "OpenType / PostScript", "OpenType / TrueType", "TrueType", "PostScript", "Bitmap" or "".
QString fontFormatName(const Font& font);
// "%d characters, %d in BMP, %d outside, string length = %d (OK)" over the covered set.
QString glyphInfo(const Font& font);
// The four-character tags of the font's tables; nullopt when it has none.
std::optional<QStringList> tagsOfAvailableFontTables(const Font& font);
// The version at the start of the 'post' table (2.0, 3.0 ...); 0 without the table.
double postFormat(const Font& font);
// For a 'post' table of version 2.0, "%d: %d - %@" (glyph, name index, name) per glyph;
// nullopt for other versions, without the table or when the table is damaged.
std::optional<QStringList> glyphNames(const Font& font);
// The glyph name cache: where the name strings start in the 'post' table last read.
void resetGlyphNameCache(std::size_t start);
// The name with that index ("glyph #%d" below 258); "" for a name that runs past the end.
QString glyphNameInData(const kx::ByteReader& post, int nameIndex);

} // namespace rbx::font

// Glyphs of characters and strings.
#include "model/FontExtensions.h"

#include "core/CharSet.h"

namespace rbx::font {

std::uint32_t glyphForCharacter(const Font& font, char32_t c) {
    return font ? font->nominalGlyph(c) : 0;
}

namespace {
std::uint32_t oneGlyph(const QVector<ShapedGlyph>& glyphs) {
    if (glyphs.size() != 1) return 0;
    const std::uint32_t g = glyphs.first().glyph;
    return g == 0xFFFF ? 0 : g;
}
} // namespace

std::uint32_t glyphForString(const Font& font, const QString& text) {
    if (!font || text.isEmpty()) return 0;
    const FontFace& face = *font.face();
    std::uint32_t g = oneGlyph(face.shape(text, true));
    // A face with both AAT and OpenType substitutions draws a ligature of either kind.
    if (g == 0 && face.hasTable(kx::fourCC("morx")) && face.hasTable(kx::fourCC("GSUB")))
        g = oneGlyph(face.shape(text, true, FontFace::Layout::OpenTypeOnly));
    return g;
}

QString glyphInfo(const Font& font) {
    const kx::CharSet covered = font ? font->coveredCharacters() : kx::CharSet();
    const int n = int(covered.numberOfCharacters());
    const int bmp = int(covered.numberOfCharactersInPlane(0));
    const int length = int(covered.stringWithCharacters().size());
    const int expected = 2 * n - bmp;
    const QString check = length == expected ? QStringLiteral("OK")
                                             : QStringLiteral("LENGTH MISMATCH: expected %1").arg(expected);
    return QStringLiteral("%1 characters, %2 in BMP, %3 outside, string length = %4 (%5)")
        .arg(n).arg(bmp).arg(n - bmp).arg(length).arg(check);
}

} // namespace rbx::font

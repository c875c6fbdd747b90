#pragma once
// Big characters on the shape finder's pad: fonts sized so that their ascender, scaled by
// a per-font percentage, spans from the baseline to the cap line, and the outlines of
// characters drawn with them, centred in the pad's inner rectangle with their baseline on
// the baseline guide. The same outlines are drawn
// behind the user's strokes, rendered for matching and rendered for the reference data.
//
// Fonts are named by PostScript name; a font counts as installed only when a face of
// exactly that name is installed (no substitutes). Outlines come unhinted from the font
// file, so the same font gives the same picture on every machine.

#include "shapes/ShapeGeometry.h"

#include <QHash>
#include <QPainterPath>
#include <QRawFont>
#include <QString>
#include <QStringList>

namespace shapes {

class BigFonts {
public:
    explicit BigFonts(const ShapeGeometry& geometry);

    // The sizing percentage of a font (100 unless the table names it).
    static int percentage(const QString& postScriptName);
    // The fonts of the sizing table, in its order.
    static QStringList tableFonts();
    static bool isInstalled(const QString& postScriptName);
    // The font for a background character: the stored name, else "ArialUnicodeMS"; when
    // that is not installed the first installed of Arial, Helvetica, Geneva and DejaVuSans;
    // else "" (the system font).
    static QString backgroundFontName(const QString& stored);

    // Whether the big font has a glyph for the character.
    bool covers(const QString& postScriptName, char32_t c);
    // The outline of text in the big font, in pad pixels with y growing downwards
    // (row 0 at the top): centred in innerRect, or left-aligned at its left edge + 10 when
    // `left`. Empty when the font lacks the characters. "" names the system font.
    QPainterPath textPath(const QString& text, const QString& postScriptName, bool left = false);
    QPainterPath characterPath(char32_t c, const QString& postScriptName) {
        return textPath(QString::fromUcs4(&c, 1), postScriptName);
    }

private:
    const QRawFont& bigFont(const QString& postScriptName);

    ShapeGeometry geometry_;
    QHash<QString, QRawFont> cache_;
};

} // namespace shapes

#pragma once
// The model's fonts (a FontFace at a size) as Qt draws them: a QRawFont for drawing glyphs
// by number and a QFont for drawing text with font substitution, both for exactly that
// face, plus the face's metrics read from its tables.
//
// Qt is asked for the face by family and style first; the answer is taken only when its
// 'head' table is the face's own. Otherwise the face's tables are written out as a
// single-face font and given to Qt (faces inside collections, faces held in memory).
// Main thread only.

#include "platform/fonts/Font.h"
#include "table/core/RbxCellSizing.h"

#include <QByteArray>
#include <QFont>
#include <QRawFont>
#include <QRectF>
#include <optional>

namespace rbx::qt {

// Metrics of a font at its size, in pixels, y up (descender negative).
struct FaceMetrics {
    double ascender = 0;
    double descender = 0;
    double leading = 0;
    double capHeight = 0;
    double xHeight = 0;
    double maxAdvance = 0;
    QRectF boundingRect; // of all glyphs, (xMin, yMin, width, height)
    double lineHeight() const { return ascender - descender + leading; }
};

// The face's metrics at the font's size; from 'head', 'hhea' and 'OS/2' when the face has
// them, else from Qt's view of the font. Damaged tables give Qt's values and a log line.
FaceMetrics metrics(const rbx::Font& font);

// What the cell size needs of the font.
RbxFontMeasures measures(const rbx::Font& font);

// The face at the font's size for glyph drawing; an invalid raw font when Qt cannot load it.
QRawFont rawFont(const rbx::Font& font);

// The face at the font's size for text drawing (substitution on); nullopt when Qt cannot
// be given the face.
std::optional<QFont> textFont(const rbx::Font& font);

// The face's tables written out as one SFNT font; empty for faces that are no SFNT.
QByteArray sfntData(const rbx::FontFace& face);

// Forgets what was learnt about faces (tests that replace the font backend).
void resetCache();

} // namespace rbx::qt

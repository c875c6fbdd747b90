#pragma once
// Where the glyph of a cell goes, in table coordinates (y up): centred horizontally, the
// font's line box centred vertically, squeezed into the cell when it does not fit; and
// the size and place of colour emoji drawn in the emoji font.

#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace rbx::cells {

struct GlyphPlacement {
    // The start of the baseline (for a squeezed glyph: the origin of the squeezed system).
    QPointF origin;
    bool scaled = false;
    // The squeeze factors (1 when not squeezed).
    double scaleX = 1, scaleY = 1;
};

// `used` is the measured size of the text, `ascender` and `descender` the display font's
// (the descender's sign does not matter), `baselineOffset` the font's tuning as a share
// of the cell height. A glyph that `mayScale` (not drawn by the font itself, one of the
// font's scaled characters, or a ligature) and is wider than `widthLimit` (the cell width,
// or for a ligature the cell width × the font's ligature threshold) or higher than the
// cell is squeezed to fit.
GlyphPlacement glyphPlacement(const QRectF& cell, const QSizeF& used, double ascender, double descender,
                              double baselineOffset, bool mayScale, double widthLimit);

// The baseline start of a space's bracket: under the centred advance, the line box's
// height replaced by the text's.
QPointF spaceBracketOrigin(const QRectF& cell, const QSizeF& used, double descender, double baselineOffset);

// The point size of the emoji font for a cell: `factor` (80 in the table, 90 in the
// magnifier) × min(w / W, h / H), W × H being the emoji font's bounding size at 100 points.
double emojiFontSize(const QSizeF& cell, const QSizeF& emojiBoundsAt100, double factor);
// The origin of emoji text drawn in a cell: its bounding box (at the size in use) centred,
// lowered by half the emoji font's descender.
QPointF emojiTextOrigin(const QRectF& cell, const QSizeF& emojiBounds, double emojiDescender);

} // namespace rbx::cells

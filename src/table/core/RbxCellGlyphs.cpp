#include "table/core/RbxCellGlyphs.h"

#include <algorithm>
#include <cmath>

namespace rbx::cells {

GlyphPlacement glyphPlacement(const QRectF& cell, const QSizeF& used, double ascender, double descender,
                              double baselineOffset, bool mayScale, double widthLimit) {
    const double w = cell.width(), h = cell.height();
    const double uw = used.width(), uh = used.height();
    const float d = -std::abs(float(descender));
    const float a = float(ascender);
    GlyphPlacement g;
    const double baseline = cell.y() + (h - (a - d)) * 0.5 - d + h * baselineOffset;
    g.origin = QPointF(cell.x() + (w - uw) * 0.5, baseline);
    if (mayScale && (uw > widthLimit || uh > h)) {
        g.scaled = true;
        g.scaleX = (uw > w && uw > 0) ? float(w / uw) : 1.0f;
        g.scaleY = (uh > h && uh > 0) ? float(h / uh) : 1.0f;
        if (g.scaleX != 1) g.origin.setX(cell.x());
    }
    return g;
}

QPointF spaceBracketOrigin(const QRectF& cell, const QSizeF& used, double descender, double baselineOffset) {
    const double w = cell.width(), h = cell.height();
    const float d = -std::abs(float(descender));
    return QPointF(cell.x() + (w - used.width()) * 0.5, cell.y() + (h - used.height()) * 0.5 - d + h * baselineOffset);
}

double emojiFontSize(const QSizeF& cell, const QSizeF& emojiBoundsAt100, double factor) {
    const double W = emojiBoundsAt100.width(), H = emojiBoundsAt100.height();
    if (!(W > 0) || !(H > 0)) return factor * std::min(cell.width(), cell.height()) / 100;
    return factor * std::min(cell.width() / W, cell.height() / H);
}

QPointF emojiTextOrigin(const QRectF& cell, const QSizeF& emojiBounds, double emojiDescender) {
    return QPointF(cell.x() + (cell.width() - emojiBounds.width()) * 0.5,
                   cell.y() + (cell.height() - emojiBounds.height()) * 0.5 - emojiDescender * 0.5);
}

} // namespace rbx::cells

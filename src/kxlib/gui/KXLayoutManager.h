#pragma once
// Draws the glyphs of one cell at a chosen baseline point, optionally with a drop shadow
// (offset 2 right and 2 down, blur radius 3, black at one third opacity). The glyphs are
// drawn in the painter's pen colour. Glyph runs carry their font and glyph ids, so a
// ligature can be drawn by its glyph id even when no text would shape to it.

#include <QColor>
#include <QFont>
#include <QGlyphRun>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>

class QPainter;

class KXLayoutManager {
public:
    static constexpr qreal ShadowOffsetX = 2;
    static constexpr qreal ShadowOffsetY = 2; // downwards on screen
    static constexpr qreal ShadowBlur = 3;

    void setDrawWithShadow(bool on) { drawWithShadow_ = on; }
    bool drawWithShadow() const { return drawWithShadow_; }

    // The shaped glyphs of `text` in `font` (ligatures on), positioned relative to the
    // start of the baseline. Any number of glyphs.
    static QList<QGlyphRun> glyphRuns(const QString& text, const QFont& font);
    // The advance width of the runs and the rectangle their ink covers (relative to the
    // baseline start, y down).
    static qreal advanceWidth(const QList<QGlyphRun>& runs);
    static QRectF inkBounds(const QList<QGlyphRun>& runs);

    // Draws the runs with the start of their baseline at `point`, shadowed when switched on.
    // The painter's own state is left as it was.
    void drawGlyphs(QPainter& painter, const QList<QGlyphRun>& runs, const QPointF& point) const;
    void drawText(QPainter& painter, const QString& text, const QFont& font, const QPointF& point) const;

private:
    void drawShadow(QPainter& painter, const QList<QGlyphRun>& runs, const QPointF& point) const;

    bool drawWithShadow_ = false;
};

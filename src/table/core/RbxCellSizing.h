#pragma once
// The cell size of the table: the unscaled cell of a font, the scale factor (from the
// relative font size, or fitting a number of characters into the visible area), and the
// display font size. Pure functions of numbers; the caller measures the font.

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <cstddef>
#include <optional>

// What the cell size needs to know of a font.
struct RbxFontMeasures {
    QString name;              // for log lines
    double pointSize = 0;
    QRectF boundingRect;       // the font's bounding rectangle for all glyphs
    double lineHeight = 0;     // default line height
    double maxAdvance = 0;     // maximum advancement width
    double descender = 0;
    double tuningRelativeWidth = 0; // > 0: the width is pointSize × this
    double tuningZoomX = 1;         // the cell is divided by the zoom
    double tuningZoomY = 1;
};

namespace rbx::cells {

// The unscaled cell (16 × 16 without a font). `trace` logs the measures.
QSizeF characterSize(const std::optional<RbxFontMeasures>& font, bool trace);

// The factor that scales the unscaled cell: fitting `charactersToFit` characters (> 0)
// into `visibleSize` with as few columns as possible (from 2 on), else
// relativeFontSize / sqrt(w × h) × familySizeFactor. Never zero, infinite or NaN: an
// unsized view or an empty cell falls back to the unfitted factor, and that to 1.
double adjustmentFactorForSize(const QSizeF& cell, std::size_t charactersToFit, const QSizeF& visibleSize,
                               double relativeFontSize, double familySizeFactor, bool trace);

// The display font's point size for a factor: pointSize × factor × 0.85; when fitting and
// that is below `minimumFitSize`, the size becomes the minimum and the factor grows by the
// same ratio.
struct DisplaySize {
    double factor;
    double pointSize;
};
DisplaySize displayFontSize(double displayPointSize, double factor, bool fitting, int minimumFitSize);

} // namespace rbx::cells

#pragma once
// The banner at the top of a printed page: the image "printBanner" stretched over the
// banner's rectangle and the application icon ("Runebox") on it, a square of 80 % of the
// banner's height centred half that height from the banner's left and top edges. This is
// the drawing part of RbxTools, kept with the widgets because it paints.

#include <QRectF>

class QPainter;

namespace RbxToolsDrawing {

// Draws the banner into `rect` (painter coordinates, y down). The images are loaded on the
// first call and kept; a missing image is left out.
void drawPrintBannerInRect(QPainter& painter, const QRectF& rect);

// The square the icon is drawn into for a banner rectangle.
QRectF printBannerIconRect(const QRectF& rect);

} // namespace RbxToolsDrawing

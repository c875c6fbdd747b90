#include "table/widgets/RbxPrintBanner.h"

#include "kxlib/gui/KXDynamicImage.h"

#include <QPainter>

namespace RbxToolsDrawing {

QRectF printBannerIconRect(const QRectF& rect) {
    const double h = rect.height();
    return QRectF(rect.x() + 0.5 * h - 0.4 * h, rect.y() + 0.5 * h - 0.4 * h, 0.8 * h, 0.8 * h);
}

void drawPrintBannerInRect(QPainter& painter, const QRectF& rect) {
    if (rect.isEmpty()) return;
    // A printed page is always light: the light variants are used.
    static const QImage banner = KXDynamicImage::imageNamed(QStringLiteral("printBanner")).lightImage();
    static const QImage icon = KXDynamicImage::imageNamed(QStringLiteral("Runebox")).lightImage();
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setOpacity(1);
    // The banner is copied over the rectangle, the icon laid over it.
    if (!banner.isNull()) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(rect, banner);
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (!icon.isNull()) painter.drawImage(printBannerIconRect(rect), icon);
    painter.restore();
}

} // namespace RbxToolsDrawing

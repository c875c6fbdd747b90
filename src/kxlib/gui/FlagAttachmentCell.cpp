#include "kxlib/gui/FlagAttachmentCell.h"

#include <QPainter>

FlagAttachmentCell::FlagAttachmentCell(const QImage& image, QSizeF size)
    : image_(image), size_(size.isEmpty() ? QSizeF(image.size()) : size) {}

QSizeF FlagAttachmentCell::cellSize() const {
    const double w = size_.width(), h = size_.height();
    if (h > MaxHeight) return {w * MaxHeight / h, MaxHeight};
    return {w, h};
}

void FlagAttachmentCell::drawWithFrame(QPainter& painter, const QRectF& frame) const {
    if (image_.isNull() || frame.isEmpty()) return;
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setOpacity(1);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(frame, image_, QRectF(QPointF(0, 0), QSizeF(image_.size())));
    painter.restore();
}

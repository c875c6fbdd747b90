#pragma once
// An image shown inline in text, scaled down to at most 16 points high and standing
// 4 points below the baseline.

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

class QPainter;

class FlagAttachmentCell {
public:
    static constexpr double MaxHeight = 16;

    // `size` is the image's size in points (the image's own size when empty).
    explicit FlagAttachmentCell(const QImage& image, QSizeF size = {});

    const QImage& image() const { return image_; }
    // The image's size, scaled to 16 points high when it is higher.
    QSizeF cellSize() const;
    // Where the cell stands against the baseline: (0, -4), y up.
    QPointF cellBaselineOffset() const { return {0, -4}; }
    // Draws the whole image into the frame (source over, fully opaque).
    void drawWithFrame(QPainter& painter, const QRectF& frame) const;

private:
    QImage image_;
    QSizeF size_;
};

#pragma once
// Draws an image attachment inline in a QTextDocument through a FlagAttachmentCell: the
// object's format carries the image and its size in points.

#include "kxlib/gui/FlagAttachmentCell.h"

#include <QObject>
#include <QPainter>
#include <QTextFormat>
#include <QTextObjectInterface>

class FlagObjectHandler : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    static constexpr int ObjectType = QTextFormat::UserObject + 44;
    static constexpr int ImageProperty = QTextFormat::UserProperty + 44;
    static constexpr int SizeProperty = QTextFormat::UserProperty + 45;

    using QObject::QObject;

    static FlagAttachmentCell cellOf(const QTextFormat& f) {
        return FlagAttachmentCell(f.property(ImageProperty).value<QImage>(), f.property(SizeProperty).toSizeF());
    }
    QSizeF intrinsicSize(QTextDocument*, int, const QTextFormat& f) override { return cellOf(f).cellSize(); }
    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int, const QTextFormat& f) override {
        // The cell stands below the baseline by its offset (y up).
        const FlagAttachmentCell cell = cellOf(f);
        cell.drawWithFrame(*painter, rect.translated(0, -cell.cellBaselineOffset().y()));
    }
};

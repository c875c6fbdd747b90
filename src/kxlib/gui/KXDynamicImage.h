#pragma once
// An image made of a light and a dark variant; every operation is answered by the variant
// of the appearance in force at the call. Named images pair "<name>" with "<name>-dark".

#include <QHash>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <memory>

class QPainter;

class KXDynamicImage {
public:
    KXDynamicImage() = default;
    KXDynamicImage(const QImage& light, const QImage& dark);
    static KXDynamicImage lightImage(const QImage& light, const QImage& dark) { return {light, dark}; }

    // The dynamic image of that name from the process's KXImageLibrary, made on first use
    // from the named image (light) and the one named "<name>-dark" (may be missing).
    static KXDynamicImage imageNamed(const QString& name);

    const QImage& lightImage() const { return light_; }
    // The dark image, or the light one when there is none.
    const QImage& darkImage() const { return dark_.isNull() ? light_ : dark_; }
    bool hasDarkImage() const { return !dark_.isNull(); }
    // The variant for now.
    const QImage& effectiveImage() const;

    // Forwarded to the effective image.
    // Size in device-independent pixels.
    QSizeF size() const;
    bool isValid() const { return !effectiveImage().isNull(); }
    // Draws the whole image stretched into `target`.
    void drawInRect(QPainter& painter, const QRectF& target, qreal opacity = 1.0) const;
    // Draws the part `source` (in device-independent pixels of the image; an empty rectangle
    // means the whole image) into `target`.
    void drawInRect(QPainter& painter, const QRectF& target, const QRectF& source, qreal opacity) const;
    // Draws the part `source` (empty: all) at its natural size with its top-left at `point`.
    void drawAtPoint(QPainter& painter, const QPointF& point, const QRectF& source, qreal opacity) const;

private:
    QImage light_;
    QImage dark_;
};

// The named images of the process (kx::ProcessWide<KXImageLibrary>), each made once and
// kept. Where they come from: by default "<name>@2x.png" or "<name>.png" in the "images"
// folder of the main bundle's resources; a null image means "no such image".
class KXImageLibrary {
public:
    static KXImageLibrary& shared();
    static std::unique_ptr<KXImageLibrary> makeDefault();

    virtual ~KXImageLibrary() = default;
    KXDynamicImage imageNamed(const QString& name);

protected:
    virtual QImage loadImage(const QString& name);

private:
    QHash<QString, KXDynamicImage> images_;
};

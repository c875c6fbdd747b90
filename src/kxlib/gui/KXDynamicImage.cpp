#include "kxlib/gui/KXDynamicImage.h"

#include "core/Bundle.h"
#include "core/ProcessWide.h"
#include "kxlib/gui/KXAppearance.h"

#include <QFile>
#include <QHash>
#include <QImageReader>
#include <QPainter>

namespace {

// The bundle's images are PNG files, read by Qt's own PNG reader: a reader left to guess the
// format asks every image-format plug-in first, which loads them all.
bool readPng(const QString& path, QImage& image) {
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read(&image);
}

QRectF pixelRect(const QImage& image, const QRectF& source) {
    const qreal dpr = image.devicePixelRatio();
    if (source.isEmpty()) return QRectF(QPointF(0, 0), QSizeF(image.size()));
    return QRectF(source.topLeft() * dpr, source.size() * dpr);
}

} // namespace

KXDynamicImage::KXDynamicImage(const QImage& light, const QImage& dark) : light_(light), dark_(dark) {}

const QImage& KXDynamicImage::effectiveImage() const {
    if (dark_.isNull()) return light_;
    return KXAppearance::currentIsDark() ? dark_ : light_;
}

KXDynamicImage KXDynamicImage::imageNamed(const QString& name) { return KXImageLibrary::shared().imageNamed(name); }

KXImageLibrary& KXImageLibrary::shared() { return kx::ProcessWide<KXImageLibrary>::get(); }

std::unique_ptr<KXImageLibrary> KXImageLibrary::makeDefault() { return std::make_unique<KXImageLibrary>(); }

KXDynamicImage KXImageLibrary::imageNamed(const QString& name) {
    const auto it = images_.constFind(name);
    if (it != images_.constEnd()) return *it;
    KXDynamicImage image(loadImage(name), loadImage(name + QStringLiteral("-dark")));
    images_.insert(name, image);
    return image;
}

QImage KXImageLibrary::loadImage(const QString& name) {
    const QString dir = kx::Bundle::mainBundle().resourcePath() + QStringLiteral("/images/");
    QImage image;
    if (QFile::exists(dir + name + QStringLiteral("@2x.png")) && readPng(dir + name + QStringLiteral("@2x.png"), image)) {
        image.setDevicePixelRatio(2.0);
        return image;
    }
    if (QFile::exists(dir + name + QStringLiteral(".png")) && !readPng(dir + name + QStringLiteral(".png"), image))
        image = QImage();
    return image;
}

QSizeF KXDynamicImage::size() const {
    const QImage& image = effectiveImage();
    if (image.isNull()) return {};
    return image.deviceIndependentSize();
}

void KXDynamicImage::drawInRect(QPainter& painter, const QRectF& target, qreal opacity) const {
    drawInRect(painter, target, QRectF(), opacity);
}

void KXDynamicImage::drawInRect(QPainter& painter, const QRectF& target, const QRectF& source,
                                qreal opacity) const {
    const QImage& image = effectiveImage();
    if (image.isNull() || target.isEmpty()) return;
    const qreal before = painter.opacity();
    painter.setOpacity(before * opacity);
    painter.drawImage(target, image, pixelRect(image, source));
    painter.setOpacity(before);
}

void KXDynamicImage::drawAtPoint(QPainter& painter, const QPointF& point, const QRectF& source,
                                 qreal opacity) const {
    const QImage& image = effectiveImage();
    if (image.isNull()) return;
    const QRectF src = source.isEmpty() ? QRectF(QPointF(0, 0), image.deviceIndependentSize()) : source;
    drawInRect(painter, QRectF(point, src.size()), src, opacity);
}

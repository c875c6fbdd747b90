#include "shapes/ShapeMatching.h"

#include "core/Bundle.h"
#include "core/KXAppSupport.h"
#include "core/Log.h"
#include "core/Plist.h"
#include "shapes/ShapePad.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace shapes {

ShapeDataFiles ShapeDataFiles::installed() {
    ShapeDataFiles f;
    const QString folder = KXAppSupport::makeSupportSubfolder(QStringLiteral("Shape Data"));
    if (!folder.isEmpty()) {
        f.reference << QDir(folder).filePath(QStringLiteral("shapeReference.data"));
        f.weights << QDir(folder).filePath(QStringLiteral("shapeWeights.plist"));
    }
    const kx::Bundle& bundle = kx::Bundle::mainBundle();
    const QString reference = bundle.pathForResource(QStringLiteral("shapeReference"), QStringLiteral("data"));
    const QString weights = bundle.pathForResource(QStringLiteral("shapeWeights"), QStringLiteral("plist"));
    if (!reference.isEmpty()) f.reference << reference;
    if (!weights.isEmpty()) f.weights << weights;
    return f;
}

ShapeMatching::ShapeMatching(const ShapeGeometry& geometry, ShapeDataFiles files)
    : files_(std::move(files)), renderer_(geometry) {}

const FeatureWeights& ShapeMatching::weights() {
    if (weights_) return *weights_;
    for (const QString& path : files_.weights) {
        if (!QFileInfo(path).isFile()) continue;
        const kx::plist::Result r = kx::plist::readFile(path);
        if (!r.ok()) kx::log(QStringLiteral("shape weights %1 not read: %2").arg(path, r.error));
        weights_ = weightsFromPlist(r.value);
        return *weights_;
    }
    weights_ = weightsFromPlist(QVariant());
    return *weights_;
}

std::optional<QByteArray> ShapeMatching::referenceData() const {
    for (const QString& path : files_.reference) {
        QFile f(path);
        if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly)) continue;
        return f.readAll();
    }
    return std::nullopt;
}

FeatureVector ShapeMatching::drawingFeatures(const ShapePad& pad) {
    return renderer_.drawingFeatures(pad.countedStrokes(), pad.backgroundCharacter(), pad.backgroundFont());
}

ShapeMatch ShapeMatching::match(const FeatureVector& drawing) {
    result_.reset();
    const std::optional<QByteArray> reference = referenceData();
    ShapeMatch m = shapes::bestMatch(drawing, reference, weights());
    // Without reference data there is no result.
    if (reference) result_.set(m);
    return m;
}

QString ShapeMatching::bestMatch(const ShapePad& pad) { return match(drawingFeatures(pad)).searchText; }

} // namespace shapes

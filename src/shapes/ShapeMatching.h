#pragma once
// The matcher as the shape finder uses it: the weights read once per process, the
// reference data read for every match, the drawing rendered into the kept picture, and
// the result the character table marks.
//
// Each data file is looked for in the support folder's "Shape Data" first, then in the
// bundle.

#include "shapes/ShapeMatcher.h"
#include "shapes/ShapeRenderer.h"

#include <QStringList>
#include <optional>

namespace shapes {

class ShapePad;

struct ShapeDataFiles {
    QStringList reference;  // candidate paths of "shapeReference.data", in order
    QStringList weights;    // candidate paths of "shapeWeights.plist"
    // "Shape Data" of the support folder (made when missing), then the bundle.
    static ShapeDataFiles installed();
};

class ShapeMatching {
public:
    ShapeMatching(const ShapeGeometry& geometry, ShapeDataFiles files);

    // Renders the pad's drawing, matches it and keeps the result; answers the search text.
    QString bestMatch(const ShapePad& pad);
    FeatureVector drawingFeatures(const ShapePad& pad);
    ShapeMatch match(const FeatureVector& drawing);

    const FeatureWeights& weights();
    // The reference data; nullopt when there is none.
    std::optional<QByteArray> referenceData() const;

    ShapeMatchResult& result() { return result_; }
    const ShapeMatchResult& result() const { return result_; }
    ShapeRenderer& renderer() { return renderer_; }

private:
    ShapeDataFiles files_;
    ShapeRenderer renderer_;
    std::optional<FeatureWeights> weights_;
    ShapeMatchResult result_;
};

} // namespace shapes

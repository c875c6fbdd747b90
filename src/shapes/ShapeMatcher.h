#pragma once
// Finding the characters whose shape is closest to a drawing: the drawing's features
// against every record of the reference data ("shapeReference.data": 36-byte records,
// the character big-endian in 32 bits, then its 32 feature bytes), by a weighted
// Euclidean distance.
//
// A record is a candidate when its size (f0) is within a ratio of 0.5 of the drawing's,
// its aspect (f1) within 0.4, and its distance below 1000. The 25 closest are kept in
// order (earlier records win ties). The search text is all of them, followed by U+200B
// unless the text already reads as a list of characters; those at most max(mean − sd,
// least) away are the best matches, with a quality from 1 (the closest) down to 0.25.

#include "shapes/ShapeFeatures.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <array>
#include <optional>
#include <vector>

namespace shapes {

inline constexpr int ReferenceRecordBytes = 4 + FeatureCount;
inline constexpr int MaxCandidates = 25;

using FeatureWeights = std::array<float, FeatureCount>;

// Weights from the dictionary of "shapeWeights.plist": 1 / totalSDev[i] where that is
// above 0.1, else 1.0. A dictionary without "totalSDev" and "delta", or with a "totalSDev"
// not of 32 numbers, is logged and gives weights of 1.0.
FeatureWeights weightsFromPlist(const QVariant& plist);
FeatureWeights unitWeights();

float featureDistance(const FeatureVector& a, const FeatureVector& b, const FeatureWeights& weights);

// The reference record at a byte offset (no bounds check: callers keep within whole records).
char32_t referenceCharacter(const QByteArray& data, qsizetype offset);

struct ShapeMatch {
    // What the search field gets.
    QString searchText;
    // The best matches (the prefix within the threshold) and their qualities.
    std::vector<char32_t> best;
    std::vector<float> qualities;
    // All kept candidates in order, with their distances.
    std::vector<char32_t> candidates;
    std::vector<float> distances;
};

// `reference` absent: no reference data (the search text is U+200B alone, nothing best).
ShapeMatch bestMatch(const FeatureVector& drawing, const std::optional<QByteArray>& reference,
                     const FeatureWeights& weights);

// The best matches of the last match, which the character table marks; cleared whenever
// the drawing or the search changes.
class ShapeMatchResult {
public:
    void reset() { match_.reset(); }
    void set(const ShapeMatch& match) { match_ = match; }
    bool isSet() const { return match_.has_value(); }
    std::vector<char32_t> bestMatchingCharacters() const { return match_ ? match_->best : std::vector<char32_t>{}; }
    // 0 to 1; 0 when there is no result or the character is not among the best.
    double quality(char32_t c) const;

private:
    std::optional<ShapeMatch> match_;
};

} // namespace shapes

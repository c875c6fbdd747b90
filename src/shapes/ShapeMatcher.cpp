#include "shapes/ShapeMatcher.h"

#include "core/Log.h"
#include "model/RbxNameFilter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace shapes {

FeatureWeights unitWeights() {
    FeatureWeights w;
    w.fill(1.0f);
    return w;
}

FeatureWeights weightsFromPlist(const QVariant& plist) {
    FeatureWeights w = unitWeights();
    const QVariantMap dict = plist.toMap();
    if (!dict.contains(QStringLiteral("totalSDev")) || !dict.contains(QStringLiteral("delta"))) {
        kx::log(QStringLiteral("*** Feature weights not found; using 1.0/0.0"));
        return w;
    }
    const QVariantList sdev = dict.value(QStringLiteral("totalSDev")).toList();
    if (sdev.size() != FeatureCount) {
        kx::log(QStringLiteral("*** Number of weights (%1) do not match feature vector length (%2)")
                    .arg(sdev.size())
                    .arg(FeatureCount));
        return w;
    }
    for (int i = 0; i < FeatureCount; ++i) {
        bool ok = false;
        const double s = sdev[i].toDouble(&ok);
        if (ok && std::isfinite(s) && s > 0.1) w[i] = float(1.0 / s);
    }
    return w;
}

float featureDistance(const FeatureVector& a, const FeatureVector& b, const FeatureWeights& weights) {
    float sum = 0;
    for (int i = 0; i < FeatureCount; ++i) {
        const float d = weights[i] * float(std::abs(int(a[i]) - int(b[i])));
        sum += d * d;
    }
    return std::sqrt(sum);
}

char32_t referenceCharacter(const QByteArray& data, qsizetype offset) {
    const auto* p = reinterpret_cast<const uchar*>(data.constData()) + offset;
    return char32_t((quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]));
}

namespace {

bool similarRatio(int a, int b, double least) {
    if (a == b) return true;
    return double(std::min(a, b)) / double(std::max(a, b)) >= least;
}

} // namespace

ShapeMatch bestMatch(const FeatureVector& g, const std::optional<QByteArray>& reference, const FeatureWeights& weights) {
    ShapeMatch m;
    if (!reference) {
        m.searchText = QString(QChar(0x200B));
        return m;
    }
    // The kept candidates, closest first, in a fixed array filled from its end.
    std::array<char32_t, MaxCandidates> chars{};
    std::array<float, MaxCandidates> dists{};
    int kept = 0;
    const QByteArray& data = *reference;
    const qsizetype records = data.size() / ReferenceRecordBytes;
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    FeatureVector d;
    for (qsizetype r = 0; r < records; ++r) {
        const uchar* rec = bytes + r * ReferenceRecordBytes;
        const uchar* features = rec + 4;
        if (!similarRatio(features[0], g[0], 0.5)) continue;
        if (!similarRatio(features[1], g[1], 0.4)) continue;
        std::copy(features, features + FeatureCount, d.begin());
        const float dist = featureDistance(d, g, weights);
        if (!(dist < 1000)) continue;
        if (kept == MaxCandidates && !(dist < dists[MaxCandidates - 1])) continue;
        int i = kept == MaxCandidates ? MaxCandidates - 1 : kept++;
        // After every kept record of equal or smaller distance.
        while (i > 0 && dists[i - 1] > dist) {
            dists[i] = dists[i - 1];
            chars[i] = chars[i - 1];
            --i;
        }
        dists[i] = dist;
        chars[i] = referenceCharacter(data, r * ReferenceRecordBytes);
    }
    m.candidates.assign(chars.begin(), chars.begin() + kept);
    m.distances.assign(dists.begin(), dists.begin() + kept);
    QString text;
    for (char32_t c : m.candidates) text.append(QString::fromUcs4(&c, 1));
    if (kept > 0) {
        double sum = 0, squares = 0;
        for (int i = 0; i < kept; ++i) {
            sum += dists[i];
            squares += double(dists[i]) * dists[i];
        }
        const double mean = sum / kept;
        const double sd = std::sqrt(std::max(0.0, squares / kept - mean * mean));
        const float least = dists[0];
        const float threshold = std::max(float(mean - sd), least);
        for (int i = 0; i < kept && dists[i] <= threshold; ++i) {
            m.best.push_back(chars[i]);
            m.qualities.push_back(threshold == least ? 1.0f
                                                     : 1.0f - 0.75f * (dists[i] - least) / (threshold - least));
        }
    }
    if (!RbxNameFilter::stringContainsTextSearchCharacter(text)) text.append(QChar(0x200B));
    m.searchText = text;
    return m;
}

double ShapeMatchResult::quality(char32_t c) const {
    if (!match_) return 0;
    const auto it = std::find(match_->best.begin(), match_->best.end(), c);
    return it == match_->best.end() ? 0 : match_->qualities[std::size_t(it - match_->best.begin())];
}

} // namespace shapes

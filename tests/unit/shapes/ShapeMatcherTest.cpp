// Ranking reference records against a drawing's features: the size and aspect filters,
// the order of ties, the threshold and qualities, the search text, and the weights file.
#include "shapes/ShapeMatcher.h"

#include "core/Log.h"

#include <gtest/gtest.h>

using shapes::FeatureVector;
using shapes::FeatureWeights;

namespace {

FeatureVector vec(int f0, int f1, int rest = 50) {
    FeatureVector f;
    f.fill(std::uint8_t(rest));
    f[0] = std::uint8_t(f0);
    f[1] = std::uint8_t(f1);
    return f;
}

void add(QByteArray& data, char32_t c, const FeatureVector& f) {
    const char head[4] = {char(c >> 24), char((c >> 16) & 0xFF), char((c >> 8) & 0xFF), char(c & 0xFF)};
    data.append(head, 4);
    data.append(reinterpret_cast<const char*>(f.data()), int(f.size()));
}

QString text(std::initializer_list<char32_t> cs) {
    QString s;
    for (char32_t c : cs) s += QString::fromUcs4(&c, 1);
    return s;
}

} // namespace

TEST(ShapeMatcher, OnlyRecordsOfSimilarSizeAndAspectAreCandidates) {
    const FeatureVector g = vec(40, 100);
    QByteArray ref;
    add(ref, U'a', vec(20, 100));   // size ratio 0.5: kept
    add(ref, U'b', vec(19, 100));   // below 0.5
    add(ref, U'c', vec(40, 40));    // aspect ratio 0.4: kept
    add(ref, U'd', vec(40, 39));    // below 0.4
    add(ref, U'e', vec(40, 100, 255));  // 30 features 205 apart: 1122.8, too far
    add(ref, U'f', vec(40, 100, 52));
    ref.append("\x00\x00", 2);  // a trailing partial record is ignored
    const shapes::ShapeMatch m = shapes::bestMatch(g, ref, shapes::unitWeights());
    EXPECT_EQ(m.candidates, (std::vector<char32_t>{U'f', U'a', U'c'}));
    EXPECT_EQ(m.searchText, QStringLiteral("fac\u200B"));
    // An empty drawing passes only records of size 0.
    QByteArray withEmpty = ref.chopped(2);
    add(withEmpty, U' ', FeatureVector{});
    EXPECT_EQ(shapes::bestMatch(FeatureVector{}, withEmpty, shapes::unitWeights()).candidates,
              (std::vector<char32_t>{U' '}));
}

TEST(ShapeMatcher, KeepsTheClosestTwentyFiveInFileOrderForTies) {
    const FeatureVector g = vec(40, 100);
    QByteArray ref;
    // 40 records at distances 0..39 in a scrambled order, with a tie at every distance
    // between a letter and a later digit-like code point.
    std::vector<std::pair<char32_t, int>> records;
    for (int i = 0; i < 20; ++i) {
        records.push_back({char32_t(0x4E00 + i), (i * 7) % 20});
        records.push_back({char32_t(0x1F600 + i), (i * 7) % 20});  // beyond 16 bits, kept whole
    }
    for (const auto& [c, d] : records) {
        FeatureVector f = g;
        f[5] = std::uint8_t(50 + d);
        add(ref, c, f);
    }
    const shapes::ShapeMatch m = shapes::bestMatch(g, ref, shapes::unitWeights());
    ASSERT_EQ(m.candidates.size(), 25u);
    for (std::size_t i = 0; i + 1 < m.distances.size(); ++i) EXPECT_LE(m.distances[i], m.distances[i + 1]);
    EXPECT_EQ(m.distances.back(), 12.f);
    // Ties: the earlier record first.
    EXPECT_EQ(m.candidates[0], char32_t(0x4E00));
    EXPECT_EQ(m.candidates[1], char32_t(0x1F600));
    EXPECT_TRUE(m.searchText.startsWith(text({0x4E00, 0x1F600})));
    // Threshold max(mean - sd, least): the best are the prefix within it, quality 1 down to 0.25.
    double mean = 0, sq = 0;
    for (float d : m.distances) {
        mean += d;
        sq += double(d) * d;
    }
    mean /= 25;
    const double threshold = mean - std::sqrt(sq / 25 - mean * mean);
    std::size_t within = 0;
    while (within < 25 && m.distances[within] <= threshold) ++within;
    ASSERT_EQ(m.best.size(), within);
    EXPECT_FLOAT_EQ(m.qualities.front(), 1.0f);
    for (std::size_t i = 0; i < within; ++i) {
        EXPECT_NEAR(m.qualities[i], 1 - 0.75 * m.distances[i] / threshold, 1e-4);
        EXPECT_GE(m.qualities[i], 0.25f);
    }
    shapes::ShapeMatchResult result;
    EXPECT_EQ(result.quality(0x4E00), 0);
    result.set(m);
    EXPECT_EQ(result.quality(0x4E00), 1.0);
    EXPECT_EQ(result.quality(0x1F600), 1.0);
    EXPECT_EQ(result.quality(U'x'), 0);
    EXPECT_EQ(result.quality(m.candidates.back()), 0);  // kept, but beyond the threshold
    result.reset();
    EXPECT_EQ(result.quality(0x4E00), 0);
}

TEST(ShapeMatcher, SearchTextAndEqualDistances) {
    const FeatureVector g = vec(40, 100);
    QByteArray ref;
    for (char32_t c : {U'A', U'B', U'C'}) add(ref, c, vec(40, 100, 60));
    shapes::ShapeMatch m = shapes::bestMatch(g, ref, shapes::unitWeights());
    // All equally far: all are best, with quality 1.
    EXPECT_EQ(m.best, (std::vector<char32_t>{U'A', U'B', U'C'}));
    EXPECT_EQ(m.qualities, (std::vector<float>{1, 1, 1}));
    EXPECT_EQ(m.searchText, QStringLiteral("ABC\u200B"));
    // A text that already reads as a list of characters gets no U+200B.
    add(ref, U'\u2192', vec(40, 100, 61));
    m = shapes::bestMatch(g, ref, shapes::unitWeights());
    EXPECT_EQ(m.searchText, QStringLiteral("ABC\u2192"));
    // Reference data without a candidate, and no reference data at all.
    EXPECT_EQ(shapes::bestMatch(vec(200, 10), ref, shapes::unitWeights()).searchText, QStringLiteral("\u200B"));
    EXPECT_EQ(shapes::bestMatch(g, QByteArray(), shapes::unitWeights()).searchText, QStringLiteral("\u200B"));
    EXPECT_EQ(shapes::bestMatch(g, std::nullopt, shapes::unitWeights()).searchText, QStringLiteral("\u200B"));
}

TEST(ShapeMatcher, WeightsComeFromTheStandardDeviations) {
    QVariantList sdev;
    for (int i = 0; i < 32; ++i) sdev << 1.0;
    sdev[3] = 0.05;  // too small to trust: weight 1
    sdev[4] = 0.5;   // weight 2
    sdev[5] = 4.0;
    const QVariantMap dict{{QStringLiteral("totalSDev"), sdev}, {QStringLiteral("delta"), sdev}};
    const FeatureWeights w = shapes::weightsFromPlist(dict);
    EXPECT_FLOAT_EQ(w[3], 1.0f);
    EXPECT_FLOAT_EQ(w[4], 2.0f);
    EXPECT_FLOAT_EQ(w[5], 0.25f);

    FeatureVector a{}, b{};
    b[4] = 3;
    b[5] = 8;
    EXPECT_FLOAT_EQ(shapes::featureDistance(a, b, w), std::sqrt(36.0f + 4.0f));
    EXPECT_FLOAT_EQ(shapes::featureDistance(b, a, w), shapes::featureDistance(a, b, w));

    kx::LogCapture log;
    EXPECT_EQ(shapes::weightsFromPlist(QVariantMap{{QStringLiteral("totalSDev"), sdev}}), shapes::unitWeights());
    sdev.removeLast();
    EXPECT_EQ(shapes::weightsFromPlist(QVariantMap{{QStringLiteral("totalSDev"), sdev}, {QStringLiteral("delta"), sdev}}),
              shapes::unitWeights());
    EXPECT_EQ(shapes::weightsFromPlist(QVariant(QStringLiteral("junk"))), shapes::unitWeights());
    const QStringList lines = log.lines();
    EXPECT_TRUE(lines.contains(QStringLiteral("*** Feature weights not found; using 1.0/0.0")));
    EXPECT_TRUE(lines.contains(QStringLiteral("*** Number of weights (31) do not match feature vector length (32)")));
}

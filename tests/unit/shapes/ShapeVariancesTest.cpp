// How much each shape feature varies between fonts, the source of the matcher's weights:
// only characters that at least two fonts draw count, and nothing undefined (NaN) reaches
// the weights.
#include "shapes/ShapeMatcher.h"
#include "shapes/ShapeReference.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

std::vector<double> numbers(const QVariantMap& weights, const char* key) {
    std::vector<double> out;
    for (const QVariant& v : weights.value(QString::fromLatin1(key)).toList()) out.push_back(v.toDouble());
    return out;
}

void expectFinite(const QVariantMap& weights) {
    for (const char* key : {"totalSDev", "delta", "otherSDev"}) {
        const std::vector<double> v = numbers(weights, key);
        ASSERT_EQ(v.size(), size_t(shapes::FeatureCount)) << key;
        for (const double d : v) EXPECT_TRUE(std::isfinite(d) && d >= 0) << key << " " << d;
    }
}

} // namespace

TEST(ShapeVariances, OnlyCharactersOfTwoFontsOrMoreCount) {
    shapes::ShapeRenderer renderer{shapes::ShapeGeometry(QSize(shapes::PadWidth, shapes::PadHeight))};
    const QStringList both{QStringLiteral("DejaVuSans"), QStringLiteral("DejaVuSansMono")};
    // U+4E00 is in neither font: it is listed as missing and left out.
    const shapes::Variances v = shapes::computeVariances(renderer, QStringLiteral("A g\u4E00"), both);
    EXPECT_EQ(v.characters, 2);
    EXPECT_TRUE(v.missing.contains(QStringLiteral("  -- character \u4E00 missing in DejaVuSans")));
    EXPECT_TRUE(v.missing.contains(QStringLiteral("  -- character \u4E00 missing in DejaVuSansMono")));
    EXPECT_EQ(v.table.count(QLatin1Char('\n')), 4);
    expectFinite(v.weights);
    // The two faces draw "A" and "g" differently: some feature varies, and weights follow.
    const std::vector<double> sdev = numbers(v.weights, "totalSDev");
    EXPECT_GT(*std::max_element(sdev.begin(), sdev.end()), 0.1);
    EXPECT_NE(shapes::weightsFromPlist(v.weights), shapes::unitWeights());

    // One font alone (the other not installed) tells nothing: no character counts, and
    // the numbers are zeros, not the undefined results of dividing by no other font.
    const shapes::Variances alone =
        shapes::computeVariances(renderer, QStringLiteral("Ag"), {QStringLiteral("DejaVuSans"), QStringLiteral("NoSuchFont")});
    EXPECT_EQ(alone.characters, 0);
    expectFinite(alone.weights);
    for (const double d : numbers(alone.weights, "otherSDev")) EXPECT_EQ(d, 0);
    EXPECT_EQ(shapes::weightsFromPlist(alone.weights), shapes::unitWeights());

    // The same font twice varies nowhere.
    const shapes::Variances same =
        shapes::computeVariances(renderer, QStringLiteral("Ag"), {QStringLiteral("DejaVuSans"), QStringLiteral("DejaVuSans")});
    EXPECT_EQ(same.characters, 2);
    expectFinite(same.weights);
    for (const double d : numbers(same.weights, "totalSDev")) EXPECT_EQ(d, 0);
}

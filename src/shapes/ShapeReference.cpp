#include "shapes/ShapeReference.h"

#include "core/Log.h"
#include "shapes/BigFonts.h"

#include <array>
#include <cmath>

namespace shapes {

bool takesReferenceCharacter(char32_t c, int type) {
    if (c < 0x20 || c > 0xFFFF || (c >= 0xD800 && c <= 0xF8FF)) return false;
    if (type == 0) return c < 0x2B0;
    if (type == 1) {
        constexpr std::pair<char32_t, char32_t> left[] = {{0x2E80, 0x2EFF}, {0x3000, 0x303F}, {0x31C0, 0x4DBF},
                                                          {0x4E00, 0x9FFF}, {0xF900, 0xFAFF}, {0xFE30, 0xFE4F}};
        for (const auto& [lo, hi] : left)
            if (c >= lo && c <= hi) return false;
    }
    return true;
}

ReferenceData createReferenceData(ShapeRenderer& renderer, const QString& font, int type) {
    kx::log(QStringLiteral("creating references (type %1)").arg(type));
    ReferenceData out;
    for (char32_t c = 0x20; c <= 0xFFFF; ++c) {
        if (!takesReferenceCharacter(c, type) || !renderer.fonts().covers(font, c)) continue;
        ++out.characters;
        if (out.characters % 1000 == 0)
            kx::log(QStringLiteral("char #%1; %2 [%3]").arg(out.characters).arg(QString::fromUcs4(&c, 1)).arg(quint32(c), 0, 16));
        const FeatureVector f = renderer.characterFeatures(c, font);
        const char record[4] = {char(c >> 24), char((c >> 16) & 0xFF), char((c >> 8) & 0xFF), char(c & 0xFF)};
        out.bytes.append(record, 4);
        out.bytes.append(reinterpret_cast<const char*>(f.data()), FeatureCount);
    }
    return out;
}

QStringList sampleFonts(const QString& referenceFont, QStringList* missing) {
    QStringList wanted{referenceFont};
    wanted << BigFonts::tableFonts();
    // Fonts of this desktop beyond the table, so that more than one face shows how a
    // feature varies.
    wanted << QStringLiteral("DejaVuSerif") << QStringLiteral("NotoSans-Regular") << QStringLiteral("NotoSerif-Regular");
    QStringList fonts;
    for (const QString& f : wanted) {
        if (fonts.contains(f)) continue;
        if (BigFonts::isInstalled(f))
            fonts << f;
        else if (missing)
            *missing << f;
    }
    return fonts;
}

Variances computeVariances(ShapeRenderer& renderer, const QString& sampleCharacters, const QStringList& fonts) {
    Variances v;
    std::array<double, FeatureCount> totalSDev{}, delta{}, otherSDev{};
    const QList<uint> characters = sampleCharacters.toUcs4();
    for (const uint u : characters) {
        const char32_t c = char32_t(u);
        if (c < 0x21 || QChar::isSpace(u)) continue;
        const QString text = QString::fromUcs4(&c, 1);
        std::array<double, FeatureCount> sum{}, squares{}, absD{}, d2{};
        FeatureVector reference{};
        int n = 0;
        for (const QString& font : fonts) {
            if (!renderer.fonts().covers(font, c)) {
                v.missing << QStringLiteral("  -- character %1 missing in %2").arg(text, font);
                continue;
            }
            const FeatureVector f = renderer.characterFeatures(c, font);
            QString line = font + QLatin1Char('\t') + text;
            for (std::uint8_t b : f) line += QStringLiteral("\t%1").arg(b);
            v.table += line + QLatin1Char('\n');
            if (n == 0) reference = f;
            for (int i = 0; i < FeatureCount; ++i) {
                if (n > 0) {
                    const double d = double(reference[i]) - double(f[i]);
                    absD[i] += std::fabs(d);
                    d2[i] += d * d;
                }
                sum[i] += f[i];
                squares[i] += double(f[i]) * f[i];
            }
            ++n;
        }
        // Fewer than two fonts tell nothing of how a feature varies.
        if (n < 2) continue;
        ++v.characters;
        for (int i = 0; i < FeatureCount; ++i) {
            const double mean = sum[i] / n;
            totalSDev[i] += std::sqrt(std::max(0.0, squares[i] / n - mean * mean));
            const double meanAbs = absD[i] / (n - 1);
            delta[i] += meanAbs;
            otherSDev[i] += std::sqrt(meanAbs * meanAbs + d2[i] / (n - 1));
        }
    }
    QVariantList t, d, o;
    v.report << QStringLiteral("     offset  sDev1  sDev2");
    for (int i = 0; i < FeatureCount; ++i) {
        const double k = v.characters > 0 ? v.characters : 1;
        totalSDev[i] /= k;
        delta[i] /= k;
        otherSDev[i] /= k;
        t << totalSDev[i];
        d << delta[i];
        o << otherSDev[i];
        v.report << QString::asprintf("%2d: %6.3f %6.3f %6.3f", i, delta[i], totalSDev[i], otherSDev[i]);
    }
    v.weights = {{QStringLiteral("totalSDev"), t}, {QStringLiteral("delta"), d}, {QStringLiteral("otherSDev"), o}};
    return v;
}

} // namespace shapes

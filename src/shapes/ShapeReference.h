#pragma once
// Making the matcher's data from installed fonts.
//
// Reference data: every character of the Basic Multilingual Plane from U+0020 that the
// reference font covers (the surrogates and the private use area left out), rendered
// alone in its big font; type 0 keeps those below U+02B0, type 1 leaves out the CJK
// ideographs, radicals, symbols and compatibility forms, any other type keeps all.
//
// Weights: each sample character in each sample font that covers it (the reference font
// first); per feature the population standard deviation over the fonts ("totalSDev"),
// the mean distance from the reference font ("delta") and its spread ("otherSDev"),
// averaged over the characters. Characters fewer than two fonts cover are left out.

#include "shapes/ShapeRenderer.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace shapes {

// The reference font here: the sizing table's "ArialUnicodeMS" is not to be had on this
// desktop, DejaVu Sans is.
inline constexpr char ReferenceFont[] = "DejaVuSans";

bool takesReferenceCharacter(char32_t c, int type);

struct ReferenceData {
    QByteArray bytes;
    int characters = 0;
};
ReferenceData createReferenceData(ShapeRenderer& renderer, const QString& font, int type);

// The sample fonts: the reference font, then the sizing table's fonts and the extra
// fonts of this desktop, each once, those installed.
QStringList sampleFonts(const QString& referenceFont, QStringList* missing = nullptr);

struct Variances {
    QVariantMap weights;   // "totalSDev", "delta", "otherSDev": 32 numbers each
    QString table;         // font, character and features, a line each
    QStringList missing;   // "  -- character X missing in FONT"
    QStringList report;    // the per-feature summary lines
    int characters = 0;    // characters that counted
};
Variances computeVariances(ShapeRenderer& renderer, const QString& sampleCharacters, const QStringList& fonts);

} // namespace shapes

#pragma once
// The 32 features of a black-on-white picture of a character or a drawing, each a byte:
//   f0        size: sqrt(ink width × ink height) / 4
//   f1        aspect: ink height × 50 / ink width (at most 255)
//   f2, f3    ink per covered span of the rows, of the columns
//   f4, f5    runs of ink per row, per column (× 20)
//   f6        ink box perimeter per run
//   f7..f11   ink in the top-left, top-right, bottom-right, bottom-left and centre zones
//   f12..f21  the column profile (ink, lowest, highest and width of ink, runs) at the left
//             and in the middle relative to left + right
//   f22..f31  the same for the rows, from the bottom
// A pixel is ink when its red sample is below 128. Picture rows count y from the bottom
// (the top row has y = height, the bottom row y = 1). Values that cannot be computed
// (an empty range, 0 / 0) give 0.

#include <QImage>
#include <array>
#include <cstdint>

namespace shapes {

inline constexpr int FeatureCount = 32;
using FeatureVector = std::array<std::uint8_t, FeatureCount>;

FeatureVector analyzeImage(const QImage& image);

// The byte a feature value is stored as: its integer part (toward zero), low 8 bits.
std::uint8_t featureByte(double value);

} // namespace shapes

#include "core/Log.h"
#include "table/core/RbxCellDecorations.h"
#include "table/core/RbxCellSizing.h"
#include "table/core/RbxTools.h"

#include <gtest/gtest.h>
#include <cmath>

using namespace rbx::cells;

namespace {
RbxFontMeasures font(const QString& name, double bw, double bh, double line, double adv) {
    RbxFontMeasures m;
    m.name = name;
    m.pointSize = 12;
    m.boundingRect = QRectF(-2, -5, bw, bh);
    m.lineHeight = line;
    m.maxAdvance = adv;
    m.descender = -3;
    return m;
}
} // namespace

TEST(CellSizing, UnscaledCellOfAFont) {
    EXPECT_EQ(characterSize(std::nullopt, false), QSizeF(16, 16));
    // The advance narrows a wide bounding box; a short box grows towards the line height.
    EXPECT_EQ(characterSize(font(QStringLiteral("A"), 30, 10, 20, -20), false), QSizeF(20, 14));
    EXPECT_EQ(characterSize(font(QStringLiteral("A"), 30, 18, 20, 40), false), QSizeF(30, 20));
    EXPECT_EQ(characterSize(font(QStringLiteral("A"), 30, 25, 20, 40), false), QSizeF(30, 25));
    // Bounds below 1 count as 16.
    EXPECT_EQ(characterSize(font(QStringLiteral("A"), 0.5, 0, 10, 40), false), QSizeF(16, 16));
    EXPECT_EQ(characterSize(font(QStringLiteral("A"), 0.5, 0, 20, 40), false), QSizeF(16, 20));

    RbxFontMeasures tuned = font(QStringLiteral("T"), 30, 25, 20, 40);
    tuned.tuningRelativeWidth = 2;
    tuned.tuningZoomX = 2;
    tuned.tuningZoomY = 0.5;
    EXPECT_EQ(characterSize(tuned, false), QSizeF(12, 50));
    tuned.tuningZoomX = 0; // a zero zoom divides nothing
    tuned.tuningZoomY = 0;
    EXPECT_EQ(characterSize(tuned, false), QSizeF(24, 25));

    // A broken advance (under a tenth of the width) keeps the width; logged once per font.
    kx::LogCapture log;
    EXPECT_EQ(characterSize(font(QStringLiteral("Broken"), 100, 25, 20, 5), false), QSizeF(100, 25));
    characterSize(font(QStringLiteral("Broken"), 100, 25, 20, 5), false);
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_EQ(log.lines()[0],
              QStringLiteral("Ignoring invalid advancement for Broken 12: w=100.00000, h=25.00000, adv=5.00000"));
    log.clear();
    characterSize(font(QStringLiteral("Traced"), 30, 25, 20, 40), true);
    EXPECT_EQ(log.lines().value(0), QStringLiteral("SIZE FOR Traced"));
    EXPECT_EQ(log.lines().value(2), QStringLiteral("height=20.00, desc=-3.00, adv=40.00"));
}

TEST(CellSizing, ScaleFactorNormalAndFitted) {
    // Normal: relative size over the typical size, times the family's size factor.
    EXPECT_DOUBLE_EQ(adjustmentFactorForSize(QSizeF(20, 45), 0, QSizeF(300, 200), 60, 0, false), 2.0);
    EXPECT_DOUBLE_EQ(adjustmentFactorForSize(QSizeF(20, 45), 0, QSizeF(300, 200), 60, 1.5, false), 3.0);
    // Fitting 95 characters into 300 × 200 with square cells: 12 columns of 25.
    EXPECT_DOUBLE_EQ(adjustmentFactorForSize(QSizeF(10, 10), 95, QSizeF(300, 200), 60, 1, false), 0.99 * 25 / 10);
    // Tall cells (r = 2): 14 columns, 7 rows of 300/14 × 600/14.
    EXPECT_DOUBLE_EQ(adjustmentFactorForSize(QSizeF(10, 20), 95, QSizeF(300, 300), 60, 1, false),
                     0.99 * (300.0 / 14) / 10);
    // Few characters in a very low area: one row of many columns, found without looping on.
    const double low = adjustmentFactorForSize(QSizeF(10, 10), 3, QSizeF(1000, 1), 60, 1, false);
    EXPECT_DOUBLE_EQ(low, 0.99 * 1 / 10);

    // Unsized views, empty cells and a zero relative size never give 0, inf or NaN.
    for (const QSizeF visible : {QSizeF(0, 0), QSizeF(300, 0), QSizeF(-5, 200)}) {
        const double f = adjustmentFactorForSize(QSizeF(10, 10), 95, visible, 60, 1, false);
        EXPECT_DOUBLE_EQ(f, 6.0);
    }
    for (const QSizeF cell : {QSizeF(0, 10), QSizeF(10, 0), QSizeF(0, 0)}) {
        const double f = adjustmentFactorForSize(cell, 95, QSizeF(300, 200), 60, 1, false);
        EXPECT_TRUE(std::isfinite(f) && f > 0);
    }
    EXPECT_DOUBLE_EQ(adjustmentFactorForSize(QSizeF(10, 10), 0, QSizeF(300, 200), 0, 1, false), 1.0);

    kx::LogCapture log;
    RbxTools::setDebugging(true, 1);
    adjustmentFactorForSize(QSizeF(20, 45), 7, QSizeF(300, 200), 60, 0, false);
    RbxTools::setDebugging(false, 1);
    EXPECT_EQ(log.lines(), QStringList({QStringLiteral("adjustment for: {20, 45}"), QStringLiteral("typical:30.0, fit:7")}));
}

TEST(CellSizing, MinimumFitSizeRaisesFontAndFactorAlike) {
    const DisplaySize plain = displayFontSize(20, 2, false, 50);
    EXPECT_DOUBLE_EQ(plain.pointSize, 34);
    EXPECT_DOUBLE_EQ(plain.factor, 2);
    const DisplaySize fitted = displayFontSize(20, 2, true, 51);
    EXPECT_DOUBLE_EQ(fitted.pointSize, 51);
    EXPECT_DOUBLE_EQ(fitted.factor, 3);
    EXPECT_DOUBLE_EQ(displayFontSize(20, 2, true, 30).pointSize, 34);
}

TEST(CellDecorations, BadgesShrinkWithSmallCellsAndKeepOutOfTheirOwnGroups) {
    const QRectF cell(100, 200, 30, 30);
    EXPECT_DOUBLE_EQ(badgeScale(cell.size()), 30.0 / 45);
    const QRectF fav = badgeRect(cell, Badge::Favorite);
    EXPECT_NEAR(fav.width(), 11 * 30.0 / 45, 1e-9);
    EXPECT_NEAR(130 - (fav.x() + fav.width()), 2, 1e-9);
    EXPECT_NEAR(230 - (fav.y() + fav.height()), 2, 1e-9);
    EXPECT_NEAR(badgeRect(QRectF(0, 0, 60, 50), Badge::FavoriteAndRecent).width(), 14, 1e-9);
    EXPECT_TRUE(badgeRect(cell, Badge::None).isNull());
    const QRectF dot = skinToneDotRect(QRectF(0, 0, 90, 90));
    EXPECT_EQ(dot, QRectF(76, 3, 11, 11));
    EXPECT_EQ(textEmojiTriangleRect(QRectF(0, 0, 90, 90)), QRectF(78, 4, 8, 8));

    EXPECT_EQ(badgeFor(true, true, RbxLayoutGroupKind), Badge::FavoriteAndRecent);
    EXPECT_EQ(badgeFor(true, true, RbxFavoritesGroupKind), Badge::Recent);
    EXPECT_EQ(badgeFor(true, true, RbxRecentGroupKind), Badge::Favorite);
    EXPECT_EQ(badgeFor(true, false, RbxFavoritesGroupKind), Badge::None);
    EXPECT_EQ(badgeFor(false, true, RbxRecentGroupKind), Badge::None);
    EXPECT_EQ(badgeFor(false, true, RbxBasicGroupKind), Badge::Recent);
    EXPECT_EQ(badgeFor(false, false, RbxLayoutGroupKind), Badge::None);
}

TEST(CellDecorations, HotCornerAndSpaceBracket) {
    const QRectF big(0, 100, 50, 50);
    EXPECT_EQ(hotCornerSize(big.size()), 16);
    EXPECT_TRUE(hotCornerContains(big, QPointF(34, 100)));
    EXPECT_TRUE(hotCornerContains(big, QPointF(49, 115.9)));
    EXPECT_FALSE(hotCornerContains(big, QPointF(33, 100)));
    EXPECT_FALSE(hotCornerContains(big, QPointF(40, 116)));
    EXPECT_DOUBLE_EQ(hotCornerSize(QSizeF(30, 36)), 16.0 * 30 / 45);

    const SpaceBracket fits = spaceBracket(QPointF(10, 5), 20, QRectF(0, 0, 50, 50));
    EXPECT_DOUBLE_EQ(fits.lineWidth, 2);
    EXPECT_EQ(fits.points[0], QPointF(10, 10));
    EXPECT_EQ(fits.points[1], QPointF(10, 5));
    EXPECT_EQ(fits.points[2], QPointF(30, 5));
    EXPECT_EQ(fits.points[3], QPointF(30, 10));
    // Wider than the cell allows: cell width less the line width, centred.
    const SpaceBracket wide = spaceBracket(QPointF(-20, 5), 90, QRectF(0, 0, 50, 50));
    EXPECT_EQ(wide.points[1], QPointF(1, 5));
    EXPECT_EQ(wide.points[2], QPointF(49, 5));
    EXPECT_DOUBLE_EQ(spaceBracket(QPointF(0, 0), 5, QRectF(0, 0, 10, 10)).lineWidth, 1);
}

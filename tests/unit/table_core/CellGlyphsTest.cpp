#include "table/core/RbxCellGlyphs.h"

#include <gtest/gtest.h>

using namespace rbx::cells;

TEST(CellGlyphs, GlyphsAreCentredOnTheLineBoxAndSqueezedWhenTooBig) {
    const QRectF cell(100, 200, 40, 50);
    // Ascender 16, descender -4: a line box of 20 centred in 50 puts the baseline 19 up.
    const GlyphPlacement plain = glyphPlacement(cell, QSizeF(20, 18), 16, -4, 0, true, 40);
    EXPECT_FALSE(plain.scaled);
    EXPECT_EQ(plain.origin, QPointF(110, 219));
    // The descender's sign does not matter; the tuning offset moves the baseline.
    EXPECT_EQ(glyphPlacement(cell, QSizeF(20, 18), 16, 4, 0.1, true, 40).origin, QPointF(110, 224));

    // Too wide and allowed to scale: squeezed to the cell width from the cell's left edge.
    const GlyphPlacement wide = glyphPlacement(cell, QSizeF(80, 18), 16, -4, 0, true, 40);
    EXPECT_TRUE(wide.scaled);
    EXPECT_DOUBLE_EQ(wide.scaleX, 0.5);
    EXPECT_DOUBLE_EQ(wide.scaleY, 1);
    EXPECT_EQ(wide.origin, QPointF(100, 219));
    // Too high only: centred horizontally, squeezed vertically.
    const GlyphPlacement high = glyphPlacement(cell, QSizeF(20, 100), 16, -4, 0, true, 40);
    EXPECT_TRUE(high.scaled);
    EXPECT_DOUBLE_EQ(high.scaleX, 1);
    EXPECT_DOUBLE_EQ(high.scaleY, 0.5);
    EXPECT_EQ(high.origin.x(), 110);
    // A glyph the font draws itself is never squeezed.
    EXPECT_FALSE(glyphPlacement(cell, QSizeF(80, 100), 16, -4, 0, false, 40).scaled);
    // A ligature within its threshold (1.5 × 40) stays; beyond it, it is squeezed.
    EXPECT_FALSE(glyphPlacement(cell, QSizeF(55, 18), 16, -4, 0, true, 60).scaled);
    const GlyphPlacement liga = glyphPlacement(cell, QSizeF(70, 18), 16, -4, 0, true, 60);
    EXPECT_TRUE(liga.scaled);
    EXPECT_NEAR(liga.scaleX, 40.0 / 70, 1e-6);

    EXPECT_EQ(spaceBracketOrigin(cell, QSizeF(10, 18), -4, 0), QPointF(115, 220));
}

TEST(CellGlyphs, EmojiSizeAndPlace) {
    EXPECT_DOUBLE_EQ(emojiFontSize(QSizeF(40, 60), QSizeF(125, 100), 80), 80 * 40.0 / 125);
    EXPECT_DOUBLE_EQ(emojiFontSize(QSizeF(40, 30), QSizeF(125, 100), 90), 90 * 0.3);
    EXPECT_DOUBLE_EQ(emojiFontSize(QSizeF(40, 30), QSizeF(0, 0), 80), 80 * 0.3);
    EXPECT_EQ(emojiTextOrigin(QRectF(0, 100, 40, 40), QSizeF(30, 32), -6), QPointF(5, 107));
}

#include "common/ScopedInstance.h"
#include "FontFixtures.h"
#include "model/KXCharGlyphMap.h"

#include <optional>
#include <gtest/gtest.h>

TEST(CharGlyphMap, mapsEveryCoveredCharacterBothWays) {
    const rbx::Font font = fixtures::font(QStringLiteral("RbxCmapTest-Regular.ttf"));
    const auto map = KXCharGlyphMap::charGlyphMapForFont(font);
    ASSERT_TRUE(map);
    EXPECT_TRUE(map->mapError().isEmpty()) << map->mapError().toStdString();
    // Read from the 'cmap' table in one pass, the glyphs are those the face gives one by one.
    font->coveredCharacters().forEach([&](char32_t c) { EXPECT_EQ(map->glyphForCharacter(c), font->nominalGlyph(c)) << unsigned(c); });
    EXPECT_EQ(map->nCharacters(), 60);
    EXPECT_EQ(map->nBMPCharacters(), 59);
    EXPECT_EQ(map->maxCharacter(), 0x1F600u);
    EXPECT_EQ(map->maxGlyph(), 58);
    // A supplementary character is held once, with its own glyph.
    EXPECT_EQ(map->glyphForCharacter(0x1F600), 58u);
    EXPECT_EQ(map->characterForGlyph(58), 0x1F600u);
    EXPECT_EQ(map->glyphForCharacter('A'), 3u);
    EXPECT_EQ(map->glyphForCharacter('0'), 0u);
    EXPECT_EQ(map->glyphForCharacter(0x10FFFF), 0u);
    // Characters sharing a glyph: the higher one comes back.
    EXPECT_EQ(map->characterForGlyph(map->glyphForCharacter(0x3A9)), 0x2126u);
    EXPECT_EQ(map->characterForGlyph(1), 0xA0u);
    EXPECT_EQ(map->characterForGlyph(59), 0u);
    EXPECT_EQ(map->characterForGlyph(100000), 0u);
    // A right-to-left letter.
    const std::uint32_t alef = map->glyphForCharacter(0x5D0);
    ASSERT_NE(alef, 0u);
    EXPECT_EQ(map->characterForGlyph(alef), 0x5D0u);
    EXPECT_EQ(map->leftToRightCharacterForGlyph(alef), 0u);
    EXPECT_EQ(map->leftToRightCharacterForGlyph(3), char32_t('A'));
    EXPECT_EQ(map->description(), QStringLiteral("glyph map (60 characters, max glyph = 58)"));
}

TEST(CharGlyphMap, aCharacterWithoutAGlyphSpoilsTheWholeMap) {
    KXCharGlyphMap map(QStringLiteral("Broken"), {{'A', 3}, {'B', 0}, {'C', 5}});
    EXPECT_EQ(map.mapError(), QStringLiteral("Could not get all glyphs for font Broken"));
    EXPECT_EQ(map.glyphForCharacter('A'), 0u);
    EXPECT_EQ(map.characterForGlyph(3), 0u);
    EXPECT_EQ(map.maxCharacter(), 0u);
    EXPECT_EQ(map.maxGlyph(), 0);
    EXPECT_TRUE(map.description().endsWith(QStringLiteral(" ** Could not get all glyphs for font Broken")));
    map.setMapError(QStringLiteral("later"));
    EXPECT_EQ(map.mapError(), QStringLiteral("Could not get all glyphs for font Broken")); // first one stays
}

TEST(CharGlyphMap, noncharactersAndSurrogatesAreLeftOut) {
    KXCharGlyphMap map(QStringLiteral("Odd"), {{'A', 3}, {0xFFFE, 4}, {0xFDD0, 5}, {0x1FFFF, 6}, {0xD800, 7}, {0x10000, 8}});
    EXPECT_TRUE(map.mapError().isEmpty());
    EXPECT_EQ(map.nCharacters(), 2);
    EXPECT_EQ(map.glyphForCharacter(0xFFFE), 0u);
    EXPECT_EQ(map.glyphForCharacter(0x10000), 8u);
    EXPECT_EQ(map.characterForGlyph(4), 0u);

    // With the assigned characters known, unassigned ones go too.
    std::optional<rbxtest::ScopedInstance<KXAssignedCharacters>> assigned;
    assigned.emplace(std::make_unique<KXAssignedCharacters>(kx::CharSet::fromRange(0, 0xFFFF)));
    KXCharGlyphMap onlyBmp(QStringLiteral("Odd"), {{'A', 3}, {0x10000, 8}});
    assigned.reset();
    EXPECT_EQ(onlyBmp.nCharacters(), 1);
    EXPECT_EQ(onlyBmp.glyphForCharacter(0x10000), 0u);
}

TEST(CharGlyphMap, aNullFontGivesAnEmptyMapWithAnError) {
    const auto map = KXCharGlyphMap::charGlyphMapForFont(rbx::Font());
    ASSERT_TRUE(map);
    EXPECT_FALSE(map->mapError().isEmpty());
    EXPECT_EQ(map->glyphForCharacter('A'), 0u);
}

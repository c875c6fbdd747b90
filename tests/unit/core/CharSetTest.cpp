#include "core/CharSet.h"

#include <gtest/gtest.h>

using kx::CharSet;

TEST(CharSet, WalkingCrossesPlanesAndEndsAtTheLastCodePoint) {
    CharSet s;
    s.addCharacter(0x10000);
    EXPECT_EQ(s.nextCharacter(0xFFFF), U'\U00010000');
    EXPECT_EQ(s.nextCharacter(0x10000), 0u);

    CharSet top;
    top.addCharacter(0x41);
    top.addCharacter(0x10FFFF);
    EXPECT_EQ(top.nextCharacter(0x41), U'\U0010FFFF');
    EXPECT_EQ(top.nextCharacter(0x10FFFF), 0u);
    EXPECT_EQ(top.firstCharacter(), U'A');
    EXPECT_EQ(top.lastCharacter(), U'\U0010FFFF');

    CharSet empty;
    EXPECT_EQ(empty.firstCharacter(), 0u);
    EXPECT_EQ(empty.lastCharacter(), 0u);
    EXPECT_TRUE(empty.stringWithCharacters().isNull());
}

TEST(CharSet, CountsAndTextOfSupplementaryMembers) {
    CharSet s;
    s.addCharacter(0x41);
    s.addCharacter(0x1F600);
    EXPECT_EQ(s.numberOfCharacters(), 2u);
    EXPECT_EQ(s.stringWithCharacters(), QStringLiteral("A\U0001F600"));
    // The text test looks at UTF-16 units, not code points.
    EXPECT_FALSE(s.containsAllCharactersInString(QStringLiteral("\U0001F600")));
    EXPECT_TRUE(s.containsAllCharactersInString(QString()));
    CharSet units = CharSet::fromString(QStringLiteral("\U0001F600"));
    EXPECT_TRUE(units.contains(0x1F600));
    EXPECT_FALSE(units.contains(0xD83D));
}

TEST(CharSet, RangesAndArithmetic) {
    CharSet a = CharSet::fromRange(0xFFF0, 0x1000F);
    EXPECT_EQ(a.numberOfCharacters(), 32u);
    EXPECT_TRUE(a.contains(0xFFFF));
    EXPECT_TRUE(a.contains(0x10000));
    CharSet none = CharSet::fromRange(10, 5);
    EXPECT_TRUE(none.isEmpty());

    CharSet b = CharSet::fromRange(0x10000, 0x10100);
    EXPECT_EQ(a.intersectionWith(b).numberOfCharacters(), 16u);
    EXPECT_EQ(a.unionWith(b).numberOfCharacters(), 32u + 257u - 16u);
    CharSet c = a;  // copies are independent
    c.removeCharactersFrom(0x10000, 0x1000F);
    EXPECT_EQ(c.numberOfCharacters(), 16u);
    EXPECT_EQ(a.numberOfCharacters(), 32u);
    EXPECT_FALSE(c.hasMemberInPlane(1));
    EXPECT_EQ(a.minus(b), c);
}

TEST(CharSet, BitmapRepresentationRoundTripsAndHasThePlatformLayout) {
    CharSet s;
    s.addCharacter(0x41);
    s.addCharacter(0x1F600);
    const QByteArray bytes = s.bitmapRepresentation();
    ASSERT_EQ(bytes.size(), 8192 + 1 + 8192);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0x41 / 8]), 1u << (0x41 % 8));
    EXPECT_EQ(static_cast<unsigned char>(bytes[8192]), 1u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[8193 + 0xF600 / 8]), 1u << (0xF600 % 8));
    EXPECT_EQ(CharSet::fromBitmapRepresentation(bytes), s);
    // Truncated input keeps what was whole.
    EXPECT_EQ(CharSet::fromBitmapRepresentation(bytes.left(9000)).numberOfCharacters(), 1u);
    EXPECT_TRUE(CharSet::fromBitmapRepresentation(QByteArray(10, 'x')).isEmpty());
}

TEST(CharSet, FixedSets) {
    EXPECT_TRUE(CharSet::privateUseCharacters().contains(0xE000));
    EXPECT_TRUE(CharSet::privateUseCharacters().contains(0x10FFFD));
    EXPECT_FALSE(CharSet::privateUseCharacters().contains(0x10FFFE));
    EXPECT_TRUE(CharSet::rightToLeftCharacterSet().contains(0x05D0));
    EXPECT_TRUE(CharSet::combiningCharacters().contains(0x0301));
    EXPECT_TRUE(CharSet::cjkCharacters().contains(0x4E00));
    EXPECT_FALSE(CharSet::cjkCharacters().contains(0xA000));
}

TEST(CharSet, ForEachVisitsAscending) {
    CharSet s;
    for (char32_t c : {0x10FFFFu, 0x0u, 0x40u, 0x3Fu, 0x20000u}) s.addCharacter(c);
    std::vector<char32_t> seen;
    s.forEach([&](char32_t c) { seen.push_back(c); });
    EXPECT_EQ(seen, (std::vector<char32_t>{0, 0x3F, 0x40, 0x20000, 0x10FFFF}));
    // Walking with first/next never revisits U+0000.
    EXPECT_EQ(s.firstCharacter(), 0u);
    EXPECT_EQ(s.nextCharacter(0), 0x3Fu);
}

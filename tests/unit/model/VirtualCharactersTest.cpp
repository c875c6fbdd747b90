#include "model/EmojiTables.h"
#include "model/RbxEmoji.h"
#include "model/VirtualCharacters.h"

#include <gtest/gtest.h>

using namespace kx::str;

namespace {
QString cps(std::initializer_list<char32_t> list) {
    QString s;
    for (char32_t c : list) s += QString::fromUcs4(&c, 1);
    return s;
}
} // namespace

TEST(VirtualCharacters, flagsAreRegionalIndicatorPairsByArithmetic) {
    EXPECT_EQ(stringWithUTF32Character(0xA0000), cps({0x1F1E6, 0x1F1E6}));
    EXPECT_EQ(stringWithUTF32Character(0xA02A3), cps({0x1F1FF, 0x1F1FF}));
    EXPECT_EQ(stringWithUTF32Character(0xA0000 + 26 * 3 + 4), cps({0x1F1E9, 0x1F1EA})); // D E
    EXPECT_TRUE(isVirtualCharacter(0xA02A3));
    EXPECT_FALSE(isVirtualCharacter(0xA02A4));
    EXPECT_EQ(stringWithUTF32Character(0xA02A4), cps({0xA02A4}));
    EXPECT_EQ(stringWithUTF32Character(0xA02A4).size(), 2);
    EXPECT_EQ(RbxEmoji::nPartsOfVirtualCharacter(0xA0001), 2);
    EXPECT_EQ(RbxEmoji::partOfVirtualCharacter(2, 0xA0001), 0x1F1E7u);
    EXPECT_EQ(RbxEmoji::partOfVirtualCharacter(3, 0xA0001), 0u);
    EXPECT_EQ(UTF32Character(stringWithUTF32Character(0xA0010)), 0u);
}

TEST(VirtualCharacters, joinedRowsAndKeycaps) {
    EXPECT_EQ(stringWithUTF32Character(0xA0305), cps({0x1F441, 0xFE0F, 0x200D, 0x1F5E8, 0xFE0F}));
    EXPECT_EQ(RbxEmoji::nPartsOfVirtualCharacter(0xA0305), 5);
    EXPECT_EQ(RbxEmoji::partOfVirtualCharacter(1, 0xA0305), 0x1F441u);
    EXPECT_EQ(RbxEmoji::partOfVirtualCharacter(5, 0xA0305), 0xFE0Fu);
    EXPECT_EQ(RbxEmoji::partOfVirtualCharacter(6, 0xA0305), 0u);
    EXPECT_EQ(RbxEmoji::partOfVirtualCharacter(0, 0xA0305), 0u);
    EXPECT_EQ(stringWithUTF32Character(0xA03B6), cps({0x1F48F})); // a one-character row
    EXPECT_EQ(RbxEmoji::nPartsOfVirtualCharacter(0xA03C1), 7);
    EXPECT_EQ(stringWithUTF32Character(0xA03DE), cps({0x1F3F4, 0x200D, 0x2620, 0xFE0F}));
    EXPECT_FALSE(isVirtualCharacter(0xA03DF));

    EXPECT_EQ(stringWithUTF32Character(0xA1000), QStringLiteral("#\u20E3"));
    EXPECT_EQ(stringWithUTF32Character(0xA1001), QStringLiteral("*\u20E3"));
    EXPECT_EQ(stringWithUTF32Character(0xA1002), QStringLiteral("0\u20E3"));
    EXPECT_EQ(stringWithUTF32Character(0xA100B), QStringLiteral("9\u20E3"));
    EXPECT_FALSE(isVirtualCharacter(0xA100C));
    EXPECT_EQ(RbxEmoji::nPartsOfVirtualCharacter(0xA1003), 2);

    EXPECT_EQ(RbxEmoji::nPartsOfVirtualCharacter('A'), 1);
    EXPECT_EQ(RbxEmoji::partOfVirtualCharacter(1, 'A'), char32_t('A'));
    EXPECT_EQ(RbxEmoji::partOfVirtualCharacter(2, 'A'), 0u);
}

TEST(VirtualCharacters, partsAreAnsweredByValue) {
    const std::vector<char32_t> first = utf32CharactersForVirtualCharacter(0xA0000);
    const std::vector<char32_t> second = utf32CharactersForVirtualCharacter(0xA02A3);
    EXPECT_EQ(first, (std::vector<char32_t>{0x1F1E6, 0x1F1E6})); // not overwritten by the second call
    EXPECT_EQ(second, (std::vector<char32_t>{0x1F1FF, 0x1F1FF}));
    EXPECT_EQ(utf32CharactersForVirtualCharacter(0xA1002), (std::vector<char32_t>{0x30, 0x20E3}));
    EXPECT_TRUE(utf32CharactersForVirtualCharacter(0xB0000).empty());
    EXPECT_TRUE(utf32CharactersForVirtualCharacter('A').empty());
}

TEST(VirtualCharacters, ligatureValuesFollowTheListDefinedLast) {
    defineLigatures({QStringLiteral("fi"), QStringLiteral("fl"), QStringLiteral("ffi")});
    EXPECT_EQ(stringWithUTF32Character(0xB0001), QStringLiteral("fl"));
    EXPECT_EQ(stringWithUTF32Character(0xB0005), cps({0xB0005})); // beyond the list: its surrogate pair
    EXPECT_TRUE(isVirtualCharacter(0xB0005));
    QStringList mine{QStringLiteral("st")};
    defineLigatures(mine);
    mine[0] = QStringLiteral("changed");
    EXPECT_EQ(stringWithUTF32Character(0xB0000), QStringLiteral("st")); // a copy is kept
    EXPECT_EQ(definedLigatures(), QStringList{QStringLiteral("st")});
    defineLigatures({});
    EXPECT_EQ(stringWithUTF32Character(0xB0000), cps({0xB0000}));
}

TEST(VirtualCharacters, ordinaryValuesAndSingleCharacters) {
    EXPECT_EQ(stringWithUTF32Character(0).size(), 1);
    EXPECT_EQ(stringWithUTF32Character(0).at(0).unicode(), 0);
    EXPECT_EQ(stringWithUTF32Character('A'), QStringLiteral("A"));
    EXPECT_EQ(stringWithUTF32Character(0x1F600), cps({0x1F600}));
    EXPECT_EQ(stringWithUTF32Character(0x110000), QString(QChar(0xFFFD)));
    EXPECT_EQ(UTF32Character(QStringLiteral("A")), char32_t('A'));
    EXPECT_EQ(UTF32Character(cps({0x1F600})), 0x1F600u);
    EXPECT_EQ(UTF32Character(QStringLiteral("AB")), 0u);
    EXPECT_EQ(UTF32Character(QString()), 0u);
    EXPECT_EQ(UTF32Character(QStringLiteral("1\uFE0F\u20E3")), 0u);
}

TEST(VirtualCharacters, skinColoursAreInsertedReplacedAndRemoved) {
    const QString thumbs = cps({0x1F44D});
    const QString light = emojiStringWithSkinColor(thumbs, 2);
    EXPECT_EQ(light, cps({0x1F44D, 0x1F3FB}));
    EXPECT_EQ(emojiStringWithSkinColor(thumbs, 1), light);
    const QString medium = emojiStringWithSkinColor(light, 4);
    EXPECT_EQ(medium, cps({0x1F44D, 0x1F3FD}));
    EXPECT_EQ(emojiStringWithSkinColor(medium, 4), medium);
    EXPECT_EQ(emojiStringWithSkinColor(medium, 6), cps({0x1F44D, 0x1F3FF}));
    EXPECT_EQ(emojiStringWithSkinColor(medium, 0), thumbs);   // no colour: the modifier goes
    EXPECT_EQ(emojiStringWithSkinColor(thumbs, 7), thumbs);   // no colour and none present
    EXPECT_EQ(emojiStringWithSkinColor(QString(), 3), QString());
    // A BMP first character.
    EXPECT_EQ(emojiStringWithSkinColor(cps({0x261D, 0xFE0F}), 5), cps({0x261D, 0x1F3FE, 0xFE0F}));
    // After the first character of a joined sequence; its U+FE0F before U+200D goes.
    EXPECT_EQ(emojiStringWithSkinColor(stringWithUTF32Character(0xA035C), 3),
              cps({0x1F575, 0x1F3FC, 0x200D, 0x2642, 0xFE0F}));
    EXPECT_EQ(emojiStringWithSkinColor(stringWithUTF32Character(0xA032B), 2),
              cps({0x1F468, 0x1F3FB, 0x200D, 0x2695, 0xFE0F}));
    // A modifier at the very start is not one the search looks at.
    EXPECT_EQ(emojiStringWithSkinColor(cps({0x1F3FB}), 3), cps({0x1F3FB, 0x1F3FC}));
}

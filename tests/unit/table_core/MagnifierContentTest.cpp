// What the magnifier shows beside the big character, from the bundle's name list and the
// user's names.
#include "model/CharacterText.h"
#include "model/RbxCharacterName.h"
#include "table/core/RbxMagnifierContent.h"

#include <gtest/gtest.h>

TEST(MagnifierContent, NameKeywordsNotationAndCodePoints) {
    const RbxMagnifierContent e = magnifierContent(0xE9, nullptr, InsertMode::Plain, {});
    EXPECT_EQ(e.name, QStringLiteral("LATIN SMALL LETTER E WITH ACUTE"));
    EXPECT_FALSE(e.keywordsShown());
    EXPECT_TRUE(e.keywordsText.isEmpty());
    EXPECT_EQ(e.notationLabel, QStringLiteral("HTML:"));
    EXPECT_EQ(e.notationText, CharacterText::character(0xE9, InsertMode::HTML));
    EXPECT_EQ(e.codePointLabel, QStringLiteral("Code Point:"));
    EXPECT_EQ(e.codePointText, QStringLiteral("#233 [U+00E9]"));
    EXPECT_FALSE(e.notAvailable);

    // An emoji's keywords follow its name.
    const RbxMagnifierContent hand = magnifierContent(0x1F44B, nullptr, InsertMode::Plain, {});
    EXPECT_EQ(hand.name, QStringLiteral("WAVING HAND SIGN"));
    EXPECT_EQ(hand.keywordsLabel, QStringLiteral("Keywords:"));
    EXPECT_TRUE(hand.keywordsText.contains(QStringLiteral("wave"))) << hand.keywordsText.toStdString();

    // A character the list does not name: "--", and still its code point.
    const RbxMagnifierContent unnamed = magnifierContent(0x378, nullptr, InsertMode::Plain, {});
    EXPECT_EQ(unnamed.name, QStringLiteral("--"));
    EXPECT_EQ(unnamed.codePointText, QStringLiteral("#888 [U+0378]"));
    EXPECT_EQ(unnamed.codePointLabel, QStringLiteral("Code Point:"));
}

TEST(MagnifierContent, TheNotationFollowsTheInsertModeWhereItIsANotation) {
    auto notation = [](InsertMode m) {
        const RbxMagnifierContent c = magnifierContent(0xE9, nullptr, m, {});
        return c.notationLabel + u' ' + c.notationText;
    };
    EXPECT_EQ(notation(InsertMode::Swift), QStringLiteral("Swift: \\u{00e9}"));
    EXPECT_EQ(notation(InsertMode::Decimal), QStringLiteral("Decimal: 233"));
    EXPECT_EQ(notation(InsertMode::Hex), QStringLiteral("Hex: U+00E9"));
    const QString html = QStringLiteral("HTML: ") + CharacterText::character(0xE9, InsertMode::HTML);
    // The name and description modes, and every other one, show the HTML form.
    for (InsertMode m : {InsertMode::Name, InsertMode::Description, InsertMode::Formatted, InsertMode::Picture,
                         insertModeFromNumber(4), insertModeFromNumber(42)})
        EXPECT_EQ(notation(m), html) << insertModeNumber(m);
}

TEST(MagnifierContent, AUserDefinedNameComesBeforeTheKeywords) {
    ASSERT_TRUE(RbxCharacterName::setUserDefinedNameOfCharacter(0x1F44B, QStringLiteral("hello there")));
    const RbxMagnifierContent hand = magnifierContent(0x1F44B, nullptr, InsertMode::Plain, {});
    EXPECT_EQ(hand.keywordsLabel, QStringLiteral("Custom Name:"));
    EXPECT_EQ(hand.keywordsText, QStringLiteral("hello there"));
    ASSERT_TRUE(RbxCharacterName::setUserDefinedNameOfCharacter(0x1F44B, QString()));
    EXPECT_EQ(magnifierContent(0x1F44B, nullptr, InsertMode::Plain, {}).keywordsLabel, QStringLiteral("Keywords:"));
}

TEST(MagnifierContent, TheWarningShowsOnlyWhereTheFontTellsItLacksTheCharacter) {
    kx::CharSet latin = kx::CharSet::fromRange(0x20, 0x7E);
    EXPECT_TRUE(magnifierContent(0xE9, &latin, InsertMode::Plain, {}).notAvailable);
    EXPECT_FALSE(magnifierContent(U'A', &latin, InsertMode::Plain, {}).notAvailable);
    // No covered set: no warning; a ligature never has one.
    EXPECT_FALSE(magnifierContent(0xE9, nullptr, InsertMode::Plain, {}).notAvailable);
    EXPECT_FALSE(magnifierContent(0xB0003, &latin, InsertMode::Plain, {}).notAvailable);
    // The key caps are passed through as they are.
    const QStringList keys{QStringLiteral("´"), QStringLiteral("then"), QStringLiteral("E")};
    EXPECT_EQ(magnifierContent(0xE9, &latin, InsertMode::Plain, keys).keyCaps, keys);
}

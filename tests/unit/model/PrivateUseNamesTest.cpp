#include "FontFixtures.h"
#include "NameFixtures.h"

#include "core/Plist.h"
#include "model/RbxCharacterName.h"
#include "model/RbxFontList.h"
#include "model/RbxFontRepertoire.h"
#include "common/ScopedInstance.h"

#include <gtest/gtest.h>

namespace {

class PrivateUseNames : public ::testing::Test {
protected:
    PrivateUseNames() : fonts({QStringLiteral("RbxAlpha-Regular.ttf"), QStringLiteral("RbxBeta-Regular.ttf")}) {
        bundle.writeNames(namefix::record(65, 'A', "LATIN CAPITAL LETTER A"));
    }
    void selectFamily(const QString& name) {
        RbxFontList::fontList().selectFont(RbxFontList::fontList().familyNamed(name)->regularFont());
    }
    fixtures::FakeFonts fonts;
    namefix::ScratchBundle bundle;
    rbxtest::ScopedInstance<RbxFontList> list_;  // a fresh list over the fixture fonts
};

} // namespace

TEST_F(PrivateUseNames, FontDirectivesNameCharactersOnlyInTheirFamily) {
    bundle.write(QStringLiteral("Character Names/Alpha.txt"), "0 [FONT Rbx Alpha]\nE000 Alpha Logo\n");
    bundle.write(QStringLiteral("Character Names/General.txt"), "E001 General Private Name\n");
    selectFamily(QStringLiteral("Rbx Alpha"));
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(0xE000), QStringLiteral("Alpha Logo"));
    EXPECT_TRUE(RbxCharacterName::puaNamesOfCurrentFont());
    // A private-use character the family's list lacks falls back to the name list.
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(0xE001), QStringLiteral("General Private Name"));
    selectFamily(QStringLiteral("Rbx Beta"));
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(0xE000), QStringLiteral(""));
    EXPECT_FALSE(RbxCharacterName::puaNamesOfCurrentFont());
    // Not merged into the name list.
    EXPECT_FALSE(RbxCharacterName::rbxCharacterNameForCharacter(0xE000, *RbxCharacterName::allNames()));
}

TEST_F(PrivateUseNames, UserDefinedNamesOfPrivateUseCharactersBelongToTheFamily) {
    selectFamily(QStringLiteral("Rbx Alpha"));
    EXPECT_EQ(RbxCharacterName::userDefinedGroupForCharacter(0xE000), QStringLiteral("Rbx Alpha"));
    EXPECT_EQ(RbxCharacterName::userDefinedGroupForCharacter(0x41), QStringLiteral("(General)"));
    EXPECT_TRUE(RbxCharacterName::setUserDefinedNameOfCharacter(0xE000, QStringLiteral("my logo")));
    EXPECT_TRUE(RbxCharacterName::setUserDefinedNameOfCharacter(0x41, QStringLiteral("first")));
    EXPECT_EQ(RbxCharacterName::fullNameOfCharacter(0xE000), QStringLiteral("my logo"));
    EXPECT_TRUE(QFileInfo::exists(RbxCharacterName::customNamesFolder() + QStringLiteral("/Rbx Alpha.plist")));
    EXPECT_EQ(RbxCharacterName::characterSetWithCustomNames().numberOfCharacters(), 2u);
    EXPECT_EQ(RbxCharacterName::userDefinedNamesSummary(), QStringLiteral("(General): 1\nRbx Alpha: 1\n"));

    selectFamily(QStringLiteral("Rbx Beta"));
    EXPECT_TRUE(RbxCharacterName::userDefinedNameOfCharacter(0xE000).isEmpty());
    EXPECT_EQ(RbxCharacterName::characterSetWithCustomNames().numberOfCharacters(), 1u);
    EXPECT_TRUE(RbxCharacterName::characterSetWithCustomNamesMatchingFilter(QStringLiteral("++logo")).isEmpty());
    selectFamily(QStringLiteral("Rbx Alpha"));
    EXPECT_TRUE(RbxCharacterName::characterSetWithCustomNamesMatchingFilter(QStringLiteral("++logo")).contains(0xE000));
}

TEST_F(PrivateUseNames, WithoutASelectionInTheFontListThePalettesFontCounts) {
    bundle.write(QStringLiteral("Character Names/Alpha.txt"), "0 [FONT Rbx Alpha]\nE000 Alpha Logo\n");
    RbxCharSetRepertoire palette(kx::CharSet::fromRange(0xE000, 0xE0FF), {}, QStringLiteral("Rbx Alpha Regular"),
                                 QStringLiteral("Rbx Alpha"));
    bundle.palette.font = &palette;
    EXPECT_EQ(RbxCharacterName::userDefinedGroupForCharacter(0xE000), QStringLiteral("Rbx Alpha"));
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(0xE000), QStringLiteral("Alpha Logo"));
    EXPECT_TRUE(RbxCharacterName::setUserDefinedNameOfCharacter(0xE000, QStringLiteral("my logo")));
    EXPECT_EQ(RbxCharacterName::fullNameOfCharacter(0xE000), QStringLiteral("my logo; Alpha Logo"));
    // A palette without a usable font names no family.
    palette.setHasFont(false);
    EXPECT_EQ(RbxCharacterName::userDefinedGroupForCharacter(0xE000), QString());
    EXPECT_FALSE(RbxCharacterName::setUserDefinedNameOfCharacter(0xE001, QStringLiteral("refused")));
    palette.setHasFont(true);
    // The font list's selection comes first.
    selectFamily(QStringLiteral("Rbx Beta"));
    EXPECT_EQ(RbxCharacterName::userDefinedGroupForCharacter(0xE000), QStringLiteral("Rbx Beta"));
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(0xE000), QStringLiteral(""));
    bundle.palette.font = nullptr;
}

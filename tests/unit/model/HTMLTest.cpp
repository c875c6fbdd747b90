#include "NameFixtures.h"

#include "model/CharacterText.h"
#include "model/RbxHTML.h"
#include "model/VirtualCharacters.h"

#include <gtest/gtest.h>

namespace {

class HTMLForms : public ::testing::Test {
protected:
    HTMLForms() : defaults(*fresh) { RbxHTML::resetForTesting(); }
    ~HTMLForms() override {
        kx::str::defineLigatures({});
        RbxHTML::resetForTesting();
    }
    void set(bool entities, bool hex) {
        defaults.setBool(entities, QStringLiteral("htmlEntities"));
        defaults.setBool(hex, QStringLiteral("hexHtml"));
    }
    namefix::FreshDefaults fresh;
    RbxDefaults& defaults;
};

const char32_t KeycapOne = 0xA1003;

} // namespace

TEST_F(HTMLForms, EntitiesWhenWantedAndKnown) {
    set(true, false);
    EXPECT_EQ(CharacterText::htmlStringForCharacter(0xE9), QStringLiteral("&eacute;"));
    EXPECT_EQ(CharacterText::htmlStringForCharacter(u'<'), QStringLiteral("&lt;"));
    EXPECT_EQ(CharacterText::htmlStringForCharacter(u'&'), QStringLiteral("&amp;"));
    EXPECT_EQ(RbxHTML::htmlEntityForCharacter(0xA0), QStringLiteral("&nbsp;"));
    EXPECT_TRUE(RbxHTML::htmlEntityForCharacter(u'A').isNull());
    EXPECT_EQ(CharacterText::htmlStringForCharacter(0x1F600), QStringLiteral("&#128512;"));

    set(false, false);
    EXPECT_TRUE(RbxHTML::htmlEntityForCharacter(0xE9).isNull());
    EXPECT_EQ(CharacterText::htmlStringForCharacter(0xE9), QStringLiteral("&#233;"));
    EXPECT_EQ(CharacterText::htmlStringForCharacter(u'<'), QStringLiteral("&#60;"));
}

TEST_F(HTMLForms, NumericReferencesDecimalOrHexadecimal) {
    set(false, true);
    EXPECT_EQ(CharacterText::htmlStringForCharacter(0xE9), QStringLiteral("&#xe9;"));
    EXPECT_EQ(CharacterText::htmlStringForCharacter(0x1F600), QStringLiteral("&#x1f600;"));
    EXPECT_EQ(CharacterText::htmlStringForCharacter(0x9), QStringLiteral("&#x09;"));
    EXPECT_EQ(CharacterText::htmlStringForCharacter(u'"'), QStringLiteral("&#x22;"));
    EXPECT_EQ(CharacterText::htmlStringForCharacter(0x7F), QStringLiteral("&#x7f;"));

    // Printable ASCII stands for itself unless basic characters are not allowed.
    EXPECT_EQ(CharacterText::htmlStringForCharacter(u'A'), QStringLiteral("A"));
    EXPECT_EQ(CharacterText::htmlStringForCharacter(u'A', false), QStringLiteral("&#x41;"));
    set(false, false);
    EXPECT_EQ(CharacterText::htmlStringForCharacter(u'A', false), QStringLiteral("&#65;"));
    EXPECT_EQ(CharacterText::htmlStringForCharacter(u' '), QStringLiteral(" "));
    EXPECT_EQ(CharacterText::htmlStringForCharacter(u'~'), QStringLiteral("~"));
}

TEST_F(HTMLForms, VirtualCharactersPartByPart) {
    set(true, false);
    EXPECT_EQ(CharacterText::htmlStringForCharacter(KeycapOne), QStringLiteral("1&#8419;"));
    set(false, true);
    EXPECT_EQ(CharacterText::htmlStringForCharacter(KeycapOne), QStringLiteral("1&#x20e3;"));
    // The flag of D and E.
    EXPECT_EQ(CharacterText::htmlStringForCharacter(0xA0000 + 3 * 26 + 4), QStringLiteral("&#x1f1e9;&#x1f1ea;"));
    EXPECT_EQ(CharacterText::htmlStringForCharacter(0xA0300 + 0x3B6 - 0x300), QStringLiteral("&#x1f48f;"));
}

TEST_F(HTMLForms, LigaturesThroughTheirText) {
    set(false, false);
    kx::str::defineLigatures({QStringLiteral("fi"), QString::fromUtf8("é<")});
    EXPECT_EQ(CharacterText::htmlStringForCharacter(0xB0000), QStringLiteral("fi"));
    EXPECT_EQ(CharacterText::htmlStringForCharacter(0xB0001, false), QStringLiteral("&#233;&#60;"));
    // Beyond the defined ligatures the value stands for itself.
    EXPECT_EQ(CharacterText::htmlStringForCharacter(0xB0005), QStringLiteral("&#720901;"));
}

TEST_F(HTMLForms, StringsCodePointByCodePoint) {
    set(true, false);
    EXPECT_EQ(CharacterText::htmlStringForString(QString::fromUtf8("Café <😀> & co")),
              QStringLiteral("Caf&eacute; &lt;&#128512;&gt; &amp; co"));
    EXPECT_EQ(CharacterText::htmlStringForString(QString()), QStringLiteral(""));
}

TEST_F(HTMLForms, WithoutTheEntityFileNoEntityIsFound) {
    namefix::ScratchBundle bundle;  // holds no HTML.plist
    set(true, false);
    EXPECT_EQ(CharacterText::htmlStringForCharacter(0xE9), QStringLiteral("&#233;"));
    // Once the file is there, the next request finds it.
    QFile::copy(QStringLiteral(RUNEBOX_SOURCE_RESOURCES "/HTML.plist"), bundle.path(QStringLiteral("HTML.plist")));
    EXPECT_EQ(CharacterText::htmlStringForCharacter(0xE9), QStringLiteral("&eacute;"));
}

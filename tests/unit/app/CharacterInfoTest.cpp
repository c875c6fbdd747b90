// The character information sheet of an assembled palette: what it shows of a character,
// how the user's own name for it is stored, and what Cancel leaves alone.
#include "PaletteFixture.h"

#include "app/CharacterInfoSheet.h"
#include "app/CharacterInfoText.h"
#include "app/InfoFontListDataSource.h"
#include "app/PaletteSheets.h"
#include "app/PaletteTable.h"
#include "table/widgets/RbxCharView.h"
#include "model/RbxCharacterName.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QString field(const CharacterInfoSheet& sheet, const char* name) {
    const auto* label = sheet.findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<none>");
}

class CharacterInfo : public Palette {
protected:
    CharacterInfoSheet& sheet() { return palette->sheets().characterInfo(); }
    // Opens the sheet as the table's command does, and waits for it to be attached.
    void open(char32_t ch) {
        palette->table().view()->controller().showInfoForCharacter(ch);
        ASSERT_TRUE(rbxtest::waitFor([&] { return c->sheets().attachedSheet() == &sheet(); }, 3000));
    }
    void TearDown() override {
        for (const char32_t ch : {U'é', U'\uE000'}) RbxCharacterName::setUserDefinedNameOfCharacter(ch, QString());
        Palette::TearDown();
    }
};

} // namespace

TEST(CharacterInfoText, EncodingsAndCodePointsOfOrdinaryVirtualAndLigatureCharacters) {
    EXPECT_EQ(charinfo::utf8(QStringLiteral("é")), QStringLiteral("C3 A9"));
    EXPECT_EQ(charinfo::utf16(QStringLiteral("é")), QStringLiteral("00E9"));
    EXPECT_EQ(charinfo::utf32(QStringLiteral("é")), QStringLiteral("0000 00E9"));
    const QString smile = QString::fromUcs4(U"\U0001F600", 1);
    EXPECT_EQ(charinfo::utf8(smile), QStringLiteral("F0 9F 98 80"));
    EXPECT_EQ(charinfo::utf16(smile), QStringLiteral("D83D DE00"));
    EXPECT_EQ(charinfo::utf32(smile), QStringLiteral("0001 F600"));

    const charinfo::CodePoints e = charinfo::codePoints(U'é');
    EXPECT_EQ(e.text, QStringLiteral("#233 [U+00E9]"));
    EXPECT_EQ(e.label, QStringLiteral("Code Point:"));
    EXPECT_EQ(charinfo::codePoints(0xB0010).text, QStringLiteral("N/A"));
    EXPECT_EQ(charinfo::fontText(QStringLiteral("DejaVu Sans"), QStringLiteral("DejaVuSans")),
              QStringLiteral("DejaVu Sans (DejaVuSans)"));
    EXPECT_EQ(charinfo::fontText(QStringLiteral("Same"), QStringLiteral("Same")), QStringLiteral("Same"));
    EXPECT_EQ(charinfo::fontText(QStringLiteral("Only"), QString()), QStringLiteral("Only"));
}

TEST(CharacterInfoText, ATypedNameIsStoredWithSingleBlanksAndNoneAtTheEnds) {
    EXPECT_EQ(charinfo::trimmedCustomName(QStringLiteral("  my\tfine  letter ")), QStringLiteral("my fine letter"));
    // A line break at the end leaves no blank behind, nor do wide blanks inside.
    EXPECT_EQ(charinfo::trimmedCustomName(QStringLiteral("abc\n")), QStringLiteral("abc"));
    EXPECT_EQ(charinfo::trimmedCustomName(QStringLiteral("abc\u2003\n")), QStringLiteral("abc"));
    EXPECT_EQ(charinfo::trimmedCustomName(QStringLiteral("a\r\n\u00A0b")), QStringLiteral("a b"));
    EXPECT_EQ(charinfo::trimmedCustomName(QStringLiteral(" \t ")), QString());
}

TEST(CharacterInfoText, TheCountLineNamesAPrivateUseCharacterByItsCodePoint) {
    EXPECT_EQ(charinfo::countLine(U'é', QStringLiteral("é"), 3, 40),
              QStringLiteral("The character \"é\" is available in 3 of 40 font families:"));
    EXPECT_EQ(charinfo::countLine(0xE000, QString(QChar(0xE000)), 0, 40),
              QStringLiteral("The character #57344 [U+E000] is available in 0 of 40 font families:"));
}

TEST_F(CharacterInfo, ShowsTheCharacterInThePalettesFontWithTheFamiliesContainingIt) {
    const rbx::Font font = c->selectedFont();
    ASSERT_TRUE(font);
    open(U'é');
    EXPECT_EQ(field(sheet(), "infoCodePointField"), QStringLiteral("#233 [U+00E9]"));
    EXPECT_EQ(field(sheet(), "infoCodePointLabel"), QStringLiteral("Code Point:"));
    EXPECT_EQ(field(sheet(), "infoUTF8Field"), QStringLiteral("C3 A9"));
    EXPECT_EQ(field(sheet(), "infoUTF32Field"), QStringLiteral("0000 00E9"));
    EXPECT_EQ(field(sheet(), "infoHtmlField"), QStringLiteral("&eacute;"));
    EXPECT_EQ(field(sheet(), "infoDefaultCharNameField"), QStringLiteral("LATIN SMALL LETTER E WITH ACUTE"));
    EXPECT_TRUE(field(sheet(), "infoFontNameField").startsWith(font.displayName()));

    const InfoFontListDataSource& list = sheet().dataSource();
    ASSERT_GT(list.fontCount(), 0);
    EXPECT_TRUE(list.listOfFontFamilies().endsWith(u'\n'));
    EXPECT_EQ(list.listOfFontFamilies().count(u'\n'), list.fontCount());
    EXPECT_TRUE(field(sheet(), "infoFontCountField").contains(QStringLiteral(" %1 of ").arg(list.fontCount())));
    // The first family is chosen: its font shows the character, and the palette can switch to it.
    EXPECT_TRUE(sheet().findChild<QPushButton*>(QStringLiteral("infoSwitchToFontButton"))->isEnabled());
    EXPECT_TRUE(list.firstFont()->covers(U'é'));
    // No family holds an unassigned code point: an empty list and nothing to switch to.
    sheet().cancelCharacterInfo();
    open(0x0378);
    EXPECT_EQ(sheet().dataSource().fontCount(), 0);
    EXPECT_FALSE(sheet().findChild<QPushButton*>(QStringLiteral("infoSwitchToFontButton"))->isEnabled());
    EXPECT_EQ(field(sheet(), "infoDefaultCharNameField"), QStringLiteral("--"));
}

TEST_F(CharacterInfo, ConfirmingStoresTheTrimmedNameAndCancellingStoresNothing) {
    open(U'é');
    sheet().customNameField()->setText(QStringLiteral("  my\tfavourite  e\n"));
    sheet().cancelCharacterInfo();
    EXPECT_EQ(RbxCharacterName::userDefinedNameOfCharacter(U'é'), QString());
    EXPECT_FALSE(c->hasSheet());

    open(U'é');
    sheet().customNameField()->setText(QStringLiteral("  my\tfavourite  e\n"));
    sheet().confirmCharacterInfo();
    EXPECT_EQ(RbxCharacterName::userDefinedNameOfCharacter(U'é'), QStringLiteral("my favourite e"));
    // The name is found among the names the search looks at.
    EXPECT_TRUE(RbxCharacterName::characterSetWithCustomNames().contains(U'é'));

    // Shown again on the next opening; blanks only remove it.
    open(U'é');
    EXPECT_EQ(sheet().customNameField()->text(), QStringLiteral("my favourite e"));
    sheet().customNameField()->setText(QStringLiteral("   "));
    sheet().confirmCharacterInfo();
    EXPECT_EQ(RbxCharacterName::userDefinedNameOfCharacter(U'é'), QString());
}

TEST_F(CharacterInfo, APrivateUseNameWarnsThatItBelongsToTheFamily) {
    open(0xE000);
    const auto* warning = sheet().findChild<QLabel*>(QStringLiteral("infoPuaWarningField"));
    EXPECT_FALSE(warning->isVisibleTo(&sheet()));
    sheet().customNameField()->setText(QStringLiteral("logo"));
    EXPECT_TRUE(warning->isVisibleTo(&sheet()));
    EXPECT_TRUE(warning->text().contains(c->selectedFont().familyName())) << warning->text().toStdString();
    sheet().customNameField()->setText(QStringLiteral(" "));
    EXPECT_FALSE(warning->isVisibleTo(&sheet()));
    EXPECT_TRUE(field(sheet(), "infoFontCountField").contains(QStringLiteral("[U+E000]")));
}

TEST_F(CharacterInfo, OpeningIsRefusedWhileAnotherSheetIsAttached) {
    QDialog other(c->window());
    c->sheets().beginSheet(&other, QStringLiteral("other"), nullptr);
    ASSERT_TRUE(rbxtest::waitFor([&] { return c->hasSheet(); }, 3000));
    palette->table().view()->controller().showInfoForCharacter(U'é');
    QCoreApplication::processEvents();
    EXPECT_EQ(c->sheets().attachedSheetName(), QStringLiteral("other"));
    c->sheets().endSheet(0);
}

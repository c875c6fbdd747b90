// The character information sheet of the real runebox program, as a user reaches it: a
// right click on a character offers "Character Info..." (Ctrl+I over it opens it too), the
// sheet shows the character's forms, and a name typed into it is what a search finds
// afterwards; Cancel keeps nothing.
// Its buttons copy, mark and switch to the font families that hold the character.
#include "ProbeClient.h"
#include "SheetDriving.h"

#include <gtest/gtest.h>

namespace {

using namespace x11test;

const QPoint awayFromThePalette(1100, 80);

} // namespace

TEST(CharacterInfoSheet, ANameTypedIntoTheSheetIsFoundBySearchAndCancelKeepsNone) {
    ProbeClient probe({QStringLiteral("--no-clipboard-utility")});
    ASSERT_TRUE(probe.started());
    ASSERT_TRUE(probe.waitForKeyboardFocus());
    pointTo(awayFromThePalette);
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    ASSERT_TRUE(x11test::search(QStringLiteral("acute"))) << copy.output().toStdString();
    ASSERT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'é').isEmpty(); }, 15000)) << copy.output().toStdString();

    // Cancel first: what was typed is dropped.
    ASSERT_TRUE(chooseFromContextMenu(U'é', QStringLiteral("Character Info"))) << copy.output().toStdString();
    ASSERT_TRUE(waitForSheet(QStringLiteral("characterInfo"))) << copy.output().toStdString();
    QVariantMap fields = sheetFields();
    EXPECT_EQ(fields.value(QStringLiteral("infoCodePointField")).toString(), QStringLiteral("#233 [U+00E9]"));
    EXPECT_EQ(fields.value(QStringLiteral("infoUTF8Field")).toString(), QStringLiteral("C3 A9"));
    EXPECT_EQ(fields.value(QStringLiteral("infoUTF16Field")).toString(), QStringLiteral("00E9"));
    EXPECT_EQ(fields.value(QStringLiteral("infoDefaultCharNameField")).toString(),
              QStringLiteral("LATIN SMALL LETTER E WITH ACUTE"));
    ASSERT_TRUE(focusControl(QStringLiteral("infoCustomCharNameField"))) << copy.output().toStdString();
    typeText(QStringLiteral("quokka"));
    EXPECT_TRUE(rbxtest::waitFor([] {
        return sheetFields().value(QStringLiteral("infoCustomCharNameField")).toString() == QLatin1String("quokka");
    }, 10000)) << copy.output().toStdString();
    ASSERT_TRUE(clickControl(QStringLiteral("infoCancelButton")));
    ASSERT_TRUE(waitForSheet(QString()));

    // Then opened with Ctrl+I over the character, as the menu says (also while the search
    // field has the keys, as after typing a search), and confirmed: the name is stored,
    // with its blanks tidied.
    ASSERT_TRUE(focusControl(QStringLiteral("searchField")));
    ASSERT_TRUE(Copy::pointAtCharacter(U'é'));
    pressKey(QStringLiteral("ctrl+i"));
    ASSERT_TRUE(waitForSheet(QStringLiteral("characterInfo"))) << copy.output().toStdString();
    EXPECT_EQ(sheetFields().value(QStringLiteral("infoCustomCharNameField")).toString(), QString());
    ASSERT_TRUE(focusControl(QStringLiteral("infoCustomCharNameField"))) << copy.output().toStdString();
    typeText(QStringLiteral("  zebra  glyph "));
    ASSERT_TRUE(rbxtest::waitFor([] {
        return sheetFields().value(QStringLiteral("infoCustomCharNameField")).toString().contains(QLatin1String("glyph "));
    }, 10000));
    screenshot(QStringLiteral("character-info"));
    ASSERT_TRUE(clickControl(QStringLiteral("infoOKButton")));
    ASSERT_TRUE(waitForSheet(QString()));

    ASSERT_TRUE(x11test::search(QStringLiteral("quokka")));
    EXPECT_TRUE(Copy::cellOf(U'é').isEmpty());
    ASSERT_EQ(url(QStringLiteral("runebox://set?search=zebra%20glyph")), 0);
    EXPECT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'é').isEmpty(); }, 15000)) << copy.output().toStdString();
    EXPECT_LT(Copy::state().value(QStringLiteral("count")).toULongLong(), 5u);

    // The sheet's buttons: the families holding the character go to the clipboard and
    // are marked in the palette's font list, and the first of them becomes its font.
    ASSERT_TRUE(chooseFromContextMenu(U'é', QStringLiteral("Character Info")));
    ASSERT_TRUE(waitForSheet(QStringLiteral("characterInfo")));
    ASSERT_TRUE(clickControl(QStringLiteral("infoCopyFontListButton")));
    QStringList families;
    ASSERT_TRUE(rbxtest::waitFor([&] {
        families = clipboardText().split(u'\n', Qt::SkipEmptyParts);
        return families.size() > 1;
    }, 10000)) << clipboardText().toStdString();
    EXPECT_TRUE(families.contains(QStringLiteral("DejaVu Sans"))) << families.join(u',').toStdString();
    ASSERT_TRUE(clickControl(QStringLiteral("infoMarkFontsButton")));
    EXPECT_TRUE(Copy::waitForState([&](const QVariantMap& s) {
        const QStringList marked = s.value(QStringLiteral("markedFamilies")).toStringList();
        return marked.contains(QStringLiteral("DejaVu Sans")) && marked.size() <= families.size();
    })) << Copy::state().value(QStringLiteral("markedFamilies")).toStringList().join(u',').toStdString();
    ASSERT_NE(Copy::state().value(QStringLiteral("fontFamily")).toString(), families.first());
    ASSERT_TRUE(clickControl(QStringLiteral("infoSwitchToFontButton")));
    EXPECT_TRUE(Copy::waitForState([&](const QVariantMap& s) { return s.value(QStringLiteral("fontFamily")) == families.first(); }))
        << Copy::state().value(QStringLiteral("fontFamily")).toString().toStdString();
    ASSERT_TRUE(clickControl(QStringLiteral("infoOKButton")));
    ASSERT_TRUE(waitForSheet(QString()));
}

// The palette's character table: the start font in the selected layout, the search as
// its filter, and the adapters that let the layers meet.
#include "PaletteFixture.h"

#include "app/ModelBridges.h"
#include "model/RbxFontInfoRepertoire.h"
#include "app/PaletteContent.h"
#include "app/PaletteTable.h"
#include "model/KXCharGlyphMap.h"
#include "model/RbxEmoji.h"
#include "model/RbxFontList.h"
#include "model/RbxFontInfo.h"
#include "platform/fonts/FontBackend.h"
#include "model/CharacterText.h"
#include "table/widgets/RbxCharView.h"

#include <QLabel>
#include <QLineEdit>

namespace {

RbxCharView* viewOf(RbxCharWindowController& c) { return c.table().view(); }

TEST_F(Palette, ShowsTheStartFontInTheSelectedLayout) {
    const rbx::Font font = c->selectedFont();
    ASSERT_TRUE(font);
    EXPECT_EQ(viewOf(*c)->fontName(), font.postScriptName());
    EXPECT_EQ(c->table().layoutName(), store->stringForKey(rbx::key::layout));
    EXPECT_FALSE(viewOf(*c)->groups().empty());
    EXPECT_GT(viewOf(*c)->table().totalCount(), 100u);
    EXPECT_TRUE(c->charView() == viewOf(*c));
    EXPECT_TRUE(c->content().currentFontLabel()->text().startsWith(font.displayName() + QStringLiteral(" (")));
    // Every character shown is one the font has (ligature and sequence values aside).
    const kx::CharSet& covered = font->coveredCharacters();
    std::size_t foreign = 0;
    for (std::size_t i = 0; i < viewOf(*c)->table().totalCount(); ++i) {
        const char32_t ch = viewOf(*c)->characterAtIndex(i);
        if (ch < 0xA0000 && !covered.contains(ch)) ++foreign;
    }
    EXPECT_EQ(foreign, 0u);
}

TEST_F(Palette, TheSettingsChooseTheStartFontAndTheLayout) {
    QString other;
    for (const rbx::FaceInfo& f : rbx::FontBackend::shared().faces())
        // A family linked with a layout of its own (emoji) would choose that layout.
        if (f.postScriptName != c->selectedFont().postScriptName() && f.postScriptName.startsWith(QLatin1String("Noto")) &&
            store->layoutForFontFamily(f.family).isEmpty()) {
            other = f.postScriptName;
            break;
        }
    ASSERT_FALSE(other.isEmpty());
    store->setString(other, QStringLiteral("selectedFont"));
    store->setString(QStringLiteral("Scripts and Symbols"), QStringLiteral("layout"));
    make();
    EXPECT_EQ(c->selectedFont().postScriptName(), other);
    EXPECT_EQ(c->table().layoutName(), QStringLiteral("Scripts and Symbols"));

    // A font that is not installed falls back to one that is.
    store->setString(QStringLiteral("NoSuchFont-Regular"), QStringLiteral("selectedFont"));
    make();
    EXPECT_TRUE(c->selectedFont());
    EXPECT_NE(c->selectedFont().postScriptName(), QStringLiteral("NoSuchFont-Regular"));
}

TEST_F(Palette, OpeningSelectsTheFontTheSettingsGiveTheFrontApplication) {
    store->setString(QStringLiteral("DejaVuSans"), QStringLiteral("selectedFont"));
    make();
    if (c->selectedFont().postScriptName() != QStringLiteral("DejaVuSans")) GTEST_SKIP() << "DejaVu Sans is not installed";
    store->setBool(true, QStringLiteral("useUniversalFont"));
    store->setString(QStringLiteral("DejaVuSerif"), QStringLiteral("universalFont"));
    c->openWindow(c);
    EXPECT_EQ(c->selectedFont().postScriptName(), QStringLiteral("DejaVuSerif"));
    EXPECT_EQ(c->table().repertoire()->fontFamilyName(), QStringLiteral("DejaVu Serif"));

    // One that is not installed leaves a font that is.
    c->close();
    store->setString(QStringLiteral("NoSuchFont-Regular"), QStringLiteral("universalFont"));
    c->openWindow(c);
    EXPECT_TRUE(c->selectedFont());
    EXPECT_NE(c->selectedFont().postScriptName(), QStringLiteral("NoSuchFont-Regular"));
}

TEST_F(Palette, TheSearchNarrowsTheTableAndEscapeWidensItAgain) {
    const std::size_t all = viewOf(*c)->table().totalCount();
    c->setModeViaURL(QUrl(QStringLiteral("runebox://set?search=latin%20capital%20letter%20b")));
    const std::size_t found = viewOf(*c)->table().totalCount();
    EXPECT_GT(found, 0u);
    EXPECT_LT(found, all / 10);
    EXPECT_NE(viewOf(*c)->indexOfCharacter(U'B'), kx::NotFound);
    EXPECT_EQ(viewOf(*c)->indexOfCharacter(U'a'), kx::NotFound);
    EXPECT_TRUE(c->closeWithESC());
    EXPECT_EQ(c->searchField()->text(), QString());
    EXPECT_EQ(viewOf(*c)->table().totalCount(), all);
}

TEST(ModelBridges, CharacterTextsAndVirtualCharacters) {
    bridges::install();
    EXPECT_TRUE(CharacterText::fullNameOfCharacter(U'A').contains(QStringLiteral("LATIN CAPITAL LETTER A"))) << CharacterText::fullNameOfCharacter(U'A').toStdString();
    // The ampersand as a character reference, never as itself.
    const QString amp = CharacterText::character(U'&', InsertMode::HTML);
    EXPECT_TRUE(amp == QStringLiteral("&amp;") || amp == QStringLiteral("&#38;")) << amp.toStdString();

    const char32_t flag = RbxEmoji::virtualEmojiCharacterForString(QStringLiteral("\U0001F1E9\U0001F1EA"));
    ASSERT_NE(flag, 0u);
    const RbxVirtualCharacters& v = CharacterText::virtualCharacters();
    EXPECT_TRUE(v.isVirtualCharacter(flag));
    EXPECT_EQ(v.numberOfParts(flag), 2);
    EXPECT_EQ(v.part(1, flag), char32_t(0x1F1E9));
    EXPECT_EQ(v.part(2, flag), char32_t(0x1F1EA));
    EXPECT_EQ(v.stringWithUTF32Character(flag), QStringLiteral("\U0001F1E9\U0001F1EA"));
    EXPECT_EQ(CharacterText::hexRepresentation(flag), QStringLiteral("U+1F1E9, U+1F1EA"));
    EXPECT_FALSE(v.isVirtualCharacter(U'A'));
    EXPECT_EQ(v.numberOfParts(U'A'), 1);
    EXPECT_EQ(v.part(1, U'A'), char32_t(U'A'));
    EXPECT_EQ(v.part(2, U'A'), 0u);
}

TEST(ModelBridges, GlyphMapsLeaveOutUnassignedCodePoints) {
    bridges::install();
    // U+0378 and U+2FFFF are unassigned, U+E000 and U+F0000 private use, U+0009 a control.
    const KXCharGlyphMap map(QStringLiteral("Test"), {{U'A', 1}, {0x0378, 2}, {0xE000, 3}, {0x0009, 4},
                                                      {0xF0000, 5}, {0x2FFFF, 6}, {0xFDD0, 7}, {0x1F600, 8}});
    EXPECT_EQ(map.glyphForCharacter(U'A'), 1u);
    EXPECT_EQ(map.glyphForCharacter(0x0378), 0u);
    EXPECT_EQ(map.glyphForCharacter(0xE000), 3u);
    EXPECT_EQ(map.glyphForCharacter(0x0009), 4u);
    EXPECT_EQ(map.glyphForCharacter(0xF0000), 5u);
    EXPECT_EQ(map.glyphForCharacter(0x2FFFF), 0u);
    EXPECT_EQ(map.glyphForCharacter(0xFDD0), 0u);
    EXPECT_EQ(map.glyphForCharacter(0x1F600), 8u);
    EXPECT_EQ(map.nCharacters(), 5);

    // Without the list of defined characters nothing but the noncharacters is left out.
    EXPECT_FALSE(RbxFontList::assignedCodePoints(kx::CharSet()).has_value());
}

TEST(ModelBridges, FontRepertoires) {
    const rbx::Font font = rbx::FontBackend::shared().font(QStringLiteral("DejaVuSans"), 12);
    ASSERT_TRUE(font);
    RbxFontInfoRepertoire repertoire(RbxFontInfo::fontInfoWithFont(font));
    EXPECT_TRUE(repertoire.hasFont());
    EXPECT_EQ(repertoire.fontFamilyName(), QStringLiteral("DejaVu Sans"));
    EXPECT_TRUE(repertoire.availableCharacters().contains(U'A'));
    EXPECT_TRUE(repertoire.coveredCharacters().contains(U'A'));
    EXPECT_NE(repertoire.planeBitmap(0), nullptr);
    EXPECT_EQ(repertoire.planeBitmap(5), nullptr);

    RbxFontInfoRepertoire none(nullptr);
    EXPECT_FALSE(none.hasFont());
    EXPECT_TRUE(none.availableCharacters().isEmpty());
    EXPECT_TRUE(none.ligatureStrings().isEmpty());
    EXPECT_EQ(none.unicodeForRoman(65), 0u);
}

} // namespace

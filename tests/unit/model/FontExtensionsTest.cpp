#include "common/ScopedInstance.h"
#include "FontFixtures.h"
#include "core/Log.h"
#include "model/FontExtensions.h"
#include "platform/fonts/FontBackend.h"

#include <gtest/gtest.h>

namespace font = rbx::font;

TEST(FontLookup, findsFontsByPostScriptNameOrFamilyLikePrefix) {
    fixtures::FakeFonts fonts;
    const rbx::Font alpha = font::availableFontWithName(QStringLiteral("RbxAlpha-Regular"), 14);
    ASSERT_TRUE(alpha);
    EXPECT_EQ(alpha.pointSize(), 14.0);
    EXPECT_EQ(font::postScriptName(alpha), QStringLiteral("RbxAlpha-Regular"));
    // No PostScript name, but the prefix of one.
    const rbx::Font family = font::availableFontWithName(QStringLiteral("RbxAlpha"), 0);
    ASSERT_TRUE(family);
    EXPECT_EQ(family.postScriptName(), QStringLiteral("RbxAlpha-Regular"));
    EXPECT_EQ(family.pointSize(), 12.0);
    // Not available, with a "-": nothing, even though a family matches.
    EXPECT_FALSE(font::availableFontWithName(QStringLiteral("RbxAlpha-Bold"), 12));
    // A prefix must be followed by "-".
    EXPECT_FALSE(font::availableFontWithName(QStringLiteral("RbxAlph"), 12));
    EXPECT_FALSE(font::availableFontWithName(QString(), 12));
    EXPECT_FALSE(font::tryFindingFontWithName(QStringLiteral("Nothing"), -3));
    EXPECT_EQ(font::tryFindingFontWithName(QStringLiteral("RbxBeta-Regular"), -3).pointSize(), 12.0);
    EXPECT_EQ(font::fontWithPointSize(alpha, 0).pointSize(), 12.0);
    EXPECT_EQ(font::fontWithPointSize(alpha, 30).pointSize(), 30.0);
    EXPECT_EQ(font::fontWithContextualAlternates(alpha, false), alpha);
    EXPECT_EQ(font::postScriptName(rbx::Font()), QStringLiteral(""));
}

TEST(FontLookup, theAvailableSetFollowsTheGeneration) {
    fixtures::FakeFonts fonts({QStringLiteral("RbxAlpha-Regular.ttf")});
    EXPECT_EQ(font::availableFontSet(), QSet<QString>{QStringLiteral("RbxAlpha-Regular")});
    fonts.backend->addFontFile(fixtures::path(QStringLiteral("RbxBeta-Regular.ttf")));
    EXPECT_TRUE(font::availableFontSet().contains(QStringLiteral("RbxBeta-Regular")));
    EXPECT_TRUE(font::availableFontWithName(QStringLiteral("RbxBeta"), 12));
    fonts.backend->removeFont(QStringLiteral("RbxAlpha-Regular"));
    EXPECT_FALSE(font::availableFontWithName(QStringLiteral("RbxAlpha-Regular"), 12));
}

TEST(FontLookup, aFamilyNamePrefersItsPlainStyle) {
    rbxtest::ScopedInstance<rbx::FontBackend> installedFonts; // the installed fonts
    const rbx::Font f = font::availableFontWithName(QStringLiteral("NimbusRoman"), 12);
    if (!font::availableFontSet().contains(QStringLiteral("NimbusRoman-Regular"))) GTEST_SKIP();
    ASSERT_TRUE(f);
    EXPECT_EQ(f.postScriptName(), QStringLiteral("NimbusRoman-Regular"));
}

TEST(FontGlyphs, glyphsOfCharactersAndStrings) {
    const rbx::Font edge = fixtures::font(QStringLiteral("RbxLigaEdge-Regular.ttf"));
    EXPECT_EQ(font::glyphForCharacter(edge, 'f'), 35u);
    EXPECT_EQ(font::glyphForCharacter(edge, 0x416), 0u);
    EXPECT_EQ(font::glyphForString(edge, QStringLiteral("ff")), 56u);
    EXPECT_EQ(font::glyphForString(edge, QStringLiteral("ffi")), 57u);
    EXPECT_EQ(font::glyphForString(edge, QStringLiteral("f")), 35u);
    // A lookup no feature applies: two glyphs.
    EXPECT_EQ(font::glyphForString(edge, QStringLiteral("st")), 0u);
    // Characters the font lacks would be drawn by another font.
    EXPECT_EQ(font::glyphForString(edge, QStringLiteral("\u0416")), 0u);
    EXPECT_EQ(font::glyphForString(edge, QStringLiteral("\u0416\u0416")), 0u);
    EXPECT_EQ(font::glyphForString(edge, QString()), 0u);
    // A face with 'morx' and 'GSUB': ligatures of either table count.
    const rbx::Font fi = fixtures::font(QStringLiteral("RbxLigaFi-Regular.ttf"));
    EXPECT_EQ(font::glyphForString(fi, QStringLiteral("fi")), 54u);
    EXPECT_EQ(font::glyphForString(fi, QStringLiteral("fl")), 55u);
    EXPECT_EQ(font::glyphForString(rbx::Font(), QStringLiteral("fi")), 0u);
}

TEST(FontTables, formatColourTagsAndPostVersions) {
    const rbx::Font cmapFont = fixtures::font(QStringLiteral("RbxCmapTest-Regular.ttf"));
    const rbx::Font fi = fixtures::font(QStringLiteral("RbxLigaFi-Regular.ttf"));
    const rbx::Font color = fixtures::font(QStringLiteral("RbxColor-Regular.ttf"));
    EXPECT_EQ(font::fontFormatName(cmapFont), QStringLiteral("TrueType"));
    EXPECT_EQ(font::fontFormatName(fi), QStringLiteral("OpenType / TrueType"));
    EXPECT_EQ(font::fontFormatName(rbx::Font()), QString());
    EXPECT_TRUE(font::isColorFont(color));
    EXPECT_FALSE(font::isColorFont(fi));
    const auto tags = font::tagsOfAvailableFontTables(fi);
    ASSERT_TRUE(tags);
    EXPECT_TRUE(tags->contains(QStringLiteral("GSUB")));
    EXPECT_TRUE(tags->contains(QStringLiteral("morx")));
    EXPECT_TRUE(tags->contains(QStringLiteral("OS/2")));
    EXPECT_EQ(font::postFormat(fi), 2.0);
    EXPECT_EQ(font::postFormat(fixtures::font(QStringLiteral("RbxCmapLang-Regular.ttf"))), 3.0);
    EXPECT_EQ(font::postFormat(rbx::Font()), 0.0);
    EXPECT_EQ(font::glyphInfo(cmapFont),
              QStringLiteral("60 characters, 59 in BMP, 1 outside, string length = 61 (OK)"));
}

TEST(FontTables, formatsOfInstalledFonts) {
    rbxtest::ScopedInstance<rbx::FontBackend> installedFonts;
    struct Case { const char* name; const char* format; };
    const Case cases[] = {{"DejaVuSans", "OpenType / TrueType"},
                          {"NimbusRoman-Regular", "OpenType / PostScript"},
                          {"NotoColorEmoji", "Bitmap"}};
    for (const Case& c : cases) {
        const rbx::Font f = font::availableFontWithName(QString::fromLatin1(c.name), 12);
        if (!f) continue;
        EXPECT_EQ(font::fontFormatName(f), QString::fromLatin1(c.format)) << c.name;
    }
    const rbx::Font emoji = font::availableFontWithName(QStringLiteral("NotoColorEmoji"), 12);
    if (emoji) {
        EXPECT_TRUE(font::isColorFont(emoji));
    }
    // A Type 1 file has no tables at all.
    const QString t1 = QStringLiteral("/usr/share/fonts/type1/urw-base35/NimbusRoman-Regular.t1");
    if (QFile::exists(t1)) {
        const rbx::Font type1(rbx::FontFace::fromFile(t1), 12);
        ASSERT_TRUE(type1);
        EXPECT_EQ(font::fontFormatName(type1), QStringLiteral("PostScript"));
        EXPECT_FALSE(font::tagsOfAvailableFontTables(type1));
        EXPECT_EQ(font::postFormat(type1), 0.0);
        EXPECT_FALSE(font::glyphNames(type1));
        EXPECT_NE(font::glyphForCharacter(type1, 'A'), 0u);
        EXPECT_EQ(font::glyphForString(type1, QStringLiteral("A")), font::glyphForCharacter(type1, 'A'));
    }
}

TEST(FontTables, glyphNamesOfVersionTwoPostTables) {
    const rbx::Font f = fixtures::font(QStringLiteral("RbxCmapTest-Regular.ttf"));
    const auto names = font::glyphNames(f);
    ASSERT_TRUE(names);
    ASSERT_EQ(names->size(), 59);
    EXPECT_EQ(names->at(0), QStringLiteral("0: 0 - glyph #0"));
    EXPECT_EQ(names->at(3), QStringLiteral("3: 36 - glyph #36")); // A is a standard name
    EXPECT_EQ(names->at(2), QStringLiteral("2: 258 - tab"));
    EXPECT_EQ(names->at(58), QStringLiteral("58: 261 - smile"));
    EXPECT_FALSE(font::glyphNames(fixtures::font(QStringLiteral("RbxCmapLang-Regular.ttf")))); // version 3
    EXPECT_FALSE(font::glyphNames(rbx::Font()));
}

TEST(FontTables, glyphNameWalkGoesBackAndStopsAtTheEnd) {
    fixtures::Bytes b;
    b.raw(QByteArray(10, 'x'));
    b.u8(3).raw("one").u8(3).raw("two").u8(5).raw("three").u8(9).raw("four");
    const kx::ByteReader post(b.data);
    font::resetGlyphNameCache(10);
    EXPECT_EQ(font::glyphNameInData(post, 259), QStringLiteral("two"));
    EXPECT_EQ(font::glyphNameInData(post, 260), QStringLiteral("three"));
    EXPECT_EQ(font::glyphNameInData(post, 258), QStringLiteral("one")); // back to the start
    EXPECT_EQ(font::glyphNameInData(post, 260), QStringLiteral("three"));
    EXPECT_EQ(font::glyphNameInData(post, 261), QStringLiteral("")); // runs past the end
    EXPECT_EQ(font::glyphNameInData(post, 400), QStringLiteral(""));
    EXPECT_EQ(font::glyphNameInData(post, 258), QStringLiteral("one"));
    EXPECT_EQ(font::glyphNameInData(post, 12), QStringLiteral("glyph #12"));
}

TEST(FontTables, aTruncatedPostTableGivesNoNames) {
    // A face whose 'post' table announces more glyphs than it holds.
    QByteArray data = fixtures::bytes(QStringLiteral("RbxAlpha-Regular.ttf"));
    const auto face = rbx::FontFace::fromData(data);
    ASSERT_TRUE(face);
    const auto post = face->table(kx::fourCC("post"));
    ASSERT_TRUE(post);
    const qsizetype at = data.indexOf(*post);
    ASSERT_GT(at, 0);
    data[at + 32] = char(0x7F); // glyph count 0x7Fxx
    kx::LogCapture log;
    const rbx::Font broken(rbx::FontFace::fromData(data), 12);
    ASSERT_TRUE(broken);
    EXPECT_FALSE(font::glyphNames(broken));
    EXPECT_TRUE(log.contains(QStringLiteral("too short")));
}

TEST(FontFiles, testsAndPathsOfFontFiles) {
    fixtures::FakeFonts fonts;
    EXPECT_TRUE(font::isFontFileAtPath(fixtures::path(QStringLiteral("RbxAlpha-Regular.ttf"))));
    EXPECT_FALSE(font::isFontFileAtPath(fixtures::path(QStringLiteral("not-a-font.ttf"))));
    EXPECT_FALSE(font::isFontFileAtPath(QStringLiteral("/nonexistent")));
    EXPECT_TRUE(font::isFontFile(fixtures::path(QStringLiteral("RbxBeta-Regular.ttf"))));
    EXPECT_FALSE(font::isFontFile(fixtures::path(QStringLiteral("not-a-font.ttf"))));
    const rbx::Font alpha = font::availableFontWithName(QStringLiteral("RbxAlpha-Regular"), 12);
    EXPECT_EQ(font::fontPath(alpha), fixtures::path(QStringLiteral("RbxAlpha-Regular.ttf")));
    EXPECT_TRUE(font::fontPath(fixtures::font(QStringLiteral("RbxAlpha-Regular.ttf"))).isEmpty());
    EXPECT_EQ(font::activateFontFromFile(fixtures::path(QStringLiteral("not-a-font.ttf"))), 0);
    const int c = font::activateFontFromFile(fixtures::path(QStringLiteral("RbxColor-Regular.ttf")));
    EXPECT_GT(c, 0);
    EXPECT_TRUE(font::availableFontWithName(QStringLiteral("RbxColor-Regular"), 12));
    font::deactivateFont(c);
    EXPECT_FALSE(font::availableFontWithName(QStringLiteral("RbxColor-Regular"), 12));
}

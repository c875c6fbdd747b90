#include "FontFixtures.h"
#include "kxlib/KXDefaults.h"
#include "common/ScopedInstance.h"
#include "core/Bundle.h"
#include "core/Log.h"
#include "model/FontExtensions.h"
#include "model/LigatureReaders.h"
#include "model/RbxEmoji.h"
#include "model/RbxFontInfo.h"
#include "model/RbxModelSettings.h"
#include "model/RbxRepertoireSources.h"
#include "model/VirtualCharacters.h"
#include "platform/fonts/FontBackend.h"

#include <QTemporaryDir>
#include <optional>
#include <gtest/gtest.h>

namespace {

// Sets of a test's choosing in place of the font list and the search filter.
struct FixedSources : RbxRepertoireSources {
    kx::CharSet charactersInAllFonts() override { return all; }
    kx::CharSet definedCharacters() override { return defined; }
    std::optional<kx::CharSet> filteredCharacters() override { return filter; }
    kx::CharSet all;
    kx::CharSet defined;
    std::optional<kx::CharSet> filter;
};

class FontInfo : public ::testing::Test {
protected:
    void SetUp() override { useTuning(QVariantMap()); }
    void TearDown() override {
        settings_.reset();
        cache_.reset();
        kx::str::defineLigatures({});
    }
    // Only these settings, none of the store's.
    void settings(QVariantMap values) {
        settings_.reset();
        settings_.emplace(std::make_unique<RbxModelSettings>(values, RbxModelSettings::Others::Absent));
    }
    // A fresh cache over `sources` with this tuning dictionary (nothing: the bundle's).
    void useTuning(std::optional<QVariantMap> tuning) {
        cache_.reset();
        cache_.emplace(std::make_unique<RbxFontInfoCache>(&sources, std::move(tuning)));
    }
    FixedSources sources;
    std::optional<rbxtest::ScopedInstance<RbxFontInfoCache>> cache_;
    std::optional<rbxtest::ScopedInstance<RbxModelSettings>> settings_;
    rbx::Font cmapFont = fixtures::font(QStringLiteral("RbxCmapTest-Regular.ttf"));
    rbx::Font fi = fixtures::font(QStringLiteral("RbxLigaFi-Regular.ttf"));
    rbx::Font edge = fixtures::font(QStringLiteral("RbxLigaEdge-Regular.ttf"));
};

} // namespace

TEST_F(FontInfo, theCacheKeepsTwoGenerations) {
    rbxtest::ScopedInstance<rbx::FontBackend> installedFonts;
    const auto faces = rbx::FontBackend::shared().faces();
    if (faces.size() < 12) GTEST_SKIP() << "too few installed fonts";
    std::vector<rbx::Font> fonts;
    for (int i = 0; i < 11; ++i) fonts.push_back(rbx::FontBackend::shared().font(faces[i].postScriptName));
    const auto first = RbxFontInfo::fontInfoWithFont(fonts[0]);
    EXPECT_EQ(RbxFontInfo::fontInfoWithFont(fonts[0]), first);
    for (int i = 1; i < 11; ++i) RbxFontInfo::fontInfoWithFont(fonts[std::size_t(i)]);
    // Ten further fonts: the first is in the previous generation, and still served.
    EXPECT_EQ(RbxFontInfo::fontInfoWithFont(fonts[0]), first);
    // Asking moved it into the current generation: nine more do not drop it.
    for (int i = 11; i < 20 && i < faces.size(); ++i)
        RbxFontInfo::fontInfoWithFont(rbx::FontBackend::shared().font(faces[i].postScriptName));
    EXPECT_EQ(RbxFontInfo::fontInfoWithFont(fonts[0]), first);
    // A font asked for with another size shares the info made first.
    EXPECT_EQ(RbxFontInfo::fontInfoWithFont(fonts[0].withPointSize(30)), first);
    EXPECT_EQ(first->font().pointSize(), 12.0);
    EXPECT_FALSE(RbxFontInfo::fontInfoWithFont(rbx::Font()));
}

TEST_F(FontInfo, repertoireCountAndLastCharacter) {
    RbxFontInfo info(cmapFont);
    const kx::CharSet& chars = info.availableCharacters();
    EXPECT_EQ(chars, cmapFont->coveredCharacters());
    EXPECT_EQ(info.availableCharacterCount(), 59); // U+0009 is not counted
    EXPECT_EQ(info.lastAvailableCharacter(), 0x1F600u);
    const std::uint8_t* plane0 = info.planeBitmap(0);
    ASSERT_TRUE(plane0);
    EXPECT_TRUE(plane0['A' >> 3] & (1 << ('A' & 7)));
    EXPECT_FALSE(plane0['0' >> 3] & (1 << ('0' & 7)));
    const std::uint8_t* plane1 = info.planeBitmap(1);
    ASSERT_TRUE(plane1);
    EXPECT_TRUE(plane1[0xF600 >> 3] & (1 << (0xF600 & 7)));
    EXPECT_FALSE(info.planeBitmap(2));
    EXPECT_FALSE(info.planeBitmap(17));
    EXPECT_FALSE(info.planeBitmap(-1));
}

TEST_F(FontInfo, viewsAndTheFilter) {
    sources.all = kx::CharSet::fromRange('a', 'c');
    sources.defined = kx::CharSet::fromRange(0x20, 0x7E);
    sources.filter = kx::CharSet::fromRange('A', 'B');
    RbxFontInfo info(cmapFont);
    EXPECT_EQ(info.availableCharacters(), kx::CharSet::fromRange('A', 'B'));
    EXPECT_EQ(info.availableCharacterCount(), 2);
    settings({{QStringLiteral("view"), 2}});
    info.flush();
    EXPECT_TRUE(info.availableCharacters().isEmpty()); // a..c filtered by A..B
    info.setIgnoresFilter(true);
    EXPECT_EQ(info.availableCharacters(), kx::CharSet::fromRange('a', 'c'));
    settings({{QStringLiteral("view"), 3}});
    info.flush();
    EXPECT_EQ(info.availableCharacterCount(), 95);
    EXPECT_EQ(info.lastAvailableCharacter(), 0x7Eu);
}

TEST_F(FontInfo, aFilterMatchingNothingEmptiesTheRepertoireButNotTheDescriptions) {
    sources.filter = kx::CharSet();
    RbxFontInfo info(cmapFont);
    EXPECT_TRUE(info.availableCharacters().isEmpty());
    EXPECT_EQ(info.availableCharacterCount(), 0);
    EXPECT_EQ(info.lastAvailableCharacter(), 0u);
    EXPECT_EQ(info.shortDescription(),
              QStringLiteral("Rbx Cmap Test Regular / RbxCmapTest-Regular (family: Rbx Cmap Test) 59 characters"));
    const QString d = info.description();
    EXPECT_TRUE(d.startsWith(QStringLiteral("Rbx Cmap Test Regular / RbxCmapTest-Regular (family: Rbx Cmap Test)\n59 characters, last=128512, bitmap=")));
    EXPECT_TRUE(d.contains(QStringLiteral("\nPS: RbxCmapTest-Regular\n")));
    EXPECT_TRUE(d.contains(QStringLiteral("\ncopyright: ")));
    EXPECT_FALSE(info.ignoresFilter());
    EXPECT_EQ(info.availableCharacterCount(), 0); // filtered again afterwards
}

TEST_F(FontInfo, ligaturesAreVirtualCharactersOfTheFontAskedLast) {
    const auto fiInfo = RbxFontInfo::fontInfoWithFont(fi);
    const auto edgeInfo = RbxFontInfo::fontInfoWithFont(edge);
    EXPECT_EQ(fiInfo->numberOfLigatures(), 2);
    EXPECT_TRUE(fiInfo->availableCharacters().contains(0xB0000));
    EXPECT_TRUE(fiInfo->availableCharacters().contains(0xB0001));
    EXPECT_FALSE(fiInfo->availableCharacters().contains(0xB0002));
    EXPECT_EQ(fiInfo->ligatureForVirtualCharacter(0xB0001), QStringLiteral("fl"));
    EXPECT_TRUE(fiInfo->ligatureForVirtualCharacter(0xB0002).isNull());
    EXPECT_TRUE(fiInfo->ligatureForVirtualCharacter('A').isNull());
    EXPECT_EQ(fiInfo->virtualLigatureCharacterForString(QStringLiteral("fl")), 0xB0001u);
    EXPECT_EQ(fiInfo->virtualLigatureCharacterForString(QStringLiteral("zz")), 0u);
    EXPECT_EQ(fiInfo->virtualLigatureCharacterForString(QString()), 0u);
    EXPECT_EQ(fiInfo->lastAvailableCharacter(), 0xB0001u);
    EXPECT_EQ(kx::str::stringWithUTF32Character(0xB0000), QStringLiteral("fi"));

    edgeInfo->availableCharacters();
    EXPECT_EQ(kx::str::stringWithUTF32Character(0xB0000), QStringLiteral("ab"));
    // Asking the first font again makes its list the current one, without reloading.
    fiInfo->availableCharacterCount();
    EXPECT_EQ(kx::str::stringWithUTF32Character(0xB0000), QStringLiteral("fi"));
    // A flush keeps the ligatures.
    RbxFontInfo::flushCachedCharacters();
    EXPECT_EQ(edgeInfo->numberOfLigatures(), 8);
    EXPECT_EQ(kx::str::stringWithUTF32Character(0xB0007), QStringLiteral("fi"));
    // A font without ligatures leaves no old ones behind.
    RbxFontInfo plain(cmapFont);
    plain.availableCharacters();
    EXPECT_EQ(kx::str::stringWithUTF32Character(0xB0000).size(), 2);
    EXPECT_FALSE(plain.ligatureStrings());
}

TEST_F(FontInfo, deferredLigaturesJoinTheRepertoireWhenRead) {
    RbxFontInfo info(fi);
    info.deferLigatures();
    EXPECT_FALSE(info.availableCharacters().contains(0xB0000));
    EXPECT_EQ(info.numberOfLigatures(), 0);
    // Their strings are there when asked for; the repertoire made stays as it is.
    EXPECT_EQ(info.virtualLigatureCharacterForString(QStringLiteral("fl")), 0xB0001u);
    EXPECT_FALSE(info.availableCharacters().contains(0xB0001));
    EXPECT_TRUE(info.readDeferredLigatures());
    EXPECT_EQ(info.numberOfLigatures(), 2);
    EXPECT_TRUE(info.availableCharacters().contains(0xB0001));
    EXPECT_EQ(kx::str::stringWithUTF32Character(0xB0000), QStringLiteral("fi"));
    EXPECT_FALSE(info.readDeferredLigatures());
    // Once read, nothing is held back any more.
    info.deferLigatures();
    EXPECT_EQ(info.numberOfLigatures(), 2);
}

TEST_F(FontInfo, romanMappingFromTheRomanSubtable) {
    RbxFontInfo info(cmapFont);
    const std::int32_t* map = info.romanMapping();
    ASSERT_TRUE(map);
    EXPECT_EQ(map['A'], 'A');
    EXPECT_EQ(map[0xBD], 0x3A9); // the lowest character of the Omega glyph
    // Space and code 202 share a glyph: 202 becomes the no-break space.
    EXPECT_EQ(map[32], 32);
    EXPECT_EQ(map[202], 0xA0);
    EXPECT_EQ(map[0x30], 0); // not in the subtable
    EXPECT_EQ(map[5], 0);
    EXPECT_EQ(info.unicodeForRoman('A'), char32_t('A'));
    EXPECT_EQ(info.unicodeForRoman(300), 0u);
    EXPECT_EQ(info.unicodeForRoman(20), 0u);
    EXPECT_EQ(info.romanForUnicode(0x3A9), 0xBD);
    EXPECT_EQ(info.romanForUnicode(0x416), 0);

    // Built from the font's own characters, whatever the filter shows.
    sources.filter = kx::CharSet();
    RbxFontInfo filtered(cmapFont);
    EXPECT_TRUE(filtered.availableCharacters().isEmpty());
    ASSERT_TRUE(filtered.romanMapping());
    EXPECT_EQ(filtered.unicodeForRoman('A'), char32_t('A'));

    // Fonts without a usable Roman subtable: none, without retrying.
    RbxFontInfo none(fi);
    EXPECT_FALSE(none.romanMapping());
    EXPECT_EQ(none.unicodeForRoman('A'), 0u);
    EXPECT_EQ(none.romanForUnicode('A'), 0);
    RbxFontInfo lang(fixtures::font(QStringLiteral("RbxCmapLang-Regular.ttf")));
    EXPECT_FALSE(lang.romanMapping());
}

TEST_F(FontInfo, tuningNamesValuesAndDefaults) {
    useTuning(QVariantMap{
        {QStringLiteral("Foo-Bar*"), QVariantMap{{QStringLiteral("zoomX"), 1.5}}},
        {QStringLiteral("Foo*"), QVariantMap{{QStringLiteral("zoomX"), 2.0}}},
        {QStringLiteral("Some"), QStringLiteral("not a dictionary")},
        {QStringLiteral("RbxCmapTest*"),
         QVariantMap{{QStringLiteral("zoomY"), 1.0}, {QStringLiteral("ligatureScalingThreshold"), 0.5},
                     {QStringLiteral("baselineOffset"), QStringLiteral("2.5")},
                     {QStringLiteral("relativeWidth"), QVariantList{}},
                     {QStringLiteral("scaleCharacters"), QVariantList{10, 65, QStringLiteral("66"), QVariantMap{}}},
                     {QStringLiteral("safeDrawing"), 1}}}});
    EXPECT_EQ(RbxFontInfo::tuningForFontNamed(QStringLiteral("Foo-Bar-Italic"))->value(QStringLiteral("zoomX")), 1.5);
    EXPECT_EQ(RbxFontInfo::tuningForFontNamed(QStringLiteral("Foo-Baz"))->value(QStringLiteral("zoomX")), 2.0);
    EXPECT_EQ(RbxFontInfo::tuningForFontNamed(QStringLiteral("Foo-Bar"))->value(QStringLiteral("zoomX")), 1.5);
    EXPECT_FALSE(RbxFontInfo::tuningForFontNamed(QStringLiteral("Fo")));
    EXPECT_FALSE(RbxFontInfo::tuningForFontNamed(QStringLiteral("Some")));
    EXPECT_FALSE(RbxFontInfo::tuningForFontNamed(QString()));

    RbxFontInfo info(cmapFont);
    EXPECT_EQ(info.tuningZoom(), std::make_pair(1.0, 0.95));
    EXPECT_EQ(info.ligatureScalingThreshold(), 1.0);
    EXPECT_EQ(info.tuningBaselineOffset(), 2.5);
    EXPECT_EQ(info.tuningRelativeWidth(), 0.0);
    EXPECT_EQ(info.tuningScaledOffsetX(), 0.0);
    EXPECT_EQ(info.scaleCharacters(), (std::vector<char32_t>{65, 66}));
    RbxFontInfo plain(fi);
    EXPECT_EQ(plain.tuningZoom(), std::make_pair(1.0, 0.95));
    EXPECT_FALSE(plain.scaleCharacters());
    EXPECT_TRUE(plain.tuning().isEmpty());
    EXPECT_FALSE(plain.ignoreAllLigatures());
}

TEST_F(FontInfo, theBundledTuningFileKeepsTheEmojiFontsSequencesOut) {
    useTuning(std::nullopt);
    const auto entry = RbxFontInfo::tuningForFontNamed(QStringLiteral("NotoColorEmoji"));
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->value(QStringLiteral("ignoreLigatures")), QStringLiteral("GSUB"));
    rbxtest::ScopedInstance<rbx::FontBackend> installedFonts;
    const rbx::Font emoji = rbx::font::availableFontWithName(QStringLiteral("NotoColorEmoji"), 12);
    if (!emoji) return;
    RbxFontInfo info(emoji);
    EXPECT_TRUE(info.ignoreGSUBLigatures());
    EXPECT_FALSE(info.ignoremorxLigatures());
    EXPECT_EQ(info.numberOfLigatures(), 0);
}

TEST_F(FontInfo, anUnreadableTuningFileIsLoggedOnce) {
    QTemporaryDir empty;
    rbxtest::ScopedInstance<kx::Bundle> bundle(std::make_unique<kx::Bundle>(empty.path()));
    useTuning(std::nullopt);
    kx::LogCapture log;
    EXPECT_TRUE(RbxFontInfo::fontTuningDictionary().isEmpty());
    EXPECT_TRUE(RbxFontInfo::fontTuningDictionary().isEmpty());
    EXPECT_EQ(log.lines(), QStringList{QStringLiteral("could not read FontTuning dictionary.")});
}

TEST_F(FontInfo, safeDrawing) {
    const rbx::Font color = fixtures::font(QStringLiteral("RbxColor-Regular.ttf"));
    EXPECT_TRUE(RbxFontInfo(cmapFont).fontRequiresSafeDrawing()); // the setting's default
    settings({{QStringLiteral("safeDrawing"), false}});
    EXPECT_TRUE(RbxFontInfo(color).fontRequiresSafeDrawing());
    EXPECT_FALSE(RbxFontInfo(cmapFont).fontRequiresSafeDrawing());
    useTuning(
        QVariantMap{{QStringLiteral("RbxCmapTest-Regular"), QVariantMap{{QStringLiteral("safeDrawing"), 1}}}});
    EXPECT_TRUE(RbxFontInfo(cmapFont).fontRequiresSafeDrawing());
}

TEST_F(FontInfo, unicodeGlyphOfSingleCharacters) {
    RbxFontInfo info(edge);
    EXPECT_EQ(info.unicodeGlyph('f'), 35);
    EXPECT_EQ(info.unicodeGlyph(0x416), 0);      // no glyph
    EXPECT_EQ(info.unicodeGlyph(0xE1), -2);      // a with acute: two glyphs
    EXPECT_EQ(RbxFontInfo(rbx::Font()).unicodeGlyph('A'), 0);
}

TEST_F(FontInfo, theColourEmojiFontShowsItsSequences) {
    rbxtest::ScopedInstance<rbx::FontBackend> installedFonts;
    RbxEmoji::setMeasurer(nullptr);
    useTuning(std::nullopt);
    const auto info = RbxEmoji::fontInfoWithAppleColorEmoji();
    if (!info) GTEST_SKIP() << "no colour emoji font";
    kx::LogCapture quiet;
    EXPECT_TRUE(info->isAppleColorEmoji());
    EXPECT_TRUE(info->fontRequiresSafeDrawing());
    const kx::CharSet& chars = info->availableCharacters();
    EXPECT_TRUE(chars.contains(0xA0000 + 3 * 26 + 4)); // DE
    EXPECT_TRUE(chars.contains(0xA1003));             // keycap 1
    EXPECT_TRUE(chars.contains(0xA03C1));             // family
    EXPECT_FALSE(chars.contains(0xB0000));
    EXPECT_FALSE(RbxFontInfo(fi).isAppleColorEmoji());
    RbxEmoji::setMeasurer(nullptr);
}

TEST_F(FontInfo, dejaVuRepertoireIsItsBestCmap) {
    if (!fixtures::fontToolsAvailable()) GTEST_SKIP() << "fontTools is not installed";
    rbxtest::ScopedInstance<rbx::FontBackend> installedFonts;
    settings({{QStringLiteral("view"), 1}, {QStringLiteral("ligatures"), false}});
    const rbx::Font dejavu = rbx::font::availableFontWithName(QStringLiteral("DejaVuSans"), 12);
    if (!dejavu) GTEST_SKIP() << "DejaVu Sans is not installed";
    kx::CharSet expected;
    for (const QString& l : fixtures::oracle({QStringLiteral("cmap"), dejavu->filePath() + QStringLiteral(":0")}))
        if (l.startsWith(QLatin1String("U+"))) expected.addCharacter(l.mid(2, l.indexOf(QLatin1Char(' ')) - 2).toUInt(nullptr, 16));
    RbxFontInfo info(dejavu);
    kx::CharSet chars = info.availableCharacters();
    chars.removeCharactersFrom(0, 0x1F);
    EXPECT_EQ(chars, expected);
    EXPECT_EQ(info.availableCharacterCount(), int(expected.numberOfCharacters()));
}

TEST_F(FontInfo, settingsComeFromTheStoreWithoutAReader) {
    settings_.reset();
    KXDefaults::userDefaults().setBool(false, QStringLiteral("gsub"));
    EXPECT_FALSE(RbxModelSettings::shared().boolValue(QStringLiteral("gsub"), true));
    EXPECT_EQ(rbx::font::ligatures(fi), QStringList{QStringLiteral("fi")}); // morx only
    KXDefaults::userDefaults().removeObjectForKey(QStringLiteral("gsub"));
    EXPECT_TRUE(RbxModelSettings::shared().boolValue(QStringLiteral("gsub"), true));
    KXDefaults::userDefaults().setInteger(3, QStringLiteral("view"));
    EXPECT_EQ(RbxModelSettings::shared().intValue(QStringLiteral("view"), 1), 3);
    KXDefaults::userDefaults().removeObjectForKey(QStringLiteral("view"));
}

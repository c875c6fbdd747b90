#include "common/ScopedInstance.h"
#include "TableBuilders.h"
#include "core/Log.h"
#include "model/FontExtensions.h"
#include "model/KXCharGlyphMap.h"
#include "model/LigatureReaders.h"
#include "model/RbxFontInfo.h"
#include "model/RbxLigatures.h"
#include "model/RbxModelSettings.h"
#include "platform/fonts/FontBackend.h"

#include <QVariantMap>
#include <gtest/gtest.h>

namespace font = rbx::font;
using fixtures::Bytes;
using namespace tables;

namespace {

const QStringList edgeFinal{QStringLiteral("ab"), QStringLiteral("bc"), QStringLiteral("cd"), QStringLiteral("ct"),
                            QStringLiteral("de"), QStringLiteral("ff"), QStringLiteral("ffi"), QStringLiteral("fi")};

// Settings for one test.
class Settings {
public:
    explicit Settings(QVariantMap values) {
        RbxModelSettings::setReader([values](const QString& key) { return values.value(key); });
    }
    ~Settings() { RbxModelSettings::setReader(nullptr); }
};

class Ligatures : public ::testing::Test {
protected:
    void SetUp() override { RbxFontInfo::setFontTuningDictionaryForTesting(QVariantMap()); }
    void TearDown() override {
        RbxFontInfo::setFontTuningDictionaryForTesting(std::nullopt);
        RbxFontInfo::resetCacheForTesting();
    }
    rbx::Font fi = fixtures::font(QStringLiteral("RbxLigaFi-Regular.ttf"));
    rbx::Font edge = fixtures::font(QStringLiteral("RbxLigaEdge-Regular.ttf"));
};



KXCharGlyphMap letters() {
    std::vector<std::pair<char32_t, std::uint16_t>> pairs;
    for (char32_t c = 'a'; c <= 'z'; ++c) pairs.emplace_back(c, std::uint16_t(10 + (c - 'a')));
    pairs.emplace_back(0x301, 40);
    pairs.emplace_back(0x200D, 41);
    return KXCharGlyphMap(QStringLiteral("Letters"), pairs);
}
unsigned g(char c) { return 10 + unsigned(c - 'a'); }

} // namespace

TEST_F(Ligatures, gsubAndMorxOfTheFiFixture) {
    EXPECT_EQ(font::ligaturesFromGSUB(fi), (QStringList{QStringLiteral("fi"), QStringLiteral("fl")}));
    // The morx table's entry table carries alignment padding, as compilers write it.
    EXPECT_EQ(font::ligaturesFrommorx(fi), QStringList{QStringLiteral("fi")});
    EXPECT_EQ(font::ligatures(fi), (QStringList{QStringLiteral("fi"), QStringLiteral("fl")}));
    EXPECT_EQ(RbxLigatures(fi).count(), 2);
}

TEST_F(Ligatures, gsubCandidatesAreCleanedAndTestedForOneGlyph) {
    // Candidates: extension lookups read, the combining accent dropped, sorted.
    EXPECT_EQ(font::ligaturesFromGSUB(edge),
              (QStringList{QStringLiteral("ab"), QStringLiteral("bc"), QStringLiteral("cd"), QStringLiteral("ct"),
                           QStringLiteral("de"), QStringLiteral("ff"), QStringLiteral("ffi"), QStringLiteral("fi"),
                           QStringLiteral("st")}));
    // "st" is in a lookup no feature uses: the font draws it as two glyphs.
    EXPECT_EQ(font::ligatures(edge), edgeFinal);
    EXPECT_FALSE(font::ligaturesFrommorx(edge));
}

TEST_F(Ligatures, settingsSwitchTheTablesOff) {
    {
        Settings s({{QStringLiteral("gsub"), false}});
        EXPECT_FALSE(font::ligaturesFromGSUB(fi));
        EXPECT_EQ(font::ligatures(fi), QStringList{QStringLiteral("fi")});
    }
    {
        Settings s({{QStringLiteral("morx"), false}});
        EXPECT_FALSE(font::ligaturesFrommorx(fi));
        EXPECT_EQ(font::ligatures(fi), (QStringList{QStringLiteral("fi"), QStringLiteral("fl")}));
    }
    {
        Settings s({{QStringLiteral("ligatures"), false}});
        EXPECT_FALSE(font::ligatures(fi));
        EXPECT_FALSE(font::ligaturesFromGSUB(fi));
        EXPECT_FALSE(font::ligaturesFrommorx(fi));
        RbxFontInfo info(fi);
        EXPECT_EQ(info.numberOfLigatures(), 0);
        EXPECT_FALSE(info.availableCharacters().contains(0xB0000));
    }
}

TEST_F(Ligatures, tuningExcludesTablesAndStrings) {
    RbxFontInfo::setFontTuningDictionaryForTesting(QVariantMap{
        {QStringLiteral("RbxLigaEdge*"), QVariantMap{{QStringLiteral("ignoreLigatures"),
                                                      QVariantList{QStringLiteral("ff"), QStringLiteral("zz")}}}},
        {QStringLiteral("RbxLigaFi-Regular"), QVariantMap{{QStringLiteral("ignoreLigatures"), QStringLiteral("GSUB")}}}});
    RbxLigatures edgeList(edge);
    QStringList expected = edgeFinal;
    expected.removeAll(QStringLiteral("ff"));
    EXPECT_EQ(edgeList.ligatures(), expected);
    EXPECT_EQ(edgeList.indexOfLigatureString(QStringLiteral("ffi")), 5u); // numbered without a gap
    EXPECT_EQ(edgeList.indexOfLigatureString(QStringLiteral("ff")), kx::NotFound);
    EXPECT_EQ(edgeList.characterSet(), kx::CharSet::fromRange(0xB0000, 0xB0006));
    EXPECT_FALSE(font::ligaturesFromGSUB(fi));
    EXPECT_EQ(RbxLigatures(fi).ligatures(), QStringList{QStringLiteral("fi")});

    RbxFontInfo::setFontTuningDictionaryForTesting(QVariantMap{
        {QStringLiteral("RbxLigaFi*"), QVariantMap{{QStringLiteral("ignoreLigatures"), QStringLiteral("all")}}}});
    EXPECT_FALSE(font::ligaturesFromGSUB(fi));
    EXPECT_FALSE(font::ligaturesFrommorx(fi));
    const RbxLigatures none(fi);
    EXPECT_FALSE(none.ligatures());
    EXPECT_EQ(none.count(), 0);
    EXPECT_FALSE(none.characterSet());
    EXPECT_EQ(none.description(), QStringLiteral("no ligatures"));
    EXPECT_EQ(none.indexOfLigatureString(QStringLiteral("fi")), kx::NotFound);
    EXPECT_EQ(RbxLigatures(edge).description(),
              QStringLiteral("8 ligatures in Rbx Liga Edge Regular: ab, bc, cd, ct, de, ff, ffi, fi"));
}

TEST(LigatureCleanup, sortingDropsRepeatsAndExcludedEndings) {
    QStringList list{QStringLiteral("fl"), QStringLiteral("fi"), QStringLiteral("fi"), QStringLiteral("a\u0301"),
                     QStringLiteral("Ab"), QStringLiteral("\u1100\u1161")};
    font::sortAndCleanupLigatures(list, font::unwantedLigatureCharacters());
    EXPECT_EQ(list, (QStringList{QStringLiteral("Ab"), QStringLiteral("fi"), QStringLiteral("fl")}));
    QStringList kept{QStringLiteral("b"), QStringLiteral("a\u0301")};
    font::sortAndCleanupLigatures(kept, kx::CharSet());
    EXPECT_EQ(kept, (QStringList{QStringLiteral("a\u0301"), QStringLiteral("b")}));
    QStringList empty;
    font::sortAndCleanupLigatures(empty, kx::CharSet());
    EXPECT_TRUE(empty.isEmpty());
}

TEST(LigatureCleanup, joinerFormsOfPlainLigaturesGo) {
    QStringList list{QStringLiteral("f\u200Di"), QStringLiteral("fi"), QStringLiteral("s\u200Dt"),
                     QStringLiteral("x\uFE0F"), QStringLiteral("x")};
    font::removeObsoleteLigatures(list, 0x200D, 0x200D);
    EXPECT_EQ(list, (QStringList{QStringLiteral("fi"), QStringLiteral("s\u200Dt"), QStringLiteral("x\uFE0F"),
                                 QStringLiteral("x")}));
    font::removeObsoleteLigatures(list, 0xFE00, 0xFE0F);
    EXPECT_EQ(list, (QStringList{QStringLiteral("fi"), QStringLiteral("s\u200Dt"), QStringLiteral("x")}));
}

TEST(GsubReader, readsLigatureSetsThroughTheGlyphMap) {
    const KXCharGlyphMap map = letters();
    const QByteArray t = gsubWith(4, ligatureSubtable({g('f'), g('a')}, {{{g('i')}, {g('f'), g('i')}, {g('l')}},
                                                                         {{40}, {41, g('b')}}}));
    const auto list = font::ligaturesInGSUB(kx::ByteReader(t), map, font::unwantedLigatureCharacters());
    ASSERT_TRUE(list);
    EXPECT_EQ(*list, (QStringList{QStringLiteral("a\u200Db"), QStringLiteral("ffi"), QStringLiteral("fi"),
                                  QStringLiteral("fl")}));
}

TEST(GsubReader, componentsWithoutCharactersAndSingleComponentsAreSkipped) {
    const KXCharGlyphMap map = letters();
    // Glyph 300 has no character; a ligature with one component is no ligature.
    const QByteArray t = gsubWith(4, ligatureSubtable({g('f'), 300}, {{{300}, {}, {g('i')}}, {{g('a')}}}));
    const auto list = font::ligaturesInGSUB(kx::ByteReader(t), map, kx::CharSet());
    ASSERT_TRUE(list);
    EXPECT_EQ(*list, QStringList{QStringLiteral("fi")});
    // Nothing found at all: nullopt.
    const QByteArray none = gsubWith(4, ligatureSubtable({300}, {{{g('a')}}}));
    EXPECT_FALSE(font::ligaturesInGSUB(kx::ByteReader(none), map, kx::CharSet()));
}

TEST(GsubReader, unexpectedFormatsGiveNothingAndTruncationThrows) {
    const KXCharGlyphMap map = letters();
    QByteArray sub = ligatureSubtable({g('f')}, {{{g('i')}}});
    Bytes wrongFormat{sub};
    wrongFormat.put16(0, 2);
    EXPECT_FALSE(font::ligaturesInGSUB(kx::ByteReader(gsubWith(4, wrongFormat.data)), map, kx::CharSet()));
    // A coverage table of format 3.
    QByteArray cov = ligatureSubtable({g('f')}, {{{g('i')}}}, 3);
    EXPECT_FALSE(font::ligaturesInGSUB(kx::ByteReader(gsubWith(4, cov)), map, kx::CharSet()));
    // An extension of another type is passed over; one of format 2 ends the reading.
    Bytes ext;
    ext.u16(1).u16(1).u32(8).raw(ligatureSubtable({g('f')}, {{{g('i')}}}));
    EXPECT_FALSE(font::ligaturesInGSUB(kx::ByteReader(gsubWith(7, ext.data)), map, kx::CharSet()));
    ext.put16(2, 4);
    EXPECT_EQ(font::ligaturesInGSUB(kx::ByteReader(gsubWith(7, ext.data)), map, kx::CharSet()),
              QStringList{QStringLiteral("fi")});
    ext.put16(0, 2);
    EXPECT_FALSE(font::ligaturesInGSUB(kx::ByteReader(gsubWith(7, ext.data)), map, kx::CharSet()));
    // Too short a table, or a lookup list outside it.
    EXPECT_FALSE(font::ligaturesInGSUB(kx::ByteReader(QByteArray(10, '\0')), map, kx::CharSet()));
    Bytes outside;
    outside.u32(0x00010000).u16(0).u16(0).u16(400).u16(0);
    EXPECT_FALSE(font::ligaturesInGSUB(kx::ByteReader(outside.data), map, kx::CharSet()));
    // A table cut short throws.
    const QByteArray whole = gsubWith(4, ligatureSubtable({g('f')}, {{{g('i')}}}));
    EXPECT_THROW(font::ligaturesInGSUB(kx::ByteReader(whole.left(whole.size() - 6)), map, kx::CharSet()),
                 kx::OutOfBounds);
}

TEST(GsubReader, coveredGlyphsOfBothCoverageFormats) {
    Bytes one;
    one.u16(1).u16(3).u16(7).u16(9).u16(11);
    const kx::ByteReader r1(one.data);
    EXPECT_EQ(font::coveredGlyph(0, r1, 0), 7u);
    EXPECT_EQ(font::coveredGlyph(2, r1, 0), 11u);
    EXPECT_EQ(font::coveredGlyph(3, r1, 0), 0u);
    EXPECT_EQ(font::coveredGlyph(-1, r1, 0), 0u);
    Bytes two;
    two.u16(2).u16(2).u16(20).u16(22).u16(0).u16(40).u16(41).u16(3);
    const kx::ByteReader r2(two.data);
    EXPECT_EQ(font::coveredGlyph(0, r2, 0), 20u);
    EXPECT_EQ(font::coveredGlyph(2, r2, 0), 22u);
    EXPECT_EQ(font::coveredGlyph(4, r2, 0), 41u);
    EXPECT_EQ(font::coveredGlyph(5, r2, 0), 0u);
    // A coverage running past the end answers 0 instead of reading outside.
    Bytes cut;
    cut.u16(1).u16(50).u16(7);
    EXPECT_EQ(font::coveredGlyph(0, kx::ByteReader(cut.data), 0), 7u);
    EXPECT_EQ(font::coveredGlyph(10, kx::ByteReader(cut.data), 0), 0u);
    EXPECT_EQ(font::coveredGlyph(0, kx::ByteReader(cut.data), 100), 0u);
}

TEST_F(Ligatures, aTruncatedTableIsLoggedAndGivesNothing) {
    QByteArray data = fixtures::bytes(QStringLiteral("RbxLigaEdge-Regular.ttf"));
    const auto face = rbx::FontFace::fromData(data);
    const QByteArray gsub = *face->table(kx::fourCC("GSUB"));
    const qsizetype at = data.indexOf(gsub);
    ASSERT_GT(at, 0);
    // Point the first lookup far outside the table.
    const int list = (std::uint8_t(gsub[8]) << 8) | std::uint8_t(gsub[9]);
    data[at + list + 2] = char(0x7F);
    const rbx::Font broken(rbx::FontFace::fromData(data), 12);
    kx::LogCapture log;
    EXPECT_FALSE(font::ligaturesFromGSUB(broken));
    EXPECT_TRUE(log.contains(QStringLiteral("exception while collecting GSUB ligatures: ")));
}

TEST(LigatureOracle, dejaVuCandidatesAgreeWithFontTools) {
    if (!fixtures::fontToolsAvailable()) GTEST_SKIP() << "fontTools is not installed";
    rbxtest::ScopedInstance<rbx::FontBackend> installedFonts;
    const rbx::Font dejavu = font::availableFontWithName(QStringLiteral("DejaVuSans"), 12);
    if (!dejavu) GTEST_SKIP() << "DejaVu Sans is not installed";
    const auto map = KXCharGlyphMap::charGlyphMapForFont(dejavu);
    QStringList expected;
    for (const QString& line : fixtures::oracle({QStringLiteral("gsub-ligatures"), dejavu->filePath()})) {
        QString s;
        bool complete = true;
        for (const QString& gid : line.mid(4).split(QLatin1Char(','))) {
            const char32_t c = map->characterForGlyph(gid.toUInt()); // the highest character of each glyph
            if (!c) {
                complete = false;
                break;
            }
            s += QString::fromUcs4(&c, 1);
        }
        if (complete) expected << s;
    }
    font::sortAndCleanupLigatures(expected, font::unwantedLigatureCharacters());
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(font::ligaturesFromGSUB(dejavu), expected);
}

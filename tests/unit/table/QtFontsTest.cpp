#include "TableFixture.h"

#include "core/ByteReader.h"
#include "model/FontExtensions.h"
#include "model/CharacterText.h"
#include "common/ScopedInstance.h"
#include "table/widgets/RbxCellText.h"

TEST_F(TableTest, FacesReachQtExactlyAndKeepTheirTables) {
    const rbx::Font f = font("RbxCmapTest-Regular").withPointSize(100);
    const QRawFont raw = rbx::qt::rawFont(f);
    ASSERT_TRUE(raw.isValid());
    EXPECT_EQ(raw.fontTable("head"), *f->table(kx::fourCC("head")));
    EXPECT_EQ(raw.pixelSize(), 100);
    const auto text = rbx::qt::textFont(f);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(QRawFont::fromFont(*text).fontTable("head"), *f->table(kx::fourCC("head")));

    // The face written out alone is the same font.
    const QByteArray data = rbx::qt::sfntData(*f.face());
    const auto copy = rbx::FontFace::fromData(data);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->glyphCount(), f->glyphCount());
    EXPECT_EQ(copy->coveredCharacters(), f->coveredCharacters());
    EXPECT_EQ(copy->postScriptName(), f->postScriptName());

    // Metrics from the tables: 1000 units per em, ascender 800, descender -200.
    const auto m = rbx::qt::metrics(f);
    EXPECT_DOUBLE_EQ(m.ascender, 80);
    EXPECT_DOUBLE_EQ(m.descender, -20);
    EXPECT_NEAR(m.boundingRect.height(), 70, 0.01);
}

TEST_F(TableTest, CellTextsComeFromTheRightFontAndAreKept) {
    const rbx::Font f = font().withPointSize(50);
    RbxCellTextCache cache;
    cache.setFonts(f, rbx::Font());
    const RbxCellText& a = cache.text(U'A', RbxCellTextCache::Kind::Glyphs);
    ASSERT_EQ(a.runs.size(), 1);
    EXPECT_EQ(a.runs[0].glyphIndexes(), QList<quint32>{2});
    EXPECT_NEAR(a.advance, 26, 0.05); // 520 units at 50 per 1000
    EXPECT_NEAR(a.height, 50, 1);
    EXPECT_FALSE(a.missing);
    EXPECT_TRUE(a.hasInk);
    const RbxCellText& text = cache.text(U'A', RbxCellTextCache::Kind::Text);
    EXPECT_NEAR(text.advance, 26, 1);
    EXPECT_TRUE(text.hasInk);
    EXPECT_EQ(cache.size(), 2);
    EXPECT_EQ(&cache.text(U'A', RbxCellTextCache::Kind::Glyphs), &a);
    // A character the font lacks comes out as its missing glyph.
    const RbxCellText& missing = cache.text(0x378, RbxCellTextCache::Kind::Glyphs);
    EXPECT_TRUE(missing.missing);
    EXPECT_FALSE(missing.hasInk);
    cache.setFonts(f.withPointSize(20), rbx::Font());
    EXPECT_EQ(cache.size(), 0);
}


TEST_F(TableTest, SequenceTheFontJoinsStaysOneGlyphWhenDrawnAsText) {
    // U+A0400 stands for "f", a variation selector the font lacks, and "i".
    constexpr char32_t selected = 0xA0400;
    rbxtest::ScopedInstance<RbxVirtualCharacters> sequence(std::make_shared<OneSequence>(selected, QStringLiteral("f\uFE0Fi")));
    const rbx::Font f = font("RbxLigaFi-Regular").withPointSize(40);
    const std::uint32_t ligature = rbx::font::glyphForString(f, QStringLiteral("fi"));
    ASSERT_NE(ligature, 0u);
    RbxCellTextCache cache;
    cache.setFonts(f, rbx::Font());
    const RbxCellText& text = cache.text(selected, RbxCellTextCache::Kind::Text);
    // Another font has the variation selector; still the whole sequence is shaped in the
    // shown font, into its ligature.
    QList<quint32> glyphs;
    for (const QGlyphRun& run : text.runs) {
        EXPECT_EQ(run.rawFont().fontTable("head"), *f->table(kx::fourCC("head")));
        glyphs += run.glyphIndexes();
    }
    EXPECT_TRUE(glyphs.contains(ligature));
    EXPECT_FALSE(glyphs.contains(f->nominalGlyph(U'f')));
    EXPECT_FALSE(glyphs.contains(f->nominalGlyph(U'i')));
}

// A character of the colour emoji font is laid out as a text layout in that font lays it
// out, whether it is the first one (laid out as text) or a later one (from the font's own
// tables).
TEST_F(TableTest, EmojiTextsAreWhatATextLayoutInTheEmojiFontGives) {
    using Kind = RbxCellTextCache::Kind;
    const rbx::Font emoji = font().withPointSize(40);
    auto laidOutAsText = [&](char32_t c) {
        RbxCellTextCache fresh;
        fresh.setFonts(rbx::Font(), emoji);
        return fresh.text(c, Kind::Emoji);
    };
    RbxCellTextCache cache;
    cache.setFonts(font(), emoji);
    cache.text(U'A', Kind::Emoji);
    for (char32_t c : {U'B', U'C', U'a'}) {
        const RbxCellText expected = laidOutAsText(c);
        const RbxCellText& t = cache.text(c, Kind::Emoji);
        ASSERT_EQ(t.runs.size(), 1);
        ASSERT_EQ(expected.runs.size(), 1);
        EXPECT_EQ(t.runs[0].rawFont(), expected.runs[0].rawFont());
        EXPECT_EQ(t.runs[0].rawFont().pixelSize(), 40);
        EXPECT_EQ(t.runs[0].glyphIndexes(), expected.runs[0].glyphIndexes());
        EXPECT_NE(t.runs[0].glyphIndexes(), QList<quint32>{0});
        EXPECT_EQ(t.runs[0].positions(), expected.runs[0].positions());
        EXPECT_NEAR(t.advance, expected.advance, 0.5);
        EXPECT_DOUBLE_EQ(t.height, expected.height);
        EXPECT_EQ(t.missing, expected.missing);
        EXPECT_EQ(t.hasInk, expected.hasInk);
    }
    // Another size of the emoji font forgets what the first one told.
    cache.setFonts(font(), emoji.withPointSize(20));
    cache.text(U'A', Kind::Emoji);
    RbxCellTextCache small;
    small.setFonts(rbx::Font(), emoji.withPointSize(20));
    EXPECT_DOUBLE_EQ(cache.text(U'B', Kind::Emoji).height, small.text(U'B', Kind::Emoji).height);
    EXPECT_LT(cache.text(U'B', Kind::Emoji).height, laidOutAsText(U'B').height);
}

// A scroll through every character keeps only a bounded number of cell texts, and the
// texts asked for after the cache started afresh are laid out again.
TEST_F(TableTest, CellTextsStayBoundedThroughALongScroll) {
    RbxCellTextCache cache;
    cache.setFonts(font().withPointSize(20), rbx::Font());
    int largest = 0;
    for (char32_t c = 0x4E00; c < 0x4E00 + 20000; ++c) {
        cache.text(c, RbxCellTextCache::Kind::Glyphs);
        largest = std::max(largest, cache.size());
    }
    EXPECT_LE(largest, 10000);
    EXPECT_GT(cache.size(), 0);
    const RbxCellText& a = cache.text(U'A', RbxCellTextCache::Kind::Glyphs);
    EXPECT_TRUE(a.hasInk);
    EXPECT_FALSE(a.missing);
}

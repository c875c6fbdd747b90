#include "TableFixture.h"

#include "core/ByteReader.h"
#include "model/FontExtensions.h"
#include "model/CharacterText.h"
#include "common/ScopedInstance.h"
#include "table/widgets/RbxCellText.h"

#include <QFontDatabase>
#include <QTextLayout>
#include <tuple>

TEST_F(TableTest, FacesReachQtExactlyAndKeepTheirTables) {
    const rbx::Font f = font("RbxCmapTest-Regular").withPointSize(100);
    const auto drawing = rbx::qt::drawingFont(f);
    const QRawFont& raw = drawing->raw();
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

// A character of the colour emoji font is laid out as Qt's own text layout in that font
// lays it out, whether it is a lone character (from the font's own tables) or not.
TEST_F(TableTest, EmojiTextsAreWhatATextLayoutInTheEmojiFontGives) {
    using Kind = RbxCellTextCache::Kind;
    const rbx::Font emoji = font().withPointSize(40);
    auto laidOutByQt = [&](const QString& s) {
        QTextLayout layout(s, *rbx::qt::textFont(emoji));
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setPosition(QPointF(0, 0));
        layout.endLayout();
        QList<quint32> glyphs;
        for (const QGlyphRun& run : layout.glyphRuns()) glyphs += run.glyphIndexes();
        return std::tuple(glyphs, line.naturalTextWidth(), line.height());
    };
    RbxCellTextCache cache;
    cache.setFonts(font(), emoji);
    for (char32_t c : {U'A', U'B', U'C', U'a'}) {
        const auto [glyphs, width, height] = laidOutByQt(QString(QChar(c)));
        const RbxCellText& t = cache.text(c, Kind::Emoji);
        ASSERT_EQ(t.runs.size(), 1);
        EXPECT_EQ(t.runs[0].rawFont().pixelSize(), 40);
        EXPECT_EQ(t.runs[0].rawFont().fontTable("head"), *emoji->table(kx::fourCC("head")));
        EXPECT_EQ(t.runs[0].glyphIndexes(), glyphs);
        EXPECT_NE(t.runs[0].glyphIndexes(), QList<quint32>{0});
        EXPECT_NEAR(t.advance, width, 0.5);
        EXPECT_NEAR(t.height, height, 0.5);
        EXPECT_FALSE(t.missing);
        EXPECT_TRUE(t.hasInk);
    }
    // A sequence is shaped as a whole.
    const auto [glyphs, width, height] = laidOutByQt(QStringLiteral("AB"));
    rbxtest::ScopedInstance<RbxVirtualCharacters> sequence(std::make_shared<OneSequence>(0xA0401, QStringLiteral("AB")));
    RbxCellTextCache fresh;
    fresh.setFonts(font(), emoji);
    const RbxCellText& ab = fresh.text(0xA0401, Kind::Emoji);
    QList<quint32> shaped;
    for (const QGlyphRun& run : ab.runs) shaped += run.glyphIndexes();
    EXPECT_EQ(shaped, glyphs);
    EXPECT_NEAR(ab.advance, width, 1);
    EXPECT_NEAR(ab.height, height, 0.5);

    // Another size of the emoji font measures anew.
    cache.setFonts(font(), emoji.withPointSize(20));
    EXPECT_LT(cache.text(U'B', Kind::Emoji).height, 30);
}

// A change of the installed fonts lets go of the faces met before and of the copies Qt was
// given of them: installing and removing fonts does not make the palette grow.
TEST_F(TableTest, AFontChangeReleasesTheFacesAndTheCopiesQtWasGiven) {
    auto* backend = dynamic_cast<rbx::FakeFontBackend*>(&rbx::FontBackend::shared());
    ASSERT_NE(backend, nullptr);
    std::weak_ptr<const rbx::FontFace> shown;
    QString family;
    {
        const rbx::Font alpha = font("RbxAlpha-Regular");
        ASSERT_TRUE(alpha);
        shown = alpha.face();
        family = alpha.familyName();
        // Qt does not know the fixture fonts: it is given a copy.
        ASSERT_TRUE(rbx::qt::textFont(alpha).has_value());
        ASSERT_TRUE(QFontDatabase::families().contains(family));
    }
    backend->touch();
    ASSERT_TRUE(rbx::qt::textFont(font("RbxCmapTest-Regular")).has_value());
    EXPECT_TRUE(shown.expired());
    EXPECT_FALSE(QFontDatabase::families().contains(family));
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

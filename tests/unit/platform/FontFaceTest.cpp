#include "common/TestEnvironment.h"
#include "core/ByteReader.h"
#include "common/FakeFontBackend.h"
#include "platform/fonts/FontFace.h"
#include "platform/fonts/FontconfigBackend.h"

#include <QFile>
#include <gtest/gtest.h>

using rbx::FontFace;

namespace {
QByteArray fixture(const QString& name) {
    QFile f(rbxtest::testData(QStringLiteral("fonts/") + name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

TEST(FontFace, namesTablesAndMetricsOfAFaceInMemory) {
    auto face = FontFace::fromData(fixture(QStringLiteral("RbxCmapTest-Regular.ttf")));
    ASSERT_TRUE(face);
    EXPECT_EQ(face->postScriptName(), QStringLiteral("RbxCmapTest-Regular"));
    EXPECT_EQ(face->familyName(), QStringLiteral("Rbx Cmap Test"));
    EXPECT_EQ(face->fullName(), QStringLiteral("Rbx Cmap Test Regular"));
    EXPECT_TRUE(face->filePath().isEmpty());
    EXPECT_TRUE(face->isSfnt());
    EXPECT_EQ(face->format(), rbx::FontFormat::TrueType);
    EXPECT_EQ(face->unitsPerEm(), 1000);
    EXPECT_EQ(face->glyphCount(), 59);

    const auto tags = face->tableTags();
    EXPECT_TRUE(tags.contains(kx::fourCC("cmap")));
    EXPECT_TRUE(tags.contains(kx::fourCC("post")));
    EXPECT_FALSE(tags.contains(kx::fourCC("GSUB")));
    EXPECT_FALSE(face->hasTable(kx::fourCC("GSUB")));
    EXPECT_FALSE(face->table(kx::fourCC("GSUB")));

    const auto cmap = face->table(kx::fourCC("cmap"));
    ASSERT_TRUE(cmap);
    EXPECT_EQ(cmap->size(), face->tableLength(kx::fourCC("cmap")));
    const auto head = face->tableRange(kx::fourCC("cmap"), 2, 2);
    ASSERT_TRUE(head);
    EXPECT_EQ(kx::ByteReader(*head).u16(0), 5); // five subtables
    int error = 0;
    EXPECT_FALSE(face->tableRange(kx::fourCC("cmap"), std::size_t(cmap->size()) - 1, 2, &error));
    EXPECT_NE(error, 0);
    EXPECT_FALSE(face->tableRange(kx::fourCC("cmap"), std::size_t(-1), 2));
}

TEST(FontFace, coveredCharactersAndNominalGlyphs) {
    auto face = FontFace::fromData(fixture(QStringLiteral("RbxCmapTest-Regular.ttf")));
    ASSERT_TRUE(face);
    const kx::CharSet& covered = face->coveredCharacters();
    // The best Unicode mapping is the format 12 one: it holds U+1F600.
    EXPECT_TRUE(covered.contains(0x1F600));
    EXPECT_TRUE(covered.contains('A'));
    EXPECT_TRUE(covered.contains(0x2126));
    EXPECT_FALSE(covered.contains('0'));
    EXPECT_EQ(covered.numberOfCharacters(), 52u + 8u); // letters + tab, space, nbsp, two omegas, alef, E000, smile
    EXPECT_EQ(face->nominalGlyph('A'), 3u);
    EXPECT_EQ(face->nominalGlyph(0xA0), face->nominalGlyph(' '));
    EXPECT_EQ(face->nominalGlyph('0'), 0u);
    EXPECT_EQ(face->nominalGlyph(0x110000), 0u);
}

// Whether a glyph draws anything, from its outline or its colour bitmap, and its advance.
TEST(FontFace, glyphsInkAndAdvances) {
    auto face = FontFace::fromData(fixture(QStringLiteral("RbxCmapTest-Regular.ttf")));
    ASSERT_TRUE(face);
    EXPECT_TRUE(face->glyphHasInk(face->nominalGlyph('A')));
    EXPECT_FALSE(face->glyphHasInk(face->nominalGlyph(' ')));
    EXPECT_FALSE(face->glyphHasInk(std::uint32_t(face->glyphCount())));
    // Advances in font units, as shaping gives them.
    const auto shaped = face->shape(QStringLiteral("A "));
    ASSERT_EQ(shaped.size(), 2);
    EXPECT_GT(shaped[0].advance, 0);
    EXPECT_EQ(face->glyphAdvance(face->nominalGlyph('A')), shaped[0].advance);
    EXPECT_EQ(face->glyphAdvance(face->nominalGlyph(' ')), shaped[1].advance);
    EXPECT_EQ(face->glyphAdvance(std::uint32_t(face->glyphCount())), 0);

    auto emoji = FontFace::fromData(fixture(QStringLiteral("RbxEmojiBits-Regular.ttf")));
    ASSERT_TRUE(emoji);
    EXPECT_EQ(emoji->format(), rbx::FontFormat::Bitmap);
    EXPECT_TRUE(emoji->glyphHasInk(emoji->nominalGlyph(0x1F600)));
}

TEST(FontFace, shapingUsesTheFaceAloneAndItsLigatures) {
    auto face = FontFace::fromData(fixture(QStringLiteral("RbxLigaEdge-Regular.ttf")));
    ASSERT_TRUE(face);
    const auto ff = face->shape(QStringLiteral("ff"));
    ASSERT_EQ(ff.size(), 1);
    EXPECT_NE(ff[0].glyph, 0u);
    EXPECT_EQ(face->shape(QStringLiteral("ff"), false).size(), 2);
    // A lookup that no feature uses is not applied.
    EXPECT_EQ(face->shape(QStringLiteral("st")).size(), 2);
    // A character the face lacks becomes glyph 0; nothing falls back to another font.
    const auto missing = face->shape(QStringLiteral("\u0416"));
    ASSERT_EQ(missing.size(), 1);
    EXPECT_EQ(missing[0].glyph, 0u);
    EXPECT_GT(face->advanceOf(QStringLiteral("ab")), face->advanceOf(QStringLiteral("a")));
}

TEST(FontFace, aatSubstitutionCanBeLeftOut) {
    auto face = FontFace::fromData(fixture(QStringLiteral("RbxLigaFi-Regular.ttf")));
    ASSERT_TRUE(face);
    ASSERT_TRUE(face->hasTable(kx::fourCC("morx")));
    // The 'morx' table forms f+i; 'GSUB' forms f+i and f+l.
    EXPECT_EQ(face->shape(QStringLiteral("fi")).size(), 1);
    EXPECT_EQ(face->shape(QStringLiteral("fl"), true, FontFace::Layout::OpenTypeOnly).size(), 1);
    EXPECT_EQ(face->shape(QStringLiteral("fi"), true, FontFace::Layout::OpenTypeOnly).size(), 1);
}

TEST(FontFace, bytesOrFilesThatAreNoFontGiveNoFace) {
    EXPECT_FALSE(FontFace::fromData(QByteArray()));
    EXPECT_FALSE(FontFace::fromData(QByteArray("not a font at all")));
    EXPECT_FALSE(FontFace::fromFile(rbxtest::testData(QStringLiteral("fonts/not-a-font.ttf"))));
    EXPECT_FALSE(FontFace::fromFile(QStringLiteral("/nonexistent/font.ttf")));
    EXPECT_EQ(FontFace::faceCountInFile(rbxtest::testData(QStringLiteral("fonts/not-a-font.ttf"))), 0);
    EXPECT_EQ(FontFace::faceCountInFile(rbxtest::testData(QStringLiteral("fonts/RbxAlpha-Regular.ttf"))), 1);
    EXPECT_FALSE(FontFace::fromFile(rbxtest::testData(QStringLiteral("fonts/RbxAlpha-Regular.ttf")), 1));
}

TEST(FakeFontBackend, servesItsFacesAndMovesItsGeneration) {
    rbx::FakeFontBackend backend;
    const quint64 g0 = backend.generation();
    EXPECT_EQ(backend.addFontData(fixture(QStringLiteral("RbxAlpha-Regular.ttf"))), 1);
    EXPECT_GT(backend.generation(), g0);
    ASSERT_TRUE(backend.faceInfo(QStringLiteral("RbxAlpha-Regular")));
    EXPECT_EQ(backend.faceInfo(QStringLiteral("RbxAlpha-Regular"))->family, QStringLiteral("Rbx Alpha"));
    const auto face = backend.face(QStringLiteral("RbxAlpha-Regular"));
    ASSERT_TRUE(face);
    EXPECT_EQ(backend.face(QStringLiteral("RbxAlpha-Regular")), face); // shared while the generation stands
    EXPECT_FALSE(backend.face(QStringLiteral("Nothing-Here")));
    EXPECT_EQ(backend.font(QStringLiteral("RbxAlpha-Regular"), 0).pointSize(), 12.0);

    int changes = 0;
    QObject::connect(&backend, &rbx::FontBackend::fontsChanged, [&] { ++changes; });
    backend.touch();
    EXPECT_EQ(changes, 1);
    EXPECT_NE(backend.face(QStringLiteral("RbxAlpha-Regular")), face); // reopened after the move

    const int container = backend.activateFile(rbxtest::testData(QStringLiteral("fonts/RbxBeta-Regular.ttf")));
    ASSERT_GT(container, 0);
    ASSERT_EQ(backend.facesOfContainer(container).size(), 1);
    EXPECT_EQ(backend.facesOfContainer(container)[0].family, QStringLiteral("Rbx Beta"));
    EXPECT_TRUE(backend.faceInfo(QStringLiteral("RbxBeta-Regular")));
    backend.deactivate(container);
    EXPECT_FALSE(backend.faceInfo(QStringLiteral("RbxBeta-Regular")));
    EXPECT_EQ(backend.activateFile(rbxtest::testData(QStringLiteral("fonts/not-a-font.ttf"))), 0);
}

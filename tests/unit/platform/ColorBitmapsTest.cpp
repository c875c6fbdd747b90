// The colour bitmaps of a face: each glyph's PNG picture and its place, read from the
// face's bytes; damaged tables give no pictures, never a read outside the bytes.
#include "common/TestEnvironment.h"
#include "core/ByteReader.h"
#include "platform/fonts/ColorBitmaps.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

QByteArray fixture() {
    QFile f(rbxtest::testData(QStringLiteral("fonts/RbxEmojiBits-Regular.ttf")));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Where a table lies in a single-face font.
std::size_t tableOffset(const QByteArray& font, const char (&tag)[5]) {
    const kx::ByteReader r(font);
    for (std::size_t i = 0; i < r.u16(4); ++i)
        if (r.tag(12 + 16 * i) == kx::fourCC(tag)) return r.u32(12 + 16 * i + 8);
    return 0;
}

void put32(QByteArray& bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[qsizetype(at) + i] = char((v >> (24 - 8 * i)) & 0xFF);
}

} // namespace

TEST(ColorBitmaps, glyphsGiveTheirPicturesAndPlaces) {
    const auto face = rbx::FontFace::fromData(fixture());
    ASSERT_TRUE(face);
    const auto bitmaps = rbx::ColorBitmaps::of(face);
    ASSERT_TRUE(bitmaps);
    EXPECT_EQ(bitmaps->ppem(), 20);

    const std::uint32_t smile = face->nominalGlyph(0x1F600), heart = face->nominalGlyph(0x2764);
    const auto red = bitmaps->bitmap(smile);
    ASSERT_TRUE(red);
    EXPECT_EQ(red->width, 20);
    EXPECT_EQ(red->height, 20);
    EXPECT_EQ(red->bearingX, 0);
    EXPECT_EQ(red->bearingY, 16);
    EXPECT_TRUE(red->png.startsWith("\x89PNG"));
    const auto blue = bitmaps->bitmap(heart);
    ASSERT_TRUE(blue);
    EXPECT_EQ(blue->width, 16);
    EXPECT_NE(blue->png, red->png);

    // The glyph without a picture, the missing glyph and glyphs beyond the face have none.
    EXPECT_FALSE(bitmaps->bitmap(face->nominalGlyph(0x1F641)));
    EXPECT_FALSE(bitmaps->bitmap(0));
    EXPECT_FALSE(bitmaps->bitmap(9999));

    // A face of outlines has no colour bitmaps.
    const auto outlines = rbx::FontFace::fromFile(rbxtest::testData(QStringLiteral("fonts/RbxAlpha-Regular.ttf")));
    ASSERT_TRUE(outlines);
    EXPECT_FALSE(rbx::ColorBitmaps::of(outlines));
}

TEST(ColorBitmaps, damagedTablesGiveNoPictures) {
    const QByteArray good = fixture();
    const std::size_t cblc = tableOffset(good, "CBLC"), cbdt = tableOffset(good, "CBDT");
    ASSERT_NE(cblc, 0u);
    ASSERT_NE(cbdt, 0u);

    // The strike's index beyond the end of the font: no bitmaps at all.
    QByteArray index = good;
    put32(index, cblc + 8, 0x7FFFFFF0);
    const auto badIndex = rbx::FontFace::fromData(index);
    ASSERT_TRUE(badIndex);
    EXPECT_FALSE(rbx::ColorBitmaps::of(badIndex));

    // A picture longer than its table: that glyph has none. The first picture's length
    // follows its five bytes of metrics.
    QByteArray picture = good;
    const kx::ByteReader r(good);
    const std::size_t array = cblc + r.u32(cblc + 8);
    const std::size_t sub = array + r.u32(array + 4);
    const std::size_t first = cbdt + r.u32(sub + 4) + r.u32(sub + 8);
    put32(picture, first + 5, 0x00FFFFFF);
    const auto badPicture = rbx::FontFace::fromData(picture);
    ASSERT_TRUE(badPicture);
    const auto bitmaps = rbx::ColorBitmaps::of(badPicture);
    ASSERT_TRUE(bitmaps);
    EXPECT_FALSE(bitmaps->bitmap(badPicture->nominalGlyph(0x1F600)));
    EXPECT_TRUE(bitmaps->bitmap(badPicture->nominalGlyph(0x2764)));
}

// The bitmaps hold the face's file only while a picture read from it lives: once the face
// closes, its file is let go, and a picture kept from before stays readable until dropped.
TEST(ColorBitmaps, theFaceFileIsHeldOnlyByThePicturesTakenFromIt) {
    const auto face = rbx::FontFace::fromFile(rbxtest::testData(QStringLiteral("fonts/RbxEmojiBits-Regular.ttf")));
    ASSERT_TRUE(face);
    const auto bitmaps = rbx::ColorBitmaps::of(face);
    ASSERT_TRUE(bitmaps);
    std::optional<rbx::ColorBitmaps::Bitmap> kept = bitmaps->bitmap(face->nominalGlyph(0x1F600));
    ASSERT_TRUE(kept);
    ASSERT_TRUE(kept->png.startsWith("\x89PNG"));
    const QByteArray before(kept->png.constData(), kept->png.size()); // a copy of the picture
    const int mappedOpen = rbx::FontFace::fileMappingsNow();

    rbx::FontFace::closeUnusedFaces();
    EXPECT_FALSE(face->isOpen());
    EXPECT_EQ(rbx::FontFace::fileMappingsNow(), mappedOpen) << "the picture's file was let go under it";
    EXPECT_EQ(kept->png, before);
    kept.reset();
    EXPECT_EQ(rbx::FontFace::fileMappingsNow(), mappedOpen - 1);

    // Asked again, the closed face opens anew for the picture.
    const auto again = bitmaps->bitmap(face->nominalGlyph(0x1F600));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->png, before);
    EXPECT_TRUE(face->isOpen());
}

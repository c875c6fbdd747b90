#include "FontFixtures.h"
#include "core/Log.h"
#include "model/RbxCmapList.h"

#include <gtest/gtest.h>

using fixtures::Bytes;

namespace {

struct Segment {
    unsigned start, end;
    unsigned delta = 0;
    std::vector<unsigned> glyphs; // when given, the segment maps through the glyph index array
};

QByteArray format4(std::vector<Segment> segs) {
    segs.push_back(Segment{0xFFFF, 0xFFFF, 1, {}});
    const unsigned n = unsigned(segs.size());
    Bytes b;
    b.u16(4).u16(0).u16(0).u16(2 * n).u16(0).u16(0).u16(0);
    for (const auto& s : segs) b.u16(s.end);
    b.u16(0);
    for (const auto& s : segs) b.u16(s.start);
    for (const auto& s : segs) b.u16(s.delta);
    unsigned at = 0;
    for (unsigned i = 0; i < n; ++i) {
        if (segs[i].glyphs.empty()) {
            b.u16(0);
        } else {
            b.u16(2 * (n - i) + 2 * at);
            at += unsigned(segs[i].glyphs.size());
        }
    }
    for (const auto& s : segs)
        for (unsigned g : s.glyphs) b.u16(g);
    b.put16(2, unsigned(b.size()));
    return b.data;
}

QByteArray format0(const std::vector<std::pair<unsigned, unsigned>>& map, unsigned language = 0) {
    Bytes b;
    b.u16(0).u16(262).u16(language);
    QByteArray glyphs(256, 0);
    for (auto [c, g] : map) glyphs[int(c)] = char(g);
    b.raw(glyphs);
    return b.data;
}

QByteArray format6(unsigned first, const std::vector<unsigned>& glyphs, unsigned language = 0) {
    Bytes b;
    b.u16(6).u16(10 + 2 * unsigned(glyphs.size())).u16(language).u16(first).u16(unsigned(glyphs.size()));
    for (unsigned g : glyphs) b.u16(g);
    return b.data;
}

struct Sub {
    unsigned platform, encoding;
    QByteArray bytes;
};

QByteArray cmapTable(const std::vector<Sub>& subs) {
    Bytes b;
    b.u16(0).u16(unsigned(subs.size()));
    std::uint32_t at = 4 + 8 * std::uint32_t(subs.size());
    for (const auto& s : subs) {
        b.u16(s.platform).u16(s.encoding).u32(at);
        at += std::uint32_t(s.bytes.size());
    }
    for (const auto& s : subs) b.raw(s.bytes);
    return b.data;
}

RbxCmapList listOf(const QByteArray& table) { return RbxCmapList(RbxCmapSource::forTable(table, QStringLiteral("Test"))); }

} // namespace

TEST(CmapList, fixtureSubtablesAndTheBestOfEach) {
    RbxCmapList list(fixtures::font(QStringLiteral("RbxCmapTest-Regular.ttf")));
    ASSERT_EQ(list.nTables(), 5);
    const int expected[5][4] = {{0, 3, 4, 0}, {0, 4, 12, 0}, {1, 0, 0, 0}, {3, 1, 4, 0}, {3, 10, 12, 0}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(list.platformIDAtIndex(i), expected[i][0]) << i;
        EXPECT_EQ(list.platformSpecificIDAtIndex(i), expected[i][1]) << i;
        EXPECT_EQ(list.cmapFormatAtIndex(i), expected[i][2]) << i;
        EXPECT_EQ(list.cmapLanguageAtIndex(i), expected[i][3]) << i;
    }
    EXPECT_EQ(list.platformIDAtIndex(5), -1);
    EXPECT_EQ(list.cmapFormatAtIndex(-1), -1);
    EXPECT_EQ(list.indexOfBestRomanCmap(), 2);
    // (0,3) format 4 comes first, but the (3,1) one is preferred.
    EXPECT_EQ(list.indexOfBestUnicodeCmap(), 3);
    EXPECT_EQ(list.indexOfFullUnicodeCmap(), 1);
    EXPECT_FALSE(list.cmapAtIndex(1)); // format 12 has no translating reader
    ASSERT_TRUE(list.anyCmapAtIndex(1));
}

TEST(CmapList, aRomanSubtableWithALanguageIsNotTheBest) {
    RbxCmapList list(fixtures::font(QStringLiteral("RbxCmapLang-Regular.ttf")));
    ASSERT_EQ(list.nTables(), 2);
    EXPECT_EQ(list.cmapLanguageAtIndex(0), 1);
    EXPECT_EQ(list.indexOfBestRomanCmap(), -1);
    EXPECT_EQ(list.indexOfBestUnicodeCmap(), 1);
}

TEST(CmapList, theUnicodeChoiceDoesNotDependOnOrder) {
    const QByteArray mapA = format4({{'A', 'A', 0x10000 - 'A' + 7}});
    const QByteArray mapB = format4({{'A', 'A', 0x10000 - 'A' + 9}});
    auto list = listOf(cmapTable({{3, 1, mapA}, {0, 3, mapB}}));
    EXPECT_EQ(list.indexOfBestUnicodeCmap(), 0);
    auto list2 = listOf(cmapTable({{0, 3, mapB}, {1, 0, format6(32, {1})}, {3, 1, mapA}}));
    EXPECT_EQ(list2.indexOfBestUnicodeCmap(), 2);
    EXPECT_EQ(list2.cmapAtIndex(2)->glyphForCharacter('A'), 7u);
    // Without a (3,1) format 4 subtable, the first (0,x) one of format 4.
    auto list3 = listOf(cmapTable({{3, 1, format6(32, {1})}, {0, 5, mapB}, {0, 3, mapA}}));
    EXPECT_EQ(list3.indexOfBestUnicodeCmap(), 1);
    EXPECT_EQ(list3.indexOfBestRomanCmap(), -1);
    auto list4 = listOf(cmapTable({{3, 0, mapA}}));
    EXPECT_EQ(list4.indexOfBestUnicodeCmap(), -1);
}

TEST(Cmap0, translatesBothWaysAboveTheControlCharacters) {
    RbxCmapList list(fixtures::font(QStringLiteral("RbxCmapTest-Regular.ttf")));
    const auto cmap = list.cmapAtIndex(2);
    ASSERT_TRUE(cmap);
    EXPECT_EQ(cmap->format(), 0);
    EXPECT_EQ(cmap->glyphForCharacter('A'), 3u);
    EXPECT_EQ(cmap->glyphForCharacter(0xBD), 55u); // Omega
    EXPECT_EQ(cmap->characterForGlyph(55), 0xBDu);
    // Space and code 0xCA share a glyph: the lower code wins going back.
    EXPECT_EQ(cmap->glyphForCharacter(0xCA), cmap->glyphForCharacter(' '));
    EXPECT_EQ(cmap->characterForGlyph(1), std::uint32_t(' '));

    auto raw = listOf(cmapTable({{1, 0, format0({{5, 9}, {31, 9}, {32, 9}, {200, 4}, {255, 4}})}}));
    const auto c0 = raw.cmapAtIndex(0);
    ASSERT_TRUE(c0);
    std::uint32_t values[] = {0, 5, 31, 32, 200, 255, 256, 0x10041};
    c0->translateCharactersToGlyphs(values, 8);
    const std::uint32_t glyphs[] = {0, 0, 0, 9, 4, 4, 0, 0};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(values[i], glyphs[i]) << i;
    EXPECT_EQ(c0->characterForGlyph(4), 200u);
    EXPECT_EQ(c0->characterForGlyph(9), 32u);
    EXPECT_EQ(c0->characterForGlyph(0), 0u);
    EXPECT_EQ(c0->characterForGlyph(256), 0u);
}

TEST(Cmap4, expandsSegmentsDeltasAndRangeOffsets) {
    RbxCmapList list(fixtures::font(QStringLiteral("RbxCmapTest-Regular.ttf")));
    const auto cmap = list.cmapAtIndex(3);
    ASSERT_TRUE(cmap);
    const auto* c4 = dynamic_cast<const RbxCmap4*>(cmap.get());
    ASSERT_TRUE(c4);
    EXPECT_EQ(c4->maxChar(), 0xFFFF);
    EXPECT_EQ(c4->glyphForCharacter('A'), 3u);
    EXPECT_EQ(c4->glyphForCharacter(0x09), 0u); // below 32: never entered
    EXPECT_EQ(c4->glyphForCharacter(0x2126), c4->glyphForCharacter(0x3A9));
    EXPECT_EQ(c4->characterForGlyph(c4->glyphForCharacter(0x2126)), 0x3A9u); // lowest wins
    EXPECT_EQ(c4->characterForGlyph(c4->glyphForCharacter(0xA0)), std::uint32_t(' '));
    EXPECT_EQ(c4->glyphForCharacter(0x1F600), 0u);

    // A range-offset segment with delta 0 and one with delta 5 over the same glyphs.
    auto raw = listOf(cmapTable({{3, 1, format4({{0x100, 0x102, 0, {10, 0, 12}},
                                                 {0x200, 0x202, 5, {10, 0, 12}},
                                                 {0x10, 0x22, 0x100}})}}));
    const auto r4 = raw.cmapAtIndex(0);
    ASSERT_TRUE(r4);
    EXPECT_EQ(r4->glyphForCharacter(0x100), 10u);
    EXPECT_EQ(r4->glyphForCharacter(0x200), 15u);
    EXPECT_EQ(r4->glyphForCharacter(0x101), 0u); // a 0 word stays 0, delta or not
    EXPECT_EQ(r4->glyphForCharacter(0x201), 0u);
    EXPECT_EQ(r4->glyphForCharacter(0x202), 17u);
    EXPECT_EQ(r4->glyphForCharacter(0x1F), 0u);
    EXPECT_EQ(r4->glyphForCharacter(0x20), 0x120u);
    EXPECT_EQ(r4->characterForGlyph(0x120), 0x20u);
    EXPECT_EQ(r4->characterForGlyph(17), 0x202u);
    EXPECT_EQ(r4->characterForGlyph(0x10000), 0u);
}

TEST(Cmap4, aGlyphIndexWordOutsideTheSubtableMapsToNothing) {
    QByteArray sub = format4({{0x41, 0x43, 0, {7, 8, 9}}});
    // Point the segment's range offset far past the end of the subtable.
    fixtures::Bytes b{sub};
    const int rangeAt = 16 + 6 * 2;
    b.put16(rangeAt, 0x7000);
    auto list = listOf(cmapTable({{3, 1, b.data}}));
    const auto c = list.cmapAtIndex(0);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->glyphForCharacter(0x41), 0u);
    EXPECT_EQ(c->glyphForCharacter(0x43), 0u);
}

TEST(Cmap6, translatesItsRunFromThirtyTwoOn) {
    RbxCmapList list(fixtures::font(QStringLiteral("RbxCmapLang-Regular.ttf")));
    const auto cmap = list.cmapAtIndex(0);
    ASSERT_TRUE(cmap);
    const auto* c6 = dynamic_cast<const RbxCmap6*>(cmap.get());
    ASSERT_TRUE(c6);
    EXPECT_EQ(c6->firstCode(), 20);
    EXPECT_EQ(c6->language(), 1u);
    for (std::uint32_t c = 20; c < 32; ++c) EXPECT_EQ(c6->glyphForCharacter(c), 0u) << c;
    EXPECT_EQ(c6->glyphForCharacter('A'), 2u);
    EXPECT_EQ(c6->glyphForCharacter('z'), 53u);
    EXPECT_EQ(c6->glyphForCharacter('z' + 1), 0u);
    // Codes 20..31 share the glyphs of A..L, but only codes from 32 are entered going back.
    EXPECT_EQ(c6->characterForGlyph(2), std::uint32_t('A'));
    EXPECT_EQ(c6->characterForGlyph(0), 0u);
    EXPECT_EQ(c6->characterForGlyph(54), 0u);

    auto raw = listOf(cmapTable({{1, 0, format6(40, {3, 3, 5})}}));
    const auto r6 = raw.cmapAtIndex(0);
    ASSERT_TRUE(r6);
    EXPECT_EQ(r6->characterForGlyph(3), 40u);
    EXPECT_EQ(r6->characterForGlyph(5), 42u);
}

TEST(Cmap, damagedSubtablesGiveNoReaderAndALogLine) {
    kx::LogCapture log;
    // Format 4 whose segment arrays do not fit.
    QByteArray f4 = format4({{0x41, 0x5A, 3}});
    fixtures::Bytes b4{f4};
    b4.put16(6, 2000);
    EXPECT_FALSE(listOf(cmapTable({{3, 1, b4.data}})).cmapAtIndex(0));
    EXPECT_TRUE(log.contains(QStringLiteral("segments do not fit")));
    // Format 0 shorter than 262 bytes (its length says so and the table ends there).
    fixtures::Bytes b0;
    b0.u16(0).u16(100).u16(0).raw(QByteArray(94, '\1'));
    log.clear();
    EXPECT_FALSE(listOf(cmapTable({{1, 0, b0.data}})).cmapAtIndex(0));
    EXPECT_TRUE(log.contains(QStringLiteral("262")));
    // Format 6 whose entry count runs past the end.
    QByteArray f6 = format6(32, {1, 2, 3});
    fixtures::Bytes b6{f6};
    b6.put16(8, 500);
    log.clear();
    EXPECT_FALSE(listOf(cmapTable({{1, 0, b6.data}})).cmapAtIndex(0));
    EXPECT_TRUE(log.contains(QStringLiteral("entries do not fit")));
    // A subtable whose length runs past the table.
    fixtures::Bytes bl{format6(32, {1})};
    bl.put16(2, 4000);
    log.clear();
    EXPECT_FALSE(listOf(cmapTable({{1, 0, bl.data}})).cmapAtIndex(0));
    EXPECT_FALSE(log.lines().isEmpty());
    // An unknown format gives nothing, quietly.
    fixtures::Bytes bu;
    bu.u16(99).u16(6).u16(0);
    EXPECT_FALSE(listOf(cmapTable({{3, 1, bu.data}})).cmapAtIndex(0));
}

TEST(CmapList, anUnreadableTableAnswersMinusOneEverywhere) {
    kx::LogCapture log;
    auto list = listOf(QByteArray("\0", 1));
    EXPECT_EQ(list.nTables(), -1);
    EXPECT_TRUE(log.contains(QStringLiteral("Cannot get cmap table for font Test: err=")));
    EXPECT_EQ(list.nTables(), -1);
    EXPECT_EQ(log.lines().size(), 1); // logged once
    EXPECT_EQ(list.indexOfBestRomanCmap(), -1);
    EXPECT_EQ(list.indexOfBestUnicodeCmap(), -1);
    EXPECT_EQ(list.platformIDAtIndex(0), -1);
    EXPECT_FALSE(list.cmapAtIndex(0));

    // More records announced than the table holds: the records are dropped.
    fixtures::Bytes b;
    b.u16(0).u16(40).u16(3).u16(1).u32(12);
    auto short_ = listOf(b.data);
    EXPECT_EQ(short_.nTables(), 40);
    RbxCmapList::EncodingRecord rec;
    EXPECT_FALSE(short_.getSubtableAtIndex(0, &rec));
    EXPECT_EQ(short_.nTables(), -1);

    // A record pointing past the end of the table.
    fixtures::Bytes p;
    p.u16(0).u16(1).u16(3).u16(1).u32(5000);
    auto past = listOf(p.data);
    EXPECT_EQ(past.nTables(), 1);
    EXPECT_EQ(past.platformIDAtIndex(0), 3);
    EXPECT_EQ(past.cmapFormatAtIndex(0), -1);
    EXPECT_FALSE(past.cmapAtIndex(0));

    // A face without a 'cmap' table (or no face at all).
    RbxCmapList none{rbx::Font()};
    EXPECT_EQ(none.nTables(), -1);
}

TEST(Cmap12, translatesAllPlanes) {
    RbxCmapList list(fixtures::font(QStringLiteral("RbxCmapTest-Regular.ttf")));
    const auto cmap = list.anyCmapAtIndex(4);
    ASSERT_TRUE(cmap);
    const auto* c12 = dynamic_cast<const RbxCmap12*>(cmap.get());
    ASSERT_TRUE(c12);
    EXPECT_EQ(c12->glyphForCharacter(0x1F600), 58u);
    EXPECT_EQ(c12->characterForGlyph(58), 0x1F600u);
    EXPECT_EQ(c12->glyphForCharacter('A'), 3u);
    EXPECT_EQ(c12->glyphForCharacter(0x09), 0u);
    const auto all = c12->allMappings();
    EXPECT_EQ(all.size(), 59u); // 60 characters less the tab
    EXPECT_EQ(all.back().first, 0x1F600u);

    // Holders keep their header and translate nothing.
    fixtures::Bytes h;
    h.u16(8).u16(0).u32(16).u32(7).u32(0);
    auto raw = listOf(cmapTable({{3, 10, h.data}}));
    EXPECT_EQ(raw.cmapFormatAtIndex(0), 8);
    EXPECT_EQ(raw.cmapLanguageAtIndex(0), 7);
    EXPECT_FALSE(raw.cmapAtIndex(0));
    const auto holder = raw.anyCmapAtIndex(0);
    ASSERT_TRUE(holder);
    EXPECT_EQ(holder->language(), 7u);
    EXPECT_EQ(holder->glyphForCharacter('A'), 0u);
}

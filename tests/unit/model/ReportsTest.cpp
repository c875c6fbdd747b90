#include "TableBuilders.h"
#include "core/Log.h"
#include "model/FontTableReports.h"
#include "model/KXCharGlyphMap.h"

#include <gtest/gtest.h>

namespace font = rbx::font;
using namespace tables;

namespace {

KXCharGlyphMap letters() {
    std::vector<std::pair<char32_t, std::uint16_t>> pairs;
    for (char32_t c = 'a'; c <= 'z'; ++c) pairs.emplace_back(c, std::uint16_t(10 + (c - 'a')));
    return KXCharGlyphMap(QStringLiteral("Letters"), pairs);
}
unsigned g(char c) { return 10 + unsigned(c - 'a'); }

QStringList gsubReport(const QByteArray& t) {
    const KXCharGlyphMap map = letters();
    return font::detailsOfGSUBTable(kx::ByteReader(t), map).value_or(QStringList{QStringLiteral("(none)")});
}
QStringList morxReport(const QByteArray& t) {
    const KXCharGlyphMap map = letters();
    return font::detailsOfmorxTable(kx::ByteReader(t), map, QStringLiteral("Test"));
}

} // namespace

TEST(GsubReport, shortTablesAndTheFixtureFont) {
    EXPECT_EQ(gsubReport(QByteArray(10, '\0')), QStringList{QStringLiteral("GSUB 10 [A] bytes")});
    const auto lines = font::detailsOfGSUB(fixtures::font(QStringLiteral("RbxLigaEdge-Regular.ttf")));
    ASSERT_TRUE(lines);
    EXPECT_EQ(lines->first(), QStringLiteral("GSUB 346 [15A] bytes"));
    EXPECT_EQ(lines->at(1), QStringLiteral("lookup list offset: 70 [46]"));
    EXPECT_EQ(lines->at(2), QStringLiteral("items in lookup list: 6"));
    // A type 7 lookup whose extension is of type 1: its extension line and nothing below;
    // a type 1 lookup: its lookup line only.
    EXPECT_EQ(lines->mid(lines->size() - 5),
              (QStringList{QStringLiteral("4: 188, type = 7"), QStringLiteral("   subTables: 1"),
                           QStringLiteral("       subTable offset: 8"),
                           QStringLiteral("    ext. type = 1, ext. offset = 68"), QStringLiteral("5: 204, type = 1")}));
    const qsizetype range = lines->indexOf(QStringLiteral("2: 84, type = 4"));
    ASSERT_GT(range, 0);
    EXPECT_EQ(lines->mid(range + 3, 6),
              (QStringList{QStringLiteral("        - format: 1, covOffset=54, covFormat=2, ligature sets: 4"),
                           QStringLiteral("          - covered ranges: 1"), QStringLiteral("            -> 30-33(0)"),
                           QStringLiteral("            -- 0: offset: 14, 1 ligatures, glyph#1=30"),
                           QStringLiteral("              --- 0: lig-off: 4, ligG=60, #=2"),
                           QStringLiteral("                     >> 30, 31 = \"ab\"")}));
    EXPECT_TRUE(lines->contains(QStringLiteral("                     >> 35, 35, 38 = \"ffi\"")));
    EXPECT_FALSE(font::detailsOfGSUB(fixtures::font(QStringLiteral("RbxAlpha-Regular.ttf"))));
}

TEST(GsubReport, invalidCountsUnknownGlyphsAndEmptyCoverage) {
    const QStringList lines = gsubReport(gsubWith(4, ligatureSubtable({g('f')}, {{{}, {300}, {g('i')}}})));
    EXPECT_TRUE(lines.contains(QStringLiteral("*** invalid ligature component count 1 (should be >=2)")));
    EXPECT_TRUE(lines.contains(QStringLiteral("                     >> 15, 300 = \"f[300]\"")));
    EXPECT_TRUE(lines.contains(QStringLiteral("                     >> 15, 18 = \"fi\"")));
    EXPECT_TRUE(lines.contains(QStringLiteral("            -- 0: offset: 8, 3 ligatures, glyph#1=15")));

    const QStringList empty = gsubReport(gsubWith(4, ligatureSubtable({}, {})));
    const qsizetype at = empty.indexOf(QStringLiteral("          - covered glyphs: 0"));
    ASSERT_GT(at, 0);
    EXPECT_EQ(empty.at(at + 1), QStringLiteral("            -> "));
    EXPECT_EQ(empty.size(), at + 2);
}

TEST(GsubReport, unreadableFormatsGiveNoReportAndTruncationThrows) {
    Bytes sub{ligatureSubtable({g('f')}, {{{g('i')}}})};
    sub.put16(0, 2);
    EXPECT_EQ(gsubReport(gsubWith(4, sub.data)), QStringList{QStringLiteral("(none)")});
    EXPECT_EQ(gsubReport(gsubWith(4, ligatureSubtable({g('f')}, {{{g('i')}}}, 3))), QStringList{QStringLiteral("(none)")});
    const QByteArray whole = gsubWith(4, ligatureSubtable({g('f')}, {{{g('i')}}}));
    const KXCharGlyphMap map = letters();
    EXPECT_THROW(font::detailsOfGSUBTable(kx::ByteReader(whole.left(whole.size() - 4)), map), kx::OutOfBounds);
}

TEST(MorxReport, theFixtureFontLineByLine) {
    const auto lines = font::detailsOfmorx(fixtures::font(QStringLiteral("RbxLigaFi-Regular.ttf")));
    ASSERT_TRUE(lines);
    const QStringList expected{
        QStringLiteral("morx 158 [9E] bytes"),
        QStringLiteral("version=2, nChains=1"),
        QStringLiteral("#1: def.flags=1, len=150, nFeatures=0, nSub=1"),
        QStringLiteral("-- 0 features:"),
        QStringLiteral("-- 1 subtables:"),
        QStringLiteral("    1: sub.length=134, coverage=2, flags=1 -- LIGATURE"),
        QStringLiteral("       6 classes; classes@28, states@52, entries@88, actions@108, comp@116, lig@120"),
        QStringLiteral("           class lookup format: 6"),
        QStringLiteral("             bin search: unitSize=4, nUnits=2, searchRng=8, entrySel=1, rngShift=0"),
        QStringLiteral("             1: 33(f) -> 4"),
        QStringLiteral("             2: 36(i) -> 5"),
        QStringLiteral("  C#4: f (102), len=1"),
        QStringLiteral("  C#5: i (105), len=1"),
        QStringLiteral("             +++ end of state table = 88, length = 36"),
        QStringLiteral("             +++ items in state table = 18 = 3 states x 6 classes"),
        QStringLiteral("                  S#0: <00000000 00000000 00010000>"),
        QStringLiteral("                  S#1: <00000000 00000000 00010000>"),
        QStringLiteral("                  S#2: <00000000 00000000 00010002>"),
        QStringLiteral("             +++ end of entry table = 108, length = 20"),
        QStringLiteral("             +++ items in entry table = 3"),
        QStringLiteral("                #0: 0 --- 0"),
        QStringLiteral("                #1: 2 S-- 0"),
        QStringLiteral("                #2: 0 S-A 0"),
        QStringLiteral("***** TRY STATE TRANSITIONS *****"),
        QStringLiteral("0: 0"),
        QStringLiteral("1: 2"),
        QStringLiteral("2: [0]"),
        QStringLiteral("0: 0 0 0 0 2 0"),
        QStringLiteral("1: 0 0 0 0 2 0"),
        QStringLiteral("2: 0 0 0 0 2 [0]"),
        QStringLiteral("Class sequences:"),
        QStringLiteral("4 5 : fi"),
        QStringLiteral("             +++ end of action table = 116, length = 8"),
        QStringLiteral("             +++ end of component table = 120, length = 4"),
        QStringLiteral("             +++ end of ligature list = 134, length = 14"),
    };
    EXPECT_EQ(*lines, expected);
    EXPECT_FALSE(font::detailsOfmorx(fixtures::font(QStringLiteral("RbxAlpha-Regular.ttf"))));
}

TEST(MorxReport, shortTablesAndOtherSubtables) {
    EXPECT_EQ(morxReport(QByteArray(24, '\0')), QStringList{QStringLiteral("morx 24 [18] bytes")});
    // A chain holding only a rearrangement subtable: the chain's lines alone.
    Bytes rearrangement;
    rearrangement.u32(16).u32(0).u32(1).u32(0);
    const QStringList lines = morxReport(morx({chain({rearrangement.data})}));
    EXPECT_EQ(lines, (QStringList{QStringLiteral("morx 40 [28] bytes"), QStringLiteral("version=2, nChains=1"),
                                  QStringLiteral("#1: def.flags=1, len=32, nFeatures=0, nSub=1"),
                                  QStringLiteral("-- 0 features:"), QStringLiteral("-- 1 subtables:")}));
    // Chains that do not fit.
    Bytes two{morx({chain({rearrangement.data})})};
    two.put32(4, 2);
    EXPECT_EQ(morxReport(two.data).last(), QStringLiteral("*** chain 2 header at 40 not inside table"));
    Bytes longer{morx({chain({rearrangement.data})})};
    longer.put32(12, 5000);
    EXPECT_EQ(morxReport(longer.data).last(), QStringLiteral("*** chain 1 header at 8 (length 5000) not inside table"));
    Bytes sub{morx({chain({rearrangement.data})})};
    sub.put32(24, 5000);
    EXPECT_EQ(morxReport(sub.data).last(), QStringLiteral("*** subtable 1 header at 24 (length 5000) not inside table"));
}

TEST(MorxReport, classRecordsEntriesAndStates) {
    // A format 6 class lookup with a 0xFFFF record in the middle.
    Bytes classes;
    classes.u16(6).u16(4).u16(3).u16(0).u16(0).u16(0);
    classes.u16(g('f')).u16(4).u16(0xFFFF).u16(0).u16(g('i')).u16(5);
    Machine m = pairMachine(classes.data);
    m.nClasses = 7; // class 6 stays empty
    for (auto& row : m.states) row.push_back(0);
    m.states[0][4] = 7; // names entry 7 of 5
    m.entries.push_back({0, 0, 0});
    m.entries.push_back({1, 0x4000, 3});
    const QStringList lines = morxReport(morx({chain({ligatureSubtable(m)})}));
    EXPECT_TRUE(lines.contains(QStringLiteral("             1: 15(f) -> 4")));
    EXPECT_FALSE(lines.contains(QStringLiteral("             3: 18(i) -> 5")));
    EXPECT_TRUE(lines.contains(QStringLiteral("  C#4: f (102), len=1")));
    EXPECT_FALSE(lines.filter(QStringLiteral("C#5")).size());
    EXPECT_TRUE(lines.contains(QStringLiteral("*** invalid entry 7 (should be < 5)")));
    EXPECT_TRUE(lines.contains(QStringLiteral("                #2: 0 S-A 0")));
    EXPECT_TRUE(lines.contains(QStringLiteral("                #4: 1 -D- 3")));
    EXPECT_TRUE(lines.contains(QStringLiteral("empty class 5")));
    EXPECT_TRUE(lines.contains(QStringLiteral("empty class 6")));
    EXPECT_TRUE(lines.contains(QStringLiteral("0: 0 0 0 0 0 0 0")));
    // No class sequence: the action table follows at once.
    EXPECT_TRUE(lines.at(lines.indexOf(QStringLiteral("Class sequences:")) + 1)
                    .startsWith(QStringLiteral("             +++ end of action table = ")));
}

TEST(MorxReport, structuralProblemsEndTheReportWithTheirLine) {
    auto lastOf = [](Machine m) { return morxReport(morx({chain({ligatureSubtable(m)})})).last(); };
    Machine noClasses = pairMachine(lookupFormat6({{g('f'), 4}}));
    noClasses.nClasses = 0;
    EXPECT_EQ(lastOf(noClasses), QStringLiteral("           ********** number of classes must not be 0"));
    Machine rows = pairMachine(lookupFormat6({{g('f'), 4}}));
    rows.statePad = 6;
    EXPECT_EQ(lastOf(rows),
              QStringLiteral("           ********** State table size (21) must be a multiple of the number of classes (6)"));
    Machine odd = pairMachine(lookupFormat6({{g('f'), 4}}));
    odd.statePad = 5;
    EXPECT_EQ(lastOf(odd), QStringLiteral("           ********** state table length must be a multiple of 2"));
    Machine entries = pairMachine(lookupFormat6({{g('f'), 4}}));
    entries.entryPad = 4;
    EXPECT_EQ(lastOf(entries), QStringLiteral("           ********** entry table length must be a multiple of 6"));
    Machine padded = pairMachine(lookupFormat6({{g('f'), 4}, {g('i'), 5}}));
    padded.statePad = 2;
    padded.entryPad = 2;
    EXPECT_TRUE(morxReport(morx({chain({ligatureSubtable(padded)})})).contains(QStringLiteral("4 5 : fi")));

    Bytes f0;
    f0.u16(0).u16(0);
    EXPECT_EQ(lastOf(pairMachine(f0.data)), QStringLiteral("           ********** format 0 is not yet supported"));
    Bytes f9;
    f9.u16(9).u16(0);
    EXPECT_TRUE(morxReport(morx({chain({ligatureSubtable(pairMachine(f9.data))})}))
                    .contains(QStringLiteral("           ********** UNKNOWN LOOKUP FORMAT 9")));
    Bytes unit;
    unit.u16(2).u16(4).u16(0).u16(0).u16(0).u16(0);
    EXPECT_TRUE(morxReport(morx({chain({ligatureSubtable(pairMachine(unit.data))})}))
                    .contains(QStringLiteral("*** unit size 4 must be 6 for lookup format 2")));
}

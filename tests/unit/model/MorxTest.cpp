#include "TableBuilders.h"
#include "core/Log.h"
#include "model/FontExtensions.h"
#include "model/KXCharGlyphMap.h"
#include "model/LigatureReaders.h"
#include "model/MorxStructure.h"

#include <gtest/gtest.h>

namespace font = rbx::font;
using fixtures::Bytes;
using namespace tables;

namespace {

// Glyph g + 10 is the letter 'a' + g; glyph 60 is Hebrew alef.
KXCharGlyphMap letters() {
    std::vector<std::pair<char32_t, std::uint16_t>> pairs;
    for (char32_t c = 'a'; c <= 'z'; ++c) pairs.emplace_back(c, std::uint16_t(10 + (c - 'a')));
    pairs.emplace_back(0x5D0, 60);
    return KXCharGlyphMap(QStringLiteral("Letters"), pairs);
}
unsigned g(char c) { return 10 + unsigned(c - 'a'); }


std::optional<QStringList> read(const QByteArray& table, const kx::CharSet& excluded = kx::CharSet()) {
    const KXCharGlyphMap map = letters();
    return font::ligaturesInMorx(kx::ByteReader(table), map, excluded, QStringLiteral("Test"));
}

QByteArray fiTable(int statePad = 0, int entryPad = 0) {
    Machine m = pairMachine(lookupFormat6({{g('f'), 4}, {g('i'), 5}}));
    m.statePad = statePad;
    m.entryPad = entryPad;
    return morx({chain({ligatureSubtable(m)})});
}

// A path through `depth` states before the ligature action.
QByteArray deepTable(int depth) {
    Machine m;
    m.classTable = lookupFormat6({{g('a'), 4}});
    m.nClasses = 5;
    m.entries = {{0, 0, 0}};
    for (int s = 0; s < depth + 2; ++s) {
        const unsigned next = s < 2 ? 2 : unsigned(s + 1);
        m.entries.push_back({next, 0x8000, 0});
        m.states.push_back({0, 0, 0, 0, unsigned(m.entries.size() - 1)});
    }
    m.entries.push_back({0, 0xA000, 0});
    m.states.back()[4] = unsigned(m.entries.size() - 1);
    return ligatureSubtable(m);
}

} // namespace

TEST(MorxReader, findsTheClassSequencesThatEndInAnAction) {
    EXPECT_EQ(read(fiTable()), QStringList{QStringLiteral("fi")});
    // Two first letters in one class: the class is written in brackets.
    Machine two = pairMachine(lookupFormat6({{g('f'), 4}, {g('g'), 4}, {g('i'), 5}}));
    EXPECT_EQ(read(morx({chain({ligatureSubtable(two)})})), QStringList{QStringLiteral("[fg] i")});
    // Right-to-left letters are not collected: the class stays empty and is cut out.
    Machine rtl = pairMachine(lookupFormat6({{60, 4}, {g('i'), 5}}));
    EXPECT_FALSE(read(morx({chain({ligatureSubtable(rtl)})})));
}

TEST(MorxReader, alignmentPaddingIsAccepted) {
    EXPECT_EQ(read(fiTable(2, 0)), QStringList{QStringLiteral("fi")});
    EXPECT_EQ(read(fiTable(0, 2)), QStringList{QStringLiteral("fi")});
    EXPECT_EQ(read(fiTable(3, 3)), QStringList{QStringLiteral("fi")});
    // Four bytes or more are no padding: the reading stops with what it found (nothing).
    EXPECT_EQ(read(fiTable(0, 4)), QStringList());
    EXPECT_EQ(read(fiTable(4, 0)), QStringList());
}

TEST(MorxReader, classLookupFormats) {
    // Format 2: segments; a later segment of a class replaces an earlier one.
    Bytes f2;
    f2.u16(2).u16(6).u16(4).u16(0).u16(0).u16(0);
    f2.u16(g('b')).u16(g('a')).u16(4);
    f2.u16(g('i')).u16(g('i')).u16(5);
    f2.u16(g('y')).u16(g('x')).u16(4);
    f2.u16(0xFFFF).u16(0xFFFF).u16(0);
    EXPECT_EQ(read(morx({chain({ligatureSubtable(pairMachine(f2.data))})})), QStringList{QStringLiteral("[xy] i")});
    // Format 4: segments with class arrays.
    Bytes f4;
    f4.u16(4).u16(6).u16(2).u16(0).u16(0).u16(0);
    f4.u16(g('g')).u16(g('f')).u16(24);
    f4.u16(0xFFFF).u16(0xFFFF).u16(28);
    f4.u16(4).u16(0); // f: 4, g: 0
    f4.u16(0);
    EXPECT_FALSE(read(morx({chain({ligatureSubtable(pairMachine(f4.data))})}))); // class 5 stays empty
    Bytes f4i{f4.data};
    f4i.put16(26, 5); // g: 5
    EXPECT_EQ(read(morx({chain({ligatureSubtable(pairMachine(f4i.data))})})), QStringList{QStringLiteral("fg")});
    // Format 8: a trimmed array.
    Bytes f8;
    f8.u16(8).u16(g('f')).u16(4).u16(4).u16(0).u16(0).u16(5); // f g h i
    EXPECT_EQ(read(morx({chain({ligatureSubtable(pairMachine(f8.data))})})), QStringList{QStringLiteral("fi")});
    // Format 0 ends the reading of the whole table.
    Bytes f0;
    f0.u16(0).u16(0);
    EXPECT_FALSE(read(morx({chain({ligatureSubtable(pairMachine(f0.data))})})));
    // Another format leaves the classes empty.
    Bytes f10;
    f10.u16(10).u16(0);
    EXPECT_FALSE(read(morx({chain({ligatureSubtable(pairMachine(f10.data))})})));
}

TEST(MorxReader, aPathThirtyOneStatesDeepGivesNothingForItsSubtableOnly) {
    kx::LogCapture log;
    EXPECT_FALSE(read(morx({chain({deepTable(40)})})));
    EXPECT_TRUE(log.contains(QStringLiteral("class sequence recursion exceeded for Test:")));
    EXPECT_EQ(read(morx({chain({deepTable(20)})})), QStringList{QString(21, QLatin1Char('a'))});
    // The abandoned search leaves no marks behind for the next subtable.
    Machine fi = pairMachine(lookupFormat6({{g('f'), 4}, {g('i'), 5}}));
    EXPECT_EQ(read(morx({chain({deepTable(40), ligatureSubtable(fi)})})), QStringList{QStringLiteral("fi")});
}

TEST(MorxReader, aChainRunningPastTheEndStopsWithWhatEarlierChainsGave) {
    // z and a lead to i: found in class order, z first.
    Machine m;
    m.classTable = lookupFormat6({{g('z'), 4}, {g('a'), 5}, {g('i'), 6}});
    m.nClasses = 7;
    m.states = {{0, 0, 0, 0, 1, 2, 0}, {0, 0, 0, 0, 1, 2, 0}, {0, 0, 0, 0, 0, 0, 3}, {0, 0, 0, 0, 0, 0, 3}};
    m.entries = {{0, 0, 0}, {2, 0x8000, 0}, {3, 0x8000, 0}, {0, 0xA000, 0}};
    const QByteArray good = chain({ligatureSubtable(m)});
    EXPECT_EQ(read(morx({good})), (QStringList{QStringLiteral("ai"), QStringLiteral("zi")}));
    Bytes broken{chain({ligatureSubtable(m)})};
    broken.put32(4, 100000);
    EXPECT_EQ(read(morx({good, broken.data})), (QStringList{QStringLiteral("zi"), QStringLiteral("ai")}));
    // A subtable running past its table likewise.
    Bytes badSub{ligatureSubtable(m)};
    badSub.put32(0, 100000);
    EXPECT_EQ(read(morx({good, chain({badSub.data})})), (QStringList{QStringLiteral("zi"), QStringLiteral("ai")}));
}

TEST(MorxReader, damagedStatesNeverLeadOutside) {
    // An entry index beyond the entries counts as 0; a next state beyond the states leads
    // nowhere.
    Machine m = pairMachine(lookupFormat6({{g('f'), 4}, {g('i'), 5}}));
    m.states[0][4] = 9;
    m.states[1][4] = 9;
    EXPECT_FALSE(read(morx({chain({ligatureSubtable(m)})})));
    Machine far = pairMachine(lookupFormat6({{g('f'), 4}, {g('i'), 5}}));
    far.entries[1] = {500, 0x8000, 0};
    EXPECT_FALSE(read(morx({chain({ligatureSubtable(far)})})));
    // Short tables, no chains, zero lengths.
    EXPECT_FALSE(read(QByteArray(24, '\0')));
    EXPECT_FALSE(read(morx({})));
    Bytes zero{morx({chain({})})};
    zero.put32(12, 0); // chain length 0
    EXPECT_EQ(read(zero.data), std::nullopt);
    // A class table whose records run past the table: the reading throws.
    Bytes whole{fiTable()};
    whole.put16(64 + 4, 0x7FFF);
    whole.put16(64 + 12 + 2 * 4, 0x1234); // no end record
    EXPECT_THROW(read(whole.data), kx::OutOfBounds);
}

TEST(ClassSequenceSearch, writesClassNumbersAndStopsAtTheResultLimit) {
    // State 0 -> class 4 -> state 2 -> class 5 acts.
    std::vector<std::uint16_t> cells(3 * 6, 0);
    cells[0 * 6 + 4] = 2;
    cells[2 * 6 + 4] = 2;
    cells[2 * 6 + 5] = 0x8000;
    const QStringList classes{QString(), QString(), QString(), QString(), QStringLiteral("f"), QStringLiteral("il")};
    font::ClassSequenceSearch numbered(cells, 3, 6, classes, true);
    EXPECT_EQ(numbered.run(QStringLiteral("Test")), QStringList{QStringLiteral("4 5 : f[il] ")});
    font::ClassSequenceSearch plain(cells, 3, 6, classes, false);
    EXPECT_EQ(plain.run(QStringLiteral("Test")), QStringList{QStringLiteral("f[il] ")});
    // Fewer than 5 classes: nothing to follow.
    font::ClassSequenceSearch few(std::vector<std::uint16_t>(12, 0x8000), 3, 4, classes, false);
    EXPECT_EQ(few.run(QStringLiteral("Test")), QStringList());
    // No states at all, or fewer cells than states x classes: nothing read outside.
    font::ClassSequenceSearch none({}, 5, 6, classes, false);
    EXPECT_EQ(none.run(QStringLiteral("Test")), QStringList());

    // (n - 4)^2 results from state 0 through state 2: at 15,001 the search gives up.
    const int n = 4 + 123;
    std::vector<std::uint16_t> many(std::size_t(3 * n), 0);
    QStringList names;
    for (int k = 0; k < n; ++k) names << QString(QChar(char16_t(0x100 + k)));
    for (int k = 4; k < n; ++k) {
        many[std::size_t(k)] = 2;
        many[std::size_t(2 * n + k)] = 0x8000;
    }
    font::ClassSequenceSearch huge(many, 3, n, names, false);
    EXPECT_FALSE(huge.run(QStringLiteral("Test")));
    const int fewer = 4 + 100;
    std::vector<std::uint16_t> ok(std::size_t(3 * fewer), 0);
    for (int k = 4; k < fewer; ++k) {
        ok[std::size_t(k)] = 2;
        ok[std::size_t(2 * fewer + k)] = 0x8000;
    }
    font::ClassSequenceSearch fine(ok, 3, fewer, names, false);
    const auto found = fine.run(QStringLiteral("Test"));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->size(), 100 * 100);
}

TEST(ClassSequenceSearch, eachSearchKeepsItsOwnStateAndCanRunAgain) {
    // Two paths meet in state 2 (classes 4 and 5 from state 0); state 2 acts on class 6.
    // A state left marked after the first path would hide the second.
    std::vector<std::uint16_t> cells(3 * 7, 0);
    cells[0 * 7 + 4] = 2;
    cells[0 * 7 + 5] = 2;
    cells[2 * 7 + 6] = 0x8000;
    const QStringList classes{QString(), QString(), QString(), QString(), QStringLiteral("a"), QStringLiteral("b"),
                              QStringLiteral("c")};
    const QStringList expected{QStringLiteral("ac"), QStringLiteral("bc")};
    font::ClassSequenceSearch first(cells, 3, 7, classes, false);
    EXPECT_EQ(first.run(QStringLiteral("Test")), expected);
    // A second search in between does not disturb the first one's next run.
    font::ClassSequenceSearch other(std::vector<std::uint16_t>(3 * 7, 0x8002), 3, 7, classes, false);
    other.run(QStringLiteral("Test"));
    EXPECT_EQ(first.run(QStringLiteral("Test")), expected);
}

TEST(ClassSequenceSearch, anExplodingStateMachineIsGivenUp) {
    // Every state leads to every other: the simple paths are far too many to walk.
    const int states = 30, n = 4 + states;
    std::vector<std::uint16_t> cells(std::size_t(states * n), 0);
    QStringList names;
    for (int k = 0; k < n; ++k) names << QString(QChar(char16_t(0x100 + k)));
    for (int s = 0; s < states; ++s)
        for (int k = 4; k < n; ++k) cells[std::size_t(s * n + k)] = std::uint16_t(2 + (k - 4) % (states - 2));
    kx::LogCapture log;
    font::ClassSequenceSearch search(cells, states, n, names, false);
    EXPECT_FALSE(search.run(QStringLiteral("Test")));
    EXPECT_TRUE(log.contains(QStringLiteral("class sequence search gave up for Test after")));
}

TEST(MorxReader, overlappingClassSegmentsAreRefused) {
    // Thousands of segments each spanning every glyph.
    Bytes f2;
    const unsigned segments = 4000;
    f2.u16(2).u16(6).u16(segments).u16(0).u16(0).u16(0);
    for (unsigned i = 0; i < segments; ++i) f2.u16(0xFFFE).u16(0).u16(4);
    EXPECT_THROW(read(morx({chain({ligatureSubtable(pairMachine(f2.data))})})), font::TableTooComplex);
}

TEST(GsubReader, aTableThatRepeatsItselfIsRefused) {
    // 16000 lookups, all the same lookup with 16000 subtables, all the same subtable.
    const unsigned n = 16000;
    Bytes t;
    t.u32(0x00010000).u16(10).u16(10).u16(12).u16(0);
    t.u16(n);
    for (unsigned i = 0; i < n; ++i) t.u16(2 + 2 * n);
    t.u16(4).u16(0).u16(n);
    for (unsigned i = 0; i < n; ++i) t.u16(6 + 2 * n);
    t.raw(ligatureSubtable({g('f')}, {{{g('i')}}}));
    const KXCharGlyphMap map = [] {
        std::vector<std::pair<char32_t, std::uint16_t>> pairs;
        for (char32_t c = 'a'; c <= 'z'; ++c) pairs.emplace_back(c, std::uint16_t(10 + (c - 'a')));
        return KXCharGlyphMap(QStringLiteral("Letters"), pairs);
    }();
    EXPECT_THROW(font::ligaturesInGSUB(kx::ByteReader(t.data), map, kx::CharSet()), font::TableTooComplex);
}

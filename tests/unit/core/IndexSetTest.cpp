#include "core/IndexSet.h"
#include "core/Log.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using kx::IndexSet;

namespace {
QString write(const IndexSet& s) { return s.compactStringRepresentation(); }
IndexSet read(const QString& t) { return IndexSet::indexSetFromCompactStringRepresentation(t); }
} // namespace

TEST(IndexSet, RangesStayMergedAndSorted) {
    IndexSet s{5, 3, 4, 10, 12};
    EXPECT_EQ(s.ranges(), (std::vector<IndexSet::Range>{{3, 5}, {10, 10}, {12, 12}}));
    s.add(11);
    EXPECT_EQ(s.ranges(), (std::vector<IndexSet::Range>{{3, 5}, {10, 12}}));
    s.addRange(0, 20);
    EXPECT_EQ(s.ranges(), (std::vector<IndexSet::Range>{{0, 19}}));
    s.remove(7);
    s.remove(0);
    s.remove(19);
    s.remove(50);
    EXPECT_EQ(s.ranges(), (std::vector<IndexSet::Range>{{1, 6}, {8, 18}}));
    EXPECT_EQ(s.count(), 17u);
    EXPECT_TRUE(s.contains(8));
    EXPECT_FALSE(s.contains(7));
    EXPECT_EQ(s.firstIndex(), 1u);
    EXPECT_EQ(s.lastIndex(), 18u);
    EXPECT_EQ(IndexSet().firstIndex(), kx::NotFound);
    s.addRange(std::numeric_limits<std::size_t>::max() - 1, 10);
    EXPECT_EQ(s.lastIndex(), std::numeric_limits<std::size_t>::max());
}

TEST(IndexSet, CompactTextOfKnownSets) {
    EXPECT_EQ(write(IndexSet()), QStringLiteral("@"));
    EXPECT_EQ(write({0}), QStringLiteral("A"));
    EXPECT_EQ(write({5}), QStringLiteral("e"));
    EXPECT_EQ(write({1, 2, 3}), QStringLiteral("N"));
    EXPECT_EQ(write({6}), QStringLiteral("@A"));
    EXPECT_EQ(write({12}), QStringLiteral("0A"));
    EXPECT_EQ(write({66}), QStringLiteral("9A"));
    EXPECT_EQ(write({72}), QStringLiteral("9@A"));
    EXPECT_EQ(write({0, 6, 12}), QStringLiteral("A0"));
    EXPECT_EQ(write({0, 6, 12, 18}), QStringLiteral("A1"));
    EXPECT_EQ(write(IndexSet::fromRange(0, 12)), QStringLiteral("$$"));
    EXPECT_EQ(write(IndexSet::fromRange(0, 18)), QStringLiteral("$0"));
    EXPECT_EQ(write({0, 1, 2, 3, 4, 5, 12}), QStringLiteral("$@A"));
    EXPECT_EQ(write(IndexSet::fromRange(0, 200)), QStringLiteral("$998C"));
    // Ranges that start and end inside groups.
    EXPECT_EQ(write(IndexSet::fromRange(4, 10)), QStringLiteral("u$C"));
}

TEST(IndexSet, ReadingCompactText) {
    EXPECT_TRUE(read(QStringLiteral("@")).isEmpty());
    EXPECT_TRUE(read(QString()).isEmpty());
    EXPECT_EQ(read(QStringLiteral("1A")), (IndexSet{18}));
    EXPECT_EQ(read(QStringLiteral("$998C")), IndexSet::fromRange(0, 200));
    // Characters outside the alphabet, 7-bit or not, are empty groups.
    EXPECT_EQ(read(QStringLiteral("A#A")), (IndexSet{0, 12}));
    EXPECT_EQ(read(QStringLiteral("A\u00E9A")), (IndexSet{0, 12}));
    EXPECT_EQ(read(QStringLiteral("A\U0001F600A")), (IndexSet{0, 18}));
}

TEST(IndexSet, EveryWrittenTextReadsBack) {
    QRandomGenerator rng(1234);
    for (int round = 0; round < 300; ++round) {
        IndexSet s;
        const int pieces = rng.bounded(12);
        for (int i = 0; i < pieces; ++i) {
            const std::size_t first = rng.bounded(round < 150 ? 200 : 5000);
            s.addRange(first, rng.bounded(1, round % 3 == 0 ? 300 : 4));
        }
        const QString text = write(s);
        ASSERT_EQ(read(text), s) << text.toStdString();
    }
    IndexSet top{0, 2147483647};
    EXPECT_EQ(read(write(top)), top);
}

TEST(IndexSet, IndexesBeyondThirtyOneBitsAreRefused) {
    kx::LogCapture log;
    EXPECT_EQ(write(IndexSet{1, std::size_t{1} << 31}), QString());
    EXPECT_TRUE(log.contains(QStringLiteral("refused")));
    log.clear();
    // 2147483646 is the first index of the last group that still starts below 2^31.
    EXPECT_EQ(read(QString(32537631, u'9') + QStringLiteral("A")), (IndexSet{2147483646}));
    EXPECT_TRUE(read(QString(32537631, u'9') + QStringLiteral("$")).isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("refused")));
}

#include "core/KXBlockArray.h"
#include "core/KXIntegerArray.h"
#include "core/Log.h"
#include "core/RbxRecentArray.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::int32_t> values(const KXIntegerArray& a) {
    std::vector<std::int32_t> v;
    a.forEach([&](std::int32_t x) { v.push_back(x); });
    return v;
}

KXIntegerArray listOf(std::initializer_list<std::int32_t> xs) {
    KXIntegerArray a;
    for (auto x : xs) a.addInteger(x);
    return a;
}

using V = std::vector<std::int32_t>;

} // namespace

TEST(KXIntegerArray, ByteBlockIsBigEndianAndDropsPartialIntegers) {
    EXPECT_EQ(listOf({1, 0x10000}).data(), QByteArray::fromHex("0000000100010000"));
    EXPECT_EQ(listOf({-2}).data(), QByteArray::fromHex("fffffffe"));
    EXPECT_TRUE(KXIntegerArray::arrayWithData(QByteArray()).isEmpty());
    KXIntegerArray seven = KXIntegerArray::arrayWithData(QByteArray::fromHex("0000002a000000"));
    EXPECT_EQ(values(seven), V{42});
    const KXIntegerArray a = listOf({5, -7, 0x10FFFF, 0});
    EXPECT_EQ(KXIntegerArray::arrayWithData(a.data()), a);
    // Producing the block leaves the list as it was.
    EXPECT_EQ(values(a), (V{5, -7, 0x10FFFF, 0}));
}

TEST(KXIntegerArray, SettingBeyondTheEndFillsWithZerosAndReadingDoesNotGrow) {
    KXIntegerArray a;
    EXPECT_EQ(a.integerAtIndex(3), 0);
    EXPECT_EQ(a.count(), 0);
    EXPECT_EQ(a.intArray(), nullptr);
    EXPECT_TRUE(a.setInteger(9, 5));
    EXPECT_EQ(values(a), (V{0, 0, 0, 0, 0, 9}));
    EXPECT_EQ(a.capacity(), 16);
    for (int i = 0; i < 11; ++i) a.addInteger(i);
    EXPECT_EQ(a.count(), 17);
    EXPECT_EQ(a.capacity(), 32);
    EXPECT_EQ(a.intArray()[5], 9);
    EXPECT_EQ(KXIntegerArray(1).capacity(), 16);
    EXPECT_EQ(KXIntegerArray(17).capacity(), 32);
    EXPECT_EQ(KXIntegerArray(0).capacity(), 0);
}

TEST(KXIntegerArray, HugeIndexesAndCountsAreRefused) {
    kx::LogCapture log;
    KXIntegerArray a = listOf({1, 2});
    EXPECT_FALSE(a.setInteger(7, std::size_t{1} << 31));
    EXPECT_FALSE(a.setInteger(7, std::size_t(-1)));
    EXPECT_FALSE(a.insertInteger(7, std::size_t{1} << 40));
    EXPECT_FALSE(a.resize(qint64{1} << 31));
    EXPECT_FALSE(a.replaceIntegerAtIndex(std::size_t{1} << 33, 1));
    EXPECT_EQ(values(a), (V{1, 2}));
    EXPECT_EQ(a.capacity(), 16);
    EXPECT_TRUE(log.contains(QStringLiteral("refused")));
    EXPECT_TRUE(a.resize(-3));
    EXPECT_TRUE(a.isEmpty());
}

TEST(KXIntegerArray, InsertRemoveAndResize) {
    KXIntegerArray a = listOf({1, 2, 3});
    a.insertInteger(9, 1);
    EXPECT_EQ(values(a), (V{1, 9, 2, 3}));
    a.insertInteger(8, 6);
    EXPECT_EQ(values(a), (V{1, 9, 2, 3, 0, 0, 8}));
    a.removeIntegerAtIndex(0);
    a.removeIntegerAtIndex(100);
    EXPECT_EQ(values(a), (V{9, 2, 3, 0, 0, 8}));
    // The freed slot is zero, so growing the count again shows 0 there.
    a.resize(7);
    EXPECT_EQ(a.integerAtIndex(6), 0);
    EXPECT_EQ(a.capacity(), 7);
    a.removeInteger(0);
    EXPECT_EQ(values(a), (V{9, 2, 3, 8}));
    a.addIntegerArray(listOf({2, 2}));
    a.removeInteger(2);
    EXPECT_EQ(values(a), (V{9, 3, 8}));
    a.resize(2);
    EXPECT_EQ(a.capacity(), 2);
    a.resize(4);
    EXPECT_EQ(values(a), (V{9, 3, 0, 0}));
    a.removeAllIntegers();
    EXPECT_EQ(a.capacity(), 0);
    EXPECT_EQ(a.intArray(), nullptr);
}

TEST(KXIntegerArray, TrimDropsOnlyTrailingZeros) {
    KXIntegerArray a = listOf({3, 0, 4, 0, 0});
    a.trim();
    EXPECT_EQ(values(a), (V{3, 0, 4}));
    EXPECT_EQ(a.capacity(), 3);
    KXIntegerArray z = listOf({0, 0});
    z.trim();
    EXPECT_TRUE(z.isEmpty());
}

TEST(KXIntegerArray, ReadsDecimalNumbersFromText) {
    EXPECT_EQ(values(KXIntegerArray::arrayWithString(QStringLiteral("12, 7 400"))), (V{12, 7, 400}));
    EXPECT_EQ(values(KXIntegerArray::arrayWithString(QStringLiteral("- 5"))), V{5});
    EXPECT_EQ(values(KXIntegerArray::arrayWithString(QStringLiteral("-5"))), V{-5});
    EXPECT_EQ(values(KXIntegerArray::arrayWithString(QStringLiteral("--5"))), V{-5});
    // A minus sign directly after a number only separates.
    EXPECT_EQ(values(KXIntegerArray::arrayWithString(QStringLiteral("-4-3"))), (V{-4, 3}));
    EXPECT_EQ(values(KXIntegerArray::arrayWithString(QStringLiteral("1 0"))), V{1});
    EXPECT_EQ(values(KXIntegerArray::arrayWithString(QStringLiteral("0, 0, 2"))), (V{0, 0, 2}));
    EXPECT_TRUE(KXIntegerArray::arrayWithString(QString()).isEmpty());
    // Overlong numbers wrap in 32 bits instead of misbehaving.
    EXPECT_EQ(KXIntegerArray::arrayWithString(QStringLiteral("4294967297")).integerAtIndex(0), 1);
}

TEST(KXIntegerArray, CodePointsOfTextAndBack) {
    const QString text = QStringLiteral("a\U0001F600b");
    KXIntegerArray a = KXIntegerArray::arrayWithUTF32Numbers(text);
    EXPECT_EQ(values(a), (V{'a', 0x1F600, 'b'}));
    EXPECT_EQ(a.UTF32NumbersAsString(), text);
    // A high surrogate without its partner is dropped; a lone low one is kept.
    QString broken;
    broken += QChar(0xD83D);
    broken += u'x';
    broken += QChar(0xDE00);
    EXPECT_EQ(values(KXIntegerArray::arrayWithUTF32Numbers(broken)), (V{'x', 0xDE00}));
    QString trailingNul = QStringLiteral("ab");
    trailingNul += QChar(0);
    EXPECT_EQ(KXIntegerArray::arrayWithUTF32Numbers(trailingNul).count(), 2);
    EXPECT_EQ(listOf({0x110000, -1, 0x41}).UTF32NumbersAsString(), QStringLiteral("\uFFFD\uFFFDA"));
}

TEST(KXIntegerArray, ComparisonEqualityAndHash) {
    const KXIntegerArray a = listOf({1, 2});
    const KXIntegerArray b = listOf({1, 2, 0});
    EXPECT_EQ(a.compare(b), -1);
    EXPECT_EQ(b.compare(a), 1);
    EXPECT_EQ(a.indexOfFirstDifferenceFrom(b), kx::NotFound);
    EXPECT_NE(a, b);
    EXPECT_EQ(listOf({1, -5}).compare(listOf({1, 3})), -1);
    EXPECT_EQ(listOf({1, 5}).indexOfFirstDifferenceFrom(listOf({1, 3})), 1u);
    EXPECT_EQ(a.compare(listOf({1, 2})), 0);
    EXPECT_TRUE(listOf({1, 2, 3}).isEqualTo(listOf({1, 7, 3}), 1));
    EXPECT_FALSE(listOf({1, 2, 3}).isEqualTo(listOf({1, 7, 3}), 2));
    // Copies are independent.
    KXIntegerArray c = a;
    c.setInteger(5, 0);
    EXPECT_EQ(a.integerAtIndex(0), 1);

    EXPECT_EQ(KXIntegerArray().hash(), 0u);
    EXPECT_EQ(listOf({7}).hash(), (7u + (7u << 5)) | 1u);
    // Large and negative values hash without signed overflow.
    EXPECT_EQ(listOf({-1, 0x7FFFFFFF}).hash(), (0x7FFFFFFFu + (0xFFFFFFFFu << 5)) | 2u);
}

TEST(KXIntegerArray, SearchSortAndTexts) {
    KXIntegerArray a = listOf({4, -1, 9, 4});
    EXPECT_EQ(a.indexOfInteger(4), 0u);
    EXPECT_EQ(a.indexOfInteger(4, 1, 100), 3u);
    EXPECT_EQ(a.indexOfInteger(4, 1, 2), kx::NotFound);
    EXPECT_EQ(a.indexOfInteger(4, 9, 1), kx::NotFound);
    EXPECT_FALSE(a.containsInteger(5));
    EXPECT_EQ(a.description(), QStringLiteral("(4, -1, 9, 4)"));
    EXPECT_EQ(a.tabDelimitedString(), QStringLiteral("4\t-1\t9\t4"));
    a.sortAscending();
    EXPECT_EQ(values(a), (V{-1, 4, 4, 9}));
    a.sortDescending();
    EXPECT_EQ(values(a), (V{9, 4, 4, -1}));
    kx::CharSet s = a.characterSet();
    EXPECT_EQ(s.numberOfCharacters(), 2u);
    EXPECT_TRUE(s.contains(9));
    EXPECT_EQ(KXIntegerArray().description(), QStringLiteral("()"));
}

TEST(KXBlockArray, ElementsAndBoundaries) {
    KXBlockArray a;
    EXPECT_EQ(a.elementSize(), 4);
    const std::uint32_t x = 0x11223344, y = 5;
    std::uint32_t out = 99;
    EXPECT_FALSE(a.getElementAtIndex(0, &out));
    EXPECT_EQ(out, 0u);
    EXPECT_FALSE(a.setElement(&x, -1));
    a.setElement(&x, 2);
    EXPECT_EQ(a.count(), 3);
    a.insertElement(&y, -4);
    EXPECT_TRUE(a.getElementAtIndex(0, &out));
    EXPECT_EQ(out, 5u);
    EXPECT_TRUE(a.getElementAtIndex(3, &out));
    EXPECT_EQ(out, x);
    EXPECT_FALSE(a.getElementAtIndex(-1, &out));
    EXPECT_EQ(a.description(), QStringLiteral("(*, *, *, *)"));
    a.removeElementAtIndex(3);
    a.trim();
    EXPECT_EQ(a.count(), 1);
    kx::LogCapture log;
    EXPECT_FALSE(a.setElement(&x, qint64{1} << 31));
    EXPECT_FALSE(a.resize(qint64{1} << 32));
    EXPECT_EQ(a.count(), 1);
}

TEST(RbxRecentArray, RecordsAreCharacterThenStampBigEndian) {
    RbxRecentArray r;
    r.addElement({0x41, 7});
    EXPECT_EQ(r.data(), QByteArray::fromHex("0000004100000007"));
    r.addElement({0x1F600, -2});
    const QByteArray block = r.data();
    EXPECT_EQ(block, QByteArray::fromHex("0000004100000007" "0001f600fffffffe"));
    // The block is produced from a copy: the array itself is unchanged.
    EXPECT_EQ(r.elementAtIndex(1), (RbxRecentArray::Element{0x1F600, -2}));
    RbxRecentArray back = RbxRecentArray::arrayWithData(block + QByteArray("xyz"));
    EXPECT_EQ(back.count(), 2);
    EXPECT_EQ(back.elementAtIndex(0), (RbxRecentArray::Element{0x41, 7}));
    EXPECT_EQ(back.description(), QStringLiteral("(65/7, 128512/-2)"));
    // Copies keep their kind.
    RbxRecentArray copy = back;
    EXPECT_EQ(copy.data(), block);
}

TEST(RbxRecentArray, RemoveCharacterRemovesOnlyTheFirst) {
    RbxRecentArray r;
    r.addElement({0x41, 1});
    r.addElement({0x42, 2});
    r.addElement({0x41, 3});
    r.removeCharacter(0x41);
    ASSERT_EQ(r.count(), 2);
    EXPECT_EQ(r.elementAtIndex(0).character, 0x42u);
    EXPECT_EQ(r.elementAtIndex(1).stamp, 3);
    r.removeCharacter(0x99);
    EXPECT_EQ(r.count(), 2);
    EXPECT_EQ(r.elementAtIndex(5), RbxRecentArray::Element{});
    r.insertElement({0x43, 4}, 0);
    EXPECT_EQ(r.indexOfCharacter(0x43), 0);
    EXPECT_EQ(r.indexOfCharacter(0x44), -1);
}

#include "core/ByteReader.h"

#include <gtest/gtest.h>

using kx::ByteReader;
using kx::OutOfBounds;

TEST(ByteReader, ReadsBigEndianAndRefusesReadsPastTheEnd) {
    const QByteArray data = QByteArray::fromHex("0102a0b0c0d0");
    ByteReader r(data);
    EXPECT_EQ(r.u16(0), 0x0102);
    EXPECT_EQ(r.u32(2), 0xA0B0C0D0u);
    EXPECT_EQ(r.s16(2), static_cast<std::int16_t>(0xA0B0));
    EXPECT_THROW(r.u32(3), OutOfBounds);
    EXPECT_THROW(r.u16(5), OutOfBounds);
    EXPECT_THROW(r.u8(6), OutOfBounds);
    // Offsets near the top of the address range must not wrap around.
    EXPECT_THROW(r.u32(std::numeric_limits<std::size_t>::max() - 1), OutOfBounds);
    EXPECT_FALSE(r.has(2, std::numeric_limits<std::size_t>::max()));
}

TEST(ByteReader, SlicesAreWindowsWithTheirOwnBounds) {
    ByteReader r(QByteArray::fromHex("00112233445566"));
    ByteReader s = r.slice(2, 3);
    EXPECT_EQ(s.size(), 3u);
    EXPECT_EQ(s.u16(0), 0x2233);
    EXPECT_THROW(s.u16(2), OutOfBounds);
    EXPECT_THROW(r.slice(5, 3), OutOfBounds);
    EXPECT_EQ(r.sliceFrom(7).size(), 0u);
    EXPECT_THROW(r.sliceFrom(8), OutOfBounds);
}

TEST(ByteReader, HexStringGroupsBytes) {
    ByteReader r(QByteArray::fromHex("010203"));
    EXPECT_EQ(r.hexStringWithByteGroups(2), QStringLiteral("0102 03"));
    EXPECT_EQ(r.hexStringWithByteGroups(0), QStringLiteral("010203"));
    EXPECT_EQ(kx::fourCCString(kx::fourCC("RbxC")), QStringLiteral("RbxC"));
}

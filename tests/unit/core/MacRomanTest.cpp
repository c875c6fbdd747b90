#include "core/RbxMacRoman.h"
#include "core/StringExtensions.h"

#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

// The Unicode value of every code 0..255 as Python's mac_roman codec decodes it; empty
// when python3 cannot be run.
std::vector<char32_t> pythonMacRoman() {
    const QString python = QStringLiteral("/usr/bin/python3");
    if (!QFileInfo(python).isExecutable()) return {};
    QProcess p;
    p.start(python, {QStringLiteral("-c"),
                     QStringLiteral("import sys; sys.stdout.write(' '.join(str(ord(bytes([c]).decode('mac_roman'))) "
                                    "for c in range(256)))")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return {};
    std::vector<char32_t> table;
    for (const QByteArray& field : p.readAllStandardOutput().split(' ')) table.push_back(field.toUInt());
    return table;
}

} // namespace

TEST(RbxMacRoman, EveryCodeMatchesPythonsCodecBothWays) {
    const std::vector<char32_t> expected = pythonMacRoman();
    if (expected.empty()) GTEST_SKIP() << "python3 with the mac_roman codec is not available";
    ASSERT_EQ(expected.size(), 256u);
    QByteArray allBytes;
    QString decoded;
    for (int code = 0; code < 256; ++code) {
        EXPECT_EQ(RbxMacRoman::unicodeForMacRoman(code), expected[code]) << "code " << code;
        EXPECT_EQ(RbxMacRoman::macRomanForUnicode(expected[code]), code) << "code " << code;
        if (code) {
            allBytes.append(static_cast<char>(code));
            decoded.append(QChar(static_cast<char16_t>(expected[code])));
        }
    }
    EXPECT_EQ(kx::str::stringWithMacRomanCString(allBytes.constData()), decoded);
}

TEST(RbxMacRoman, ValuesOutsideTheTable) {
    EXPECT_EQ(RbxMacRoman::unicodeForMacRoman(0xDB), U'\u20AC');
    EXPECT_EQ(RbxMacRoman::unicodeForMacRoman(0xCA), U'\u00A0');
    EXPECT_EQ(RbxMacRoman::unicodeForMacRoman(300), 0u);
    EXPECT_EQ(RbxMacRoman::unicodeForMacRoman(-5), 0u);
    EXPECT_EQ(RbxMacRoman::macRomanForUnicode(0xF8FF), 0xF0);
    EXPECT_EQ(RbxMacRoman::macRomanForUnicode(0xA4), 0);
    EXPECT_EQ(RbxMacRoman::macRomanForUnicode(0x1F600), 0);
    EXPECT_EQ(RbxMacRoman::macRomanForUnicode(0x7F), 0x7F);
}

TEST(RbxMacRoman, CStringsStopAtTheZeroByteUnlessALengthIsGiven) {
    const char bytes[] = "caf\x8e\0x";
    EXPECT_EQ(kx::str::stringWithMacRomanCString(bytes), QStringLiteral("caf\u00E9"));
    EXPECT_EQ(kx::str::stringWithMacRomanCString(QByteArray(bytes, 6)), QStringLiteral("caf\u00E9"));
    EXPECT_EQ(kx::str::stringWithMacRomanCString(bytes, 6).size(), 6);
    EXPECT_TRUE(kx::str::stringWithMacRomanCString(nullptr).isEmpty());
}

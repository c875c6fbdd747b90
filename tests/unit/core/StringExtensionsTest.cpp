#include "core/StringExtensions.h"

#include "common/TestEnvironment.h"

#include <QCryptographicHash>
#include <QFile>
#include <gtest/gtest.h>

namespace str = kx::str;

namespace {
QString units(std::initializer_list<char16_t> us) {
    QString s;
    for (char16_t u : us) s.append(QChar(u));
    return s;
}
std::vector<char32_t> walk(const QString& s) {
    std::vector<char32_t> out;
    str::forUTF32Characters(s, [&](char32_t c) { out.push_back(c); });
    return out;
}
} // namespace

TEST(StringExtensions, CountingAndWalkingCodePoints) {
    EXPECT_EQ(str::numberOfUnicodeCharacters(QStringLiteral("\U0001F600a")), 2);
    EXPECT_EQ(str::numberOfUnicodeCharacters(units({0xD83D})), 1);
    EXPECT_EQ(str::numberOfUnicodeCharacters(units({0xD83D, 0xD83D, 0xDE00})), 2);
    EXPECT_EQ(str::numberOfUnicodeCharacters(units({0xDE00, 0xDE00})), 2);

    const QString s = QStringLiteral("a\U0001F600");
    EXPECT_EQ(str::longCharacterAtIndex(s, 1), U'\U0001F600');
    EXPECT_EQ(str::longCharacterAtIndex(s, 2), 0xDE00u);
    EXPECT_EQ(str::longCharacterAtIndex(s, 3), 0u);
    EXPECT_EQ(str::longCharacterAtIndex(s, -1), 0u);
    EXPECT_EQ(str::longCharacterAtIndex(units({0xD83D}), 0), 0xD83Du);

    EXPECT_EQ(walk(s), (std::vector<char32_t>{'a', 0x1F600}));
    // A high surrogate without its partner is skipped with the unit after it.
    EXPECT_EQ(walk(units({0xD83D, 'x', 'y', 0xDE00, 0xD83D})), (std::vector<char32_t>{'y', 0xDE00}));
    EXPECT_EQ(str::UTF32SequenceString(QStringLiteral("A\U0001F600\u00e9")), QStringLiteral("0041,1F600,00E9"));
    EXPECT_EQ(str::UTF32SequenceString(QString()), QString());
}

TEST(StringExtensions, Trimming) {
    const QString plain = QString::fromLatin1("abc");
    const QString same = str::stringByTrimmingWhitespace(plain);
    EXPECT_EQ(same.constData(), plain.constData());
    EXPECT_EQ(str::stringByTrimmingWhitespace(QStringLiteral(" \u00A0 \t")), QStringLiteral(""));
    EXPECT_FALSE(str::stringByTrimmingWhitespace(QStringLiteral(" \u00A0")).isNull());
    EXPECT_EQ(str::stringByTrimmingWhitespace(QStringLiteral("\x01 a b\u00A0\n")), QStringLiteral("a b"));
    // Only the low units and the no-break space count; other spaces stay.
    EXPECT_EQ(str::stringByTrimmingWhitespace(QStringLiteral("\u3000a")), QStringLiteral("\u3000a"));
    EXPECT_EQ(str::trimWhitespace(QStringLiteral("\u3000\t a b\r\n\u2029")), QStringLiteral("a b"));
    EXPECT_EQ(str::trimWhitespace(QStringLiteral("\x01x")), QStringLiteral("\x01x"));
}

TEST(StringExtensions, SplittingByOneUnit) {
    EXPECT_EQ(str::componentsSeparatedByCharacter(QStringLiteral("a\nb\n"), u'\n'),
              (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(str::componentsSeparatedByCharacter(QStringLiteral("a\n\nb"), u'\n'),
              (QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")}));
    EXPECT_EQ(str::componentsSeparatedByCharacter(QStringLiteral("\na"), u'\n'),
              (QStringList{QString(), QStringLiteral("a")}));
    EXPECT_TRUE(str::componentsSeparatedByCharacter(QString(), u'\n').isEmpty());
    EXPECT_EQ(str::componentsSeparatedByCharacter(QStringLiteral("\n"), u'\n'), QStringList{QString()});
}

TEST(StringExtensions, Repeating) {
    EXPECT_EQ(str::repeated(QStringLiteral("ab"), 5), QStringLiteral("ababababab"));
    for (int n = 0; n < 20; ++n) EXPECT_EQ(str::repeated(QStringLiteral("xy"), n), QStringLiteral("xy").repeated(n));
    EXPECT_EQ(str::repeated(QStringLiteral("ab"), -1), QStringLiteral(""));
    EXPECT_EQ(str::repeated(QStringLiteral("ab"), std::numeric_limits<qsizetype>::max()), QStringLiteral(""));
}

TEST(StringExtensions, NumericValueReadsCIntegerLiterals) {
    EXPECT_EQ(str::numericValue(QStringLiteral("0x1F")), 31);
    EXPECT_EQ(str::numericValue(QStringLiteral("017")), 15);
    EXPECT_EQ(str::numericValue(QStringLiteral("12abc")), 12);
    EXPECT_EQ(str::numericValue(QStringLiteral("  -42")), -42);
    EXPECT_EQ(str::numericValue(QStringLiteral("+7")), 7);
    EXPECT_EQ(str::numericValue(QStringLiteral("abc")), 0);
    EXPECT_EQ(str::numericValue(QStringLiteral("099")), 0);
    EXPECT_EQ(str::numericValue(QString()), 0);
    // Long texts and texts beyond ASCII are read the same way.
    EXPECT_EQ(str::numericValue(QString(40, u' ') + QStringLiteral("0x10")), 16);
    EXPECT_EQ(str::numericValue(QStringLiteral("12\u00E9")), 12);
    EXPECT_EQ(str::numericValue(QStringLiteral("\u0663")), 0);
}

TEST(StringExtensions, CaseInsensitiveNumericComparison) {
    EXPECT_EQ(str::caseInsensitiveNumericCompare(QStringLiteral("Font 9"), QStringLiteral("font 10")), -1);
    EXPECT_EQ(str::caseInsensitiveNumericCompare(QStringLiteral("file10b"), QStringLiteral("FILE10A")), 1);
    EXPECT_EQ(str::caseInsensitiveNumericCompare(QStringLiteral("ABC"), QStringLiteral("abc")), 0);
    EXPECT_EQ(str::caseInsensitiveNumericCompare(QStringLiteral("a007"), QStringLiteral("a7")), 0);
    EXPECT_EQ(str::caseInsensitiveNumericCompare(QStringLiteral("a"), QStringLiteral("ab")), -1);
    EXPECT_EQ(str::caseInsensitiveNumericCompare(QStringLiteral("x99999999999999999999"),
                                                 QStringLiteral("x100000000000000000000")), -1);
    EXPECT_EQ(str::caseInsensitiveNumericCompare(QStringLiteral("\u00C9t\u00E9"), QStringLiteral("\u00E9T\u00C9")), 0);
}

TEST(StringExtensions, MD5OfUTF8Bytes) {
    EXPECT_EQ(str::MD5String(QString()), QStringLiteral("d41d8cd98f00b204e9800998ecf8427e"));
    EXPECT_EQ(str::MD5String(QStringLiteral("abc")), QStringLiteral("900150983cd24fb0d6963f7d28e17f72"));
    // Non-ASCII text is hashed as UTF-8.
    EXPECT_EQ(str::MD5String(QStringLiteral("\u00E9")), str::MD5String(QString::fromUtf8("\xC3\xA9")));
    EXPECT_NE(str::MD5String(QStringLiteral("\u00E9")), QString::fromLatin1(QCryptographicHash::hash("\xE9", QCryptographicHash::Md5).toHex()));
}

TEST(StringExtensions, AppendingToAFile) {
    const QString path = rbxtest::privateHome() + QStringLiteral("/append.txt");
    QFile::remove(path);
    EXPECT_TRUE(str::appendToFile(QStringLiteral("one\u00E9\n"), path));
    EXPECT_TRUE(str::appendToFile(QStringLiteral("two\n"), path, QStringConverter::Latin1));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("one\xC3\xA9\ntwo\n"));
    EXPECT_FALSE(str::appendToFile(QStringLiteral("x"), rbxtest::privateHome() + QStringLiteral("/no/such/dir/f")));
}

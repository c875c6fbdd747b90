#include "core/FoundationValues.h"

#include <QDateTime>
#include <gtest/gtest.h>

#include <limits>

namespace ns = kx::ns;

namespace {
QVariant s(const char* text) { return QString::fromUtf8(text); }
}

TEST(FoundationValues, TextIntegersFollowFoundation) {
    EXPECT_EQ(ns::intValue(s("5abc")), 5);
    EXPECT_EQ(ns::intValue(s("abc")), 0);
    EXPECT_EQ(ns::intValue(s("  \t\n-42 apples")), -42);
    EXPECT_EQ(ns::intValue(s("+7")), 7);
    EXPECT_EQ(ns::intValue(s("- 7")), 0);
    EXPECT_EQ(ns::intValue(s("3.9")), 3);
    EXPECT_EQ(ns::intValue(s("99999999999")), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(ns::intValue(s("-99999999999")), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(ns::intValue(s("-2147483648")), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(ns::integerValue(s("99999999999")), 99999999999LL);
    EXPECT_EQ(ns::integerValue(s("-9223372036854775808")), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(ns::integerValue(s("99999999999999999999")), std::numeric_limits<std::int64_t>::max());
}

TEST(FoundationValues, NumbersConvertByTheirValue) {
    EXPECT_EQ(ns::intValue(QVariant(3.99)), 3);
    EXPECT_EQ(ns::intValue(QVariant(-3.99)), -3);
    EXPECT_EQ(ns::intValue(QVariant(1e20)), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(ns::intValue(QVariant(true)), 1);
    EXPECT_EQ(ns::integerValue(QVariant::fromValue(qint64(1) << 40)), qint64(1) << 40);
    EXPECT_DOUBLE_EQ(ns::doubleValue(QVariant::fromValue(qint64(7))), 7.0);
    EXPECT_TRUE(ns::boolValue(QVariant(0.5)));
    EXPECT_FALSE(ns::boolValue(QVariant(0)));
    EXPECT_TRUE(ns::boolValue(QVariant::fromValue(qint64(-1))));
    // Values without a number value.
    for (const QVariant& v : {QVariant(), QVariant(QByteArray("5")), QVariant(QVariantList{1}),
                              QVariant(QVariantMap())}) {
        EXPECT_FALSE(ns::hasIntValue(v));
        EXPECT_EQ(ns::intValue(v), 0);
        EXPECT_FALSE(ns::boolValue(v));
        EXPECT_EQ(ns::doubleValue(v), 0.0);
    }
    EXPECT_TRUE(ns::hasIntValue(s("abc")));
    EXPECT_TRUE(ns::hasIntValue(QVariant(false)));
}

TEST(FoundationValues, TextBooleansFollowFoundation) {
    for (const char* yes : {"YES", "yes", "Y", "true", "T", "t", "1", "2", "  9", "-1", "+0003", "00y", "yak"})
        EXPECT_TRUE(ns::boolValue(s(yes))) << yes;
    for (const char* no : {"NO", "no", "false", "0", "000", "", "  ", "abc", "0.5", "-", "N"})
        EXPECT_FALSE(ns::boolValue(s(no))) << no;
}

TEST(FoundationValues, TextDoubles) {
    EXPECT_DOUBLE_EQ(ns::doubleValue(s(" 1.5e3xyz")), 1500.0);
    EXPECT_DOUBLE_EQ(ns::doubleValue(s("-.25")), -0.25);
    EXPECT_DOUBLE_EQ(ns::doubleValue(s("7.")), 7.0);
    EXPECT_DOUBLE_EQ(ns::doubleValue(s("2e")), 2.0);
    EXPECT_DOUBLE_EQ(ns::doubleValue(s("2e+")), 2.0);
    EXPECT_EQ(ns::doubleValue(s("abc")), 0.0);
    EXPECT_EQ(ns::doubleValue(s(".")), 0.0);
    EXPECT_EQ(ns::doubleValue(s("1e999")), HUGE_VAL);
    EXPECT_EQ(ns::doubleValue(s("-1e999")), -HUGE_VAL);
    EXPECT_EQ(ns::doubleValue(s("1e-999")), 0.0);
    EXPECT_FLOAT_EQ(ns::floatValue(s("0.1")), 0.1f);
}

TEST(FoundationValues, NumberTexts) {
    EXPECT_EQ(ns::numberText(0.1f), QStringLiteral("0.1"));
    EXPECT_EQ(ns::numberText(1.0f / 3.0f), QStringLiteral("0.3333333"));
    EXPECT_EQ(ns::numberText(1.0 / 3.0), QStringLiteral("0.3333333333333333"));
    EXPECT_EQ(ns::numberText(0.1 + 0.2), QStringLiteral("0.3"));
    EXPECT_EQ(ns::numberText(2.0), QStringLiteral("2"));
    EXPECT_EQ(ns::numberText(1e20), QStringLiteral("1e+20"));
    EXPECT_EQ(ns::numberText(std::int64_t(-12)), QStringLiteral("-12"));
    EXPECT_EQ(ns::stringValue(QVariant(true)), QStringLiteral("1"));
    EXPECT_EQ(ns::stringValue(QVariant(1.25f)), QStringLiteral("1.25"));
}

TEST(FoundationValues, DescriptionsLookLikeFoundations) {
    EXPECT_EQ(ns::description(s("plain text")), QStringLiteral("plain text"));
    EXPECT_EQ(ns::description(QVariant()), QStringLiteral("(null)"));
    EXPECT_EQ(ns::description(QVariant(QByteArray::fromHex("0102030405"))), QStringLiteral("<01020304 05>"));
    EXPECT_EQ(ns::description(QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC)),
              QStringLiteral("2001-01-01 00:00:00 +0000"));
    QVariantMap inner;
    inner.insert(QStringLiteral("b key"), QVariantList{qint64(1), 2.5, true});
    inner.insert(QStringLiteral("a"), s("x.y"));
    const QVariantList list{s("é"), s(""), QVariant(inner), QVariantList()};
    EXPECT_EQ(ns::description(list), QStringLiteral("(\n"
                                                     "    \"\\U00e9\",\n"
                                                     "    \"\",\n"
                                                     "    {\n"
                                                     "        a = x.y;\n"
                                                     "        \"b key\" = (\n"
                                                     "            1,\n"
                                                     "            2.5,\n"
                                                     "            1\n"
                                                     "        );\n"
                                                     "    },\n"
                                                     "    (\n"
                                                     "    )\n"
                                                     ")"));
}

TEST(FoundationValues, EqualityComparesNumbersByValue) {
    EXPECT_TRUE(ns::isEqual(QVariant(5), QVariant::fromValue(qint64(5))));
    EXPECT_TRUE(ns::isEqual(QVariant(5), QVariant(5.0)));
    EXPECT_TRUE(ns::isEqual(QVariant(true), QVariant(1)));
    EXPECT_FALSE(ns::isEqual(QVariant(5), s("5")));
    EXPECT_FALSE(ns::isEqual(QVariant::fromValue(quint64(-1)), QVariant(-1)));
    EXPECT_TRUE(ns::isEqual(QVariantList{1, s("a")}, QVariantList{qint64(1), s("a")}));
    EXPECT_FALSE(ns::isEqual(QVariantList{1}, QVariantList{1, 2}));
    QVariantMap a, b;
    a.insert(QStringLiteral("k"), 1);
    b.insert(QStringLiteral("k"), 2);
    EXPECT_FALSE(ns::isEqual(a, b));
    EXPECT_TRUE(ns::isEqual(QVariant(), QVariant()));
    EXPECT_FALSE(ns::isEqual(QVariant(), s("")));
}

#include "core/DateExtensions.h"
#include "core/DictionaryExtensions.h"
#include "core/DirectoryListing.h"
#include "core/KXRegularExpression.h"
#include "core/LocaleExtensions.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(DictionaryExtensions, MergeWithAndWithoutOverride) {
    QVariantMap base{{QStringLiteral("a"), 2}, {QStringLiteral("b"), 3}};
    const QVariantMap other{{QStringLiteral("a"), 1}};
    QVariantMap keep = base;
    kx::ns::addEntriesFromDictionary(keep, other, false);
    EXPECT_EQ(keep, base);
    const QVariantMap replaced = kx::ns::dictionaryByAddingDictionary(base, other, true);
    EXPECT_EQ(replaced, (QVariantMap{{QStringLiteral("a"), 1}, {QStringLiteral("b"), 3}}));
    EXPECT_EQ(base.value(QStringLiteral("a")).toInt(), 2);  // the original is untouched
    kx::ns::addEntriesFromDictionary(keep, QVariantMap{{QStringLiteral("c"), 4}}, false);
    EXPECT_EQ(keep.value(QStringLiteral("c")).toInt(), 4);
}

TEST(DateExtensions, ComponentsAndStyles) {
    const QDateTime date(QDate(2023, 7, 9), QTime(14, 5, 6), Qt::LocalTime);  // a Sunday
    EXPECT_EQ(kx::ns::year(date), 2023);
    const kx::ns::DateComponents c =
        kx::ns::gregorianDateComponents(date, kx::ns::Year | kx::ns::Month | kx::ns::Weekday | kx::ns::Second);
    EXPECT_EQ(c.year, 2023);
    EXPECT_EQ(c.month, 7);
    EXPECT_EQ(c.weekday, 1);
    EXPECT_EQ(c.second, 6);
    EXPECT_EQ(c.day, -1);  // not requested
    EXPECT_EQ(kx::ns::gregorianDateComponents(date.addDays(-1), kx::ns::Weekday).weekday, 7);
    EXPECT_TRUE(kx::ns::descriptionWithDateStyle(date, kx::ns::DateStyle::None).isEmpty());
    EXPECT_TRUE(kx::ns::descriptionWithTimeStyle(date, kx::ns::DateStyle::Medium).contains(QStringLiteral("05:06")));
    EXPECT_TRUE(kx::ns::descriptionWithDateStyle(date, kx::ns::DateStyle::Full).contains(QStringLiteral("2023")));
    const QString both = kx::ns::descriptionWithDateAndTimeStyle(date, kx::ns::DateStyle::Short);
    EXPECT_TRUE(both.contains(kx::ns::descriptionWithDateStyle(date, kx::ns::DateStyle::Short)));
    EXPECT_TRUE(both.contains(kx::ns::descriptionWithTimeStyle(date, kx::ns::DateStyle::Short)));
    EXPECT_FALSE(kx::ns::localDescription(date).isEmpty());
}

TEST(LocaleExtensions, IdentifiersWithoutRegions) {
    EXPECT_EQ(kx::ns::languageCodeWithoutRegion(QStringLiteral("de_CH")), QStringLiteral("de"));
    EXPECT_EQ(kx::ns::languageCodeWithoutRegion(QStringLiteral("en-GB")), QStringLiteral("en"));
    EXPECT_EQ(kx::ns::languageCodeWithoutRegion(QStringLiteral("zh-Hant-TW")), QStringLiteral("zh-Hant"));
    EXPECT_EQ(kx::ns::languageCodeWithoutRegion(QStringLiteral("es_419")), QStringLiteral("es"));
    EXPECT_EQ(kx::ns::languageCodeWithoutRegion(QStringLiteral("pt_BR.UTF-8")), QStringLiteral("pt"));
    EXPECT_EQ(kx::ns::languageCodeWithoutRegion(QStringLiteral("fr")), QStringLiteral("fr"));
    EXPECT_EQ(kx::ns::localeWithLanguageCode(QStringLiteral("de")).language(), QLocale::German);
    EXPECT_EQ(kx::ns::localizedNameOfLanguage(QStringLiteral("de")), QStringLiteral("German"));
    EXPECT_EQ(kx::ns::localizedNameOfLanguage(QStringLiteral("zh-Hant")),
              QLocale::scriptToString(QLocale::TraditionalHanScript));
    EXPECT_FALSE(kx::ns::preferredLanguages().isEmpty());
    for (const QString& l : kx::ns::preferredLanguagesWithoutRegions())
        EXPECT_EQ(kx::ns::languageCodeWithoutRegion(l), l);
}

TEST(DirectoryListing, ListsFilesWithSizesAndOptionallyFolders) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("sub"));
    auto write = [&](const QString& rel, const QByteArray& bytes) {
        QFile f(dir.path() + u'/' + rel);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    write(QStringLiteral("b.txt"), "12345");
    write(QStringLiteral("a.txt"), "1");
    write(QStringLiteral("sub/c.txt"), "123");
    const QStringList flat =
        kx::ns::descriptionOfDirectoryContentsAtPath(dir.path(), false).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(flat.size(), 2);
    EXPECT_TRUE(flat[0].startsWith(QStringLiteral("a.txt / 1 / ")));
    EXPECT_TRUE(flat[1].startsWith(QStringLiteral("b.txt / 5 / ")));
    EXPECT_TRUE(flat[1].endsWith(QStringLiteral(" +0000")));
    const QString deep = kx::ns::descriptionOfDirectoryContentsAtPath(dir.path(), true);
    EXPECT_EQ(deep.count(u'\n'), 4);
    EXPECT_TRUE(deep.contains(QStringLiteral("\nsub / ")));
    EXPECT_TRUE(deep.contains(QStringLiteral("\nsub/c.txt / 3 / ")));
    EXPECT_EQ(kx::ns::descriptionOfDirectoryContentsAtPath(dir.path() + QStringLiteral("/none"), true), QString());
}

TEST(KXRegularExpression, OptionsAndErrors) {
    ASSERT_TRUE(KXRegularExpression::regexAvailable());
    auto re = KXRegularExpression::regularExpressionWithPattern(QStringLiteral("^ab.c$"),
                                                              KXRegularExpression::CaseInsensitive |
                                                                  KXRegularExpression::AnchorsMatchLines);
    ASSERT_TRUE(re.has_value());
    EXPECT_TRUE(re->match(QStringLiteral("x\nABxC\ny")).hasMatch());
    auto literal = KXRegularExpression::regularExpressionWithPattern(QStringLiteral("a.c"),
                                                                   KXRegularExpression::IgnoreMetacharacters);
    EXPECT_FALSE(literal->match(QStringLiteral("abc")).hasMatch());
    EXPECT_TRUE(literal->match(QStringLiteral("a.c")).hasMatch());
    QString error;
    EXPECT_FALSE(KXRegularExpression::regularExpressionWithPattern(QStringLiteral("(unclosed"), 0, &error));
    EXPECT_FALSE(error.isEmpty());
}

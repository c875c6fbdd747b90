// The collection pop-up's items, the language title and the template menu's entries.
#include "app/FontCollectionItems.h"
#include "app/FontListModel.h"
#include "app/SearchTemplates.h"
#include "platform/fonts/FontFace.h"

#include <gtest/gtest.h>

namespace {

using Kind = FontCollectionItem::Kind;

QStringList titles(const QList<FontCollectionItem>& items) {
    QStringList out;
    for (const auto& i : items) out << (i.kind == Kind::Separator ? QStringLiteral("-") : i.title);
    return out;
}

TEST(FontCollectionItems, FixedItemsFollowTheFirstNameAndSeparatorsSetOffTheOthers) {
    const QStringList names{QStringLiteral("com.apple.AllFonts"), QStringLiteral("com.apple.UserFonts"),
                            QStringLiteral("com.apple.Favorites"), QStringLiteral("Fixed Width"), QStringLiteral("Color")};
    auto items = fontcollections::items(names, {}, {}, false, QStringLiteral("Deutsch"));
    EXPECT_EQ(titles(items), (QStringList{QStringLiteral("All Fonts"), QStringLiteral("Recently inserted"),
                                          QStringLiteral("Marked Fonts"), QStringLiteral("-"), QStringLiteral("Deutsch"),
                                          QStringLiteral("com.apple.Favorites"), QStringLiteral("-"),
                                          QStringLiteral("Fixed Width"), QStringLiteral("Color")}));
    EXPECT_FALSE(items[2].enabled);
    EXPECT_EQ(items[2].object, QStringLiteral("MARKED_FONTS"));
    EXPECT_EQ(items[1].object, QStringLiteral("RECENT_FONTS"));
    // A marked character enables "Marked Fonts"; activated sets come after it.
    items = fontcollections::items(names.mid(0, 2), {QStringLiteral("Drop 1")}, {QStringLiteral("(A, B)")}, true,
                                   QStringLiteral("English"));
    EXPECT_EQ(titles(items), (QStringList{QStringLiteral("All Fonts"), QStringLiteral("Recently inserted"),
                                          QStringLiteral("Marked Fonts"), QStringLiteral("-"), QStringLiteral("Drop 1"),
                                          QStringLiteral("-"), QStringLiteral("English")}));
    EXPECT_TRUE(items[2].enabled);
    EXPECT_EQ(items[4].kind, Kind::ActivationSet);
    EXPECT_EQ(items[4].activationSet, 0);
    EXPECT_EQ(items[4].object, QStringLiteral("(A, B)"));
}

TEST(FontCollectionItems, AStoredChoiceThatIsGoneOrCannotBeMadeSelectsTheFirstItem) {
    const auto items = fontcollections::items({QStringLiteral("com.apple.AllFonts"), QStringLiteral("Color")}, {}, {}, false,
                                              QStringLiteral("English"));
    EXPECT_EQ(fontcollections::indexOfObject(items, QStringLiteral("Color")), 4);
    EXPECT_EQ(fontcollections::indexOfObject(items, QStringLiteral("RECENT_FONTS")), 1);
    EXPECT_EQ(fontcollections::indexOfObject(items, QStringLiteral("Gone")), 0);
    // "Marked Fonts" with nothing marked.
    EXPECT_EQ(fontcollections::indexOfObject(items, QStringLiteral("MARKED_FONTS")), 0);
    EXPECT_EQ(fontcollections::indexOfObject(items, QString()), 0);
    EXPECT_EQ(fontcollections::indexOfObject({}, QStringLiteral("Color")), -1);
}

TEST(FontCollectionItems, TheLanguageIsNamedInItselfAndEnglishAsEnglish) {
    EXPECT_EQ(fontcollections::preferredLanguage({QStringLiteral("en-US"), QStringLiteral("de")}), QStringLiteral("English"));
    EXPECT_EQ(fontcollections::preferredLanguage({QStringLiteral("de-CH")}), QStringLiteral("Deutsch"));
    EXPECT_EQ(fontcollections::preferredLanguage({QStringLiteral("fr_FR")}), QStringLiteral("Français"));
    EXPECT_EQ(fontcollections::preferredLanguage({}), QStringLiteral("English"));
    EXPECT_EQ(fontcollections::preferredLanguage({QStringLiteral("ru")}), QStringLiteral("Русский"));
}

QString upper(const QString& s) { return s.toUpper(); }

TEST(SearchTemplates, TitlesAfterTheFirstSeparatorAreLocalisedAndTheShapeFinderIsSkipped) {
    const QVariantList plist{QStringLiteral("arrow"),
                             QVariantList{QStringLiteral("Hearts"), QStringLiteral("heart")},
                             QVariantList{QStringLiteral("Shapes"), QStringLiteral("shapeFinder")},
                             QStringLiteral("-"),
                             QVariantList{QStringLiteral("Superscripts"), QStringLiteral("superscript")},
                             QVariantList{QStringLiteral("Shapes"), QStringLiteral("shapeFinder")},
                             QVariant(42),
                             QVariantList{QStringLiteral("odd")},
                             QStringLiteral("$€")};
    const QList<SearchTemplate> entries = searchtemplates::entries(plist, &upper);
    EXPECT_EQ(entries, (QList<SearchTemplate>{{QStringLiteral("arrow"), QStringLiteral("arrow"), false},
                                              {QStringLiteral("Hearts"), QStringLiteral("heart"), false},
                                              {QString(), QString(), true},
                                              {QStringLiteral("SUPERSCRIPTS"), QStringLiteral("superscript"), false},
                                              {QStringLiteral("$€"), QStringLiteral("$€"), false}}));
    EXPECT_TRUE(searchtemplates::entries(QVariant(), &upper).isEmpty());
    EXPECT_TRUE(searchtemplates::entries(QVariantMap{{QStringLiteral("a"), 1}}, &upper).isEmpty());
}

TEST(SearchTemplates, TheBundlesTemplatesOfferArrowsAndNoShapeFinder) {
    const QList<SearchTemplate> entries = searchtemplates::bundleEntries();
    ASSERT_GT(entries.size(), 10);
    bool arrows = false;
    for (const SearchTemplate& t : entries) {
        EXPECT_NE(t.value, QStringLiteral("shapeFinder"));
        arrows = arrows || t.value == QStringLiteral("arrow");
    }
    EXPECT_TRUE(arrows);
}

TEST(FontListNames, TheNamesSizeFollowsTheTuningElseTheAscender) {
    EXPECT_EQ(FontListModel::nameFontSize(12, 0.0, 11), std::nullopt);
    EXPECT_DOUBLE_EQ(*FontListModel::nameFontSize(12, 0.8, 20), 9.6);
    // A value of 0.1 or less is no zoom: the ascender decides.
    EXPECT_DOUBLE_EQ(*FontListModel::nameFontSize(12, 0.05, 24), 6.0);
    EXPECT_DOUBLE_EQ(*FontListModel::nameFontSize(12, std::nullopt, 24), 6.0);
    EXPECT_DOUBLE_EQ(*FontListModel::nameFontSize(12, std::nullopt, 5), 24.0);
    EXPECT_DOUBLE_EQ(*FontListModel::nameFontSize(12, std::nullopt, 11), 12.0);
    EXPECT_DOUBLE_EQ(*FontListModel::nameFontSize(12, std::nullopt, 12), 12.0);
    EXPECT_DOUBLE_EQ(*FontListModel::nameFontSize(12, std::nullopt, 10), 12.0);
}

// A face of an installed file; a null font when the file is not there.
rbx::Font installed(const char* path) { return rbx::Font(rbx::FontFace::fromFile(QString::fromLatin1(path)), 12); }

TEST(FontListNames, OnlyAFontWhoseLettersAreLettersSetsItsOwnName) {
    const rbx::Font dejaVu = installed("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    const rbx::Font nimbus = installed("/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf");
    ASSERT_TRUE(dejaVu && nimbus);
    EXPECT_TRUE(FontListModel::canSetOwnName(dejaVu, QStringLiteral("DejaVu Sans")));
    EXPECT_TRUE(FontListModel::canSetOwnName(nimbus, QStringLiteral("Nimbus Sans 2")));
    // A name with characters the font lacks.
    EXPECT_FALSE(FontListModel::canSetOwnName(dejaVu, QStringLiteral("\u65E5\u672C")));
    EXPECT_FALSE(FontListModel::canSetOwnName(rbx::Font(), QStringLiteral("A")));

    // Dingbats and Greek symbols at the places of Latin letters, in a Unicode 'cmap'.
    const rbx::Font dingbats = installed("/usr/share/fonts/opentype/urw-base35/D050000L.otf");
    const rbx::Font symbols = installed("/usr/share/fonts/opentype/urw-base35/StandardSymbolsPS.otf");
    ASSERT_TRUE(dingbats && symbols);
    ASSERT_TRUE(dingbats->coveredCharacters().containsAllCharactersInString(QStringLiteral("D050000L")));
    EXPECT_FALSE(FontListModel::canSetOwnName(dingbats, QStringLiteral("D050000L")));
    EXPECT_FALSE(FontListModel::canSetOwnName(symbols, QStringLiteral("Standard Symbols PS")));
    // The Type 1 dingbats: their own encoding.
    if (const rbx::Font type1 = installed("/usr/share/fonts/X11/Type1/D050000L.pfb")) {
        EXPECT_FALSE(FontListModel::canSetOwnName(type1, QStringLiteral("D050000L")));
    }
}

} // namespace

// Favourites: the three kinds, their group, and the text form.

#include "LayoutFixtures.h"

#include "common/SmallFileSystem.h"
#include "core/Plist.h"
#include "platform/defaults/DefaultsDomain.h"

#include "core/Log.h"

#include <gmock/gmock.h>

using namespace layouttest;
using ::testing::ElementsAre;

namespace {

std::vector<std::int32_t> valuesOf(const KXIntegerArray& a) {
    std::vector<std::int32_t> out;
    a.forEach([&](std::int32_t v) { out.push_back(v); });
    return out;
}

} // namespace

class FavoritesTest : public ModelTest {
protected:
    std::shared_ptr<RbxFavGroupDescription> favorites() { return RbxFavGroupDescription::sharedFavorites(); }
    RbxCharSetRepertoire fontX{kx::CharSet::fromString(QStringLiteral("ABC\uE000\uE001")),
                               {QStringLiteral("fi"), QStringLiteral("ffl")}, QStringLiteral("X"), QStringLiteral("X Family")};
};

TEST_F(FavoritesTest, ThreeKindsStoredApart) {
    auto fav = favorites();
    fav->addCharacter(U'B', &fontX);
    fav->addCharacter(U'A', &fontX);
    fav->addCharacter(U'B', &fontX);
    fav->addCharacter(0xE001, &fontX);
    fav->addCharacter(0xE000, &fontX);
    fav->addCharacter(0xB0001, &fontX);  // ffl
    fav->addCharacter(0xB0000, &fontX);  // fi
    fav->addCharacter(0xB0009, &fontX);  // unknown: ignored

    EXPECT_THAT(valuesOf(KXIntegerArray::arrayWithData(settings().objectForKey(QStringLiteral("favoriteCharacters")).toByteArray())),
                ElementsAre(U'A', U'B'));
    const QVariantMap fonts = settings().objectForKey(QStringLiteral("favoriteFontCharacters")).toMap();
    EXPECT_EQ(fonts.keys(), QStringList{QStringLiteral("X")});
    EXPECT_THAT(valuesOf(KXIntegerArray::arrayWithData(fonts.value(QStringLiteral("X")).toByteArray())),
                ElementsAre(0xE000, 0xE001));
    EXPECT_EQ(settings().objectForKey(QStringLiteral("favoriteLigatures")).toStringList(),
              (QStringList{QStringLiteral("ffl"), QStringLiteral("fi")}));
    EXPECT_EQ(fav->nCharacters(), 2);

    // Another process reads them back; private-use characters and ligature values that
    // crept into the global list are dropped on loading.
    KXIntegerArray global = KXIntegerArray::arrayWithData(settings().objectForKey(QStringLiteral("favoriteCharacters")).toByteArray());
    global.addInteger(0xE005);
    global.addInteger(0xB0003);
    settings().setObject(global.data(), QStringLiteral("favoriteCharacters"));
    kx::ProcessWide<RbxFavGroupDescription>::install(nullptr);
    fav = favorites();
    EXPECT_THAT(valuesOf(fav->globalFavoriteCharacters()), ElementsAre(U'A', U'B'));
    EXPECT_EQ(fav->characterSetForFont(&fontX), kx::CharSet::fromString(QString::fromUcs4(U"AB\uE000\uE001\U000B0000\U000B0001", 6)));

    fav->removeCharacter(0xE000, &fontX);
    fav->removeCharacter(0xE001, &fontX);
    EXPECT_TRUE(settings().objectForKey(QStringLiteral("favoriteFontCharacters")).toMap().isEmpty());
    fav->removeCharacter(0xB0000, &fontX);
    fav->removeCharacter(U'A', &fontX);
    EXPECT_EQ(settings().objectForKey(QStringLiteral("favoriteLigatures")).toStringList(), QStringList{QStringLiteral("ffl")});
    EXPECT_THAT(valuesOf(fav->globalFavoriteCharacters()), ElementsAre(U'B'));
}

TEST_F(FavoritesTest, GroupOfTheFont) {
    auto fav = favorites();
    // Nothing at all: an empty favourites group keeps its place.
    auto group = fav->groupForFontInfo(&fontX);
    ASSERT_TRUE(group);
    EXPECT_TRUE(group->characters().empty());
    EXPECT_EQ(group->groupKind(), RbxFavoritesGroupKind);
    EXPECT_EQ(group->name(), QStringLiteral("Favorites"));

    fav->addCharacter(U'Z', &fontX);  // not in the font
    EXPECT_FALSE(fav->groupForFontInfo(&fontX));

    fav->addCharacter(U'C', &fontX);
    fav->addCharacter(0xE001, &fontX);
    fav->addCharacter(0xB0001, &fontX);
    group = fav->groupForFontInfo(&fontX);
    ASSERT_TRUE(group);
    EXPECT_THAT(group->characters(), ElementsAre(U'C', 0xE001, 0xB0001));

    // The private-use favourites belong to font X only.
    RbxCharSetRepertoire fontY(kx::CharSet::fromString(QStringLiteral("C\uE001")), {}, QStringLiteral("Y"), QStringLiteral("Y"));
    EXPECT_THAT(fav->groupForFontInfo(&fontY)->characters(), ElementsAre(U'C'));

    EXPECT_EQ(fav->bestIndexOf(0xE001, {U'C', 0xE001}), 1u);
    EXPECT_EQ(fav->bestIndexOf(U'D', {U'C', 0xE001}), 1u);
    EXPECT_EQ(fav->bestIndexOf(0xF0000, {U'C', 0xE001}), 2u);
}

TEST_F(FavoritesTest, NoEmptyGroupWhileFiltering) {
    RbxNameFilter::setFilter(QStringLiteral("\u00e9"));
    EXPECT_FALSE(favorites()->groupForFontInfo(&fontX));
}

TEST_F(FavoritesTest, TextFormRoundTrip) {
    auto fav = favorites();
    fav->addCharacter(U'A', &fontX);
    fav->addCharacter(U'B', &fontX);
    fav->addCharacter(0xE000, &fontX);
    fav->addCharacter(0xB0000, &fontX);
    const QString text = fav->stringRepresentation();
    EXPECT_EQ(text, QStringLiteral("AB\nX: \uE000\n[LIGATURES]: [fi]"));

    fav->setFavoritesToString(QStringLiteral(""));
    EXPECT_TRUE(fav->globalFavoriteCharacters().isEmpty());
    EXPECT_TRUE(fav->favoriteLigatures().isEmpty());
    EXPECT_EQ(settings().objectForKey(QStringLiteral("favoriteLigatures")).toStringList(), QStringList());

    fav->setFavoritesToString(text);
    EXPECT_EQ(fav->stringRepresentation(), text);
    EXPECT_EQ(fav->characterSetForFont(&fontX), kx::CharSet::fromString(QString::fromUcs4(U"AB\uE000\U000B0000", 4)));
}

TEST_F(FavoritesTest, ImportDropsWhatDoesNotBelong) {
    auto fav = favorites();
    kx::LogCapture log;
    fav->setFavoritesToString(QStringLiteral("b\uE000a\u007F\tb\r\n"
                                             "X: \uE001a\uE001\uE000\r\n"
                                             "Y: abc\n"
                                             "Z:\uE000\n"
                                             "[LIGATURES]: [ff], [fi]\n"
                                             "[LIGATURES]: broken\n"
                                             ": \uE002\n"));
    EXPECT_THAT(valuesOf(fav->globalFavoriteCharacters()), ElementsAre(U'a', U'b'));
    EXPECT_TRUE(log.contains(QStringLiteral("globalFavorites: (97, 98)")));
    EXPECT_EQ(fav->favoriteLigatures(), (QStringList{QStringLiteral("ff"), QStringLiteral("fi")}));
    const QVariantMap fonts = fav->fontFavoritesDictionary();
    EXPECT_EQ(fonts.keys(), QStringList{QStringLiteral("X")});
    EXPECT_THAT(valuesOf(KXIntegerArray::arrayWithData(fonts.value(QStringLiteral("X")).toByteArray())),
                ElementsAre(0xE000, 0xE001));
}

TEST_F(FavoritesTest, EmojiSequencesSurviveExportAndImport) {
    auto fav = favorites();
    const char32_t de = flagValue(QString::fromUtf8("🇩🇪"));
    fav->addCharacter(de, &fontX);
    fav->addCharacter(U'A', &fontX);
    const QString text = fav->stringRepresentation();
    // Written as the text it shows.
    EXPECT_EQ(text, QString::fromUtf8("A🇩🇪"));
    fav->setFavoritesToString(text);
    EXPECT_THAT(valuesOf(fav->globalFavoriteCharacters()), ElementsAre(U'A', static_cast<std::int32_t>(de)));
    // A skin-toned emoji keeps both its code points.
    fav->setFavoritesToString(QString::fromUtf8("👍🏽"));
    EXPECT_THAT(valuesOf(fav->globalFavoriteCharacters()), ElementsAre(0x1F3FD, 0x1F44D));

    // Text holding the sequence itself (as written by hand) reads back into its value.
    fav->setFavoritesToString(QString::fromUtf8("🇫🇷x"));
    EXPECT_THAT(valuesOf(fav->globalFavoriteCharacters()),
                ElementsAre(U'x', static_cast<std::int32_t>(flagValue(QString::fromUtf8("🇫🇷")))));
}

TEST_F(FavoritesTest, TableRepresentation) {
    auto fav = favorites();
    fav->addCharacter(U'A', nullptr);
    EXPECT_EQ(fav->tableRepresentation(), QStringLiteral("A\t65\tLATIN CAPITAL LETTER A\n"));
}

TEST_F(FavoritesTest, DamagedStoredListsKeepOnlyWhatBelongs) {
    KXIntegerArray global;
    for (std::int32_t v : std::initializer_list<std::int32_t>{0, U'A', 0x110000, -5, 0xE000, U'B'}) global.addInteger(v);
    settings().setObject(global.data(), QStringLiteral("favoriteCharacters"));
    KXIntegerArray forX;
    for (std::int32_t v : std::initializer_list<std::int32_t>{U'C', 0xE001, 0x7FFFFFFF}) forX.addInteger(v);
    settings().setObject(QVariantMap{{QStringLiteral("X"), forX.data()}}, QStringLiteral("favoriteFontCharacters"));

    auto fav = favorites();
    EXPECT_THAT(valuesOf(fav->globalFavoriteCharacters()), ElementsAre(U'A', U'B'));
    fav->loadFavoritesForFont(&fontX);
    ASSERT_TRUE(fav->fontFavoriteCharacters());
    EXPECT_THAT(valuesOf(*fav->fontFavoriteCharacters()), ElementsAre(0xE001));
    EXPECT_EQ(fav->stringRepresentation(), QStringLiteral("AB\nX: \uE001"));
    EXPECT_THAT(fav->groupForFontInfo(&fontX)->characters(), ElementsAre(U'A', U'B', 0xE001));
}

TEST_F(FavoritesTest, AFullDiskKeepsFavouritesUntilTheyCanBeSaved) {
    auto fav = favorites();
    fav->addCharacter(U'A', &fontX);
    const QString path = settings().platformDefaults().domain().path();
    const QByteArray before = readFile(path);
    ASSERT_FALSE(before.isEmpty());
    rbxtest::SmallFileSystem fs(platform::DefaultsDomain::folderPath());
    if (!fs.isMounted()) GTEST_SKIP() << fs.skipReason().toStdString();
    // The mount hides the folder: the file is put back on the small file system first.
    writeFile(path, before);
    ASSERT_TRUE(fs.fill());
    kx::LogCapture log;
    fav->addCharacter(U'B', &fontX);
    fav->addCharacter(0xE000, &fontX);
    EXPECT_EQ(readFile(path), before);  // never emptied
    EXPECT_TRUE(log.contains(QStringLiteral("kept to be written later")));
    EXPECT_THAT(valuesOf(KXIntegerArray::arrayWithData(settings().objectForKey(QStringLiteral("favoriteCharacters")).toByteArray())),
                ElementsAre(U'A', U'B'));

    fs.free();
    EXPECT_TRUE(settings().synchronize().saved());
    const QVariantMap saved = kx::plist::readFile(path).value.toMap();
    EXPECT_THAT(valuesOf(KXIntegerArray::arrayWithData(saved.value(QStringLiteral("favoriteCharacters")).toByteArray())),
                ElementsAre(U'A', U'B'));
    EXPECT_TRUE(saved.value(QStringLiteral("favoriteFontCharacters")).toMap().contains(QStringLiteral("X")));
}

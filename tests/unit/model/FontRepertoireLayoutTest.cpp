// Layouts, favourites, recent characters and the search with a real font's repertoire
// (a fixture font with the ligatures "fi" and "fl").

#include "FontFixtures.h"
#include "LayoutFixtures.h"

#include "model/RbxFontInfoRepertoire.h"
#include "model/RbxGroupDescription.h"
#include "model/RbxRepertoireSources.h"

#include <gmock/gmock.h>

using namespace layouttest;
using ::testing::ElementsAre;

class FontRepertoireLayoutTest : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        // Repertoires rest on the search filter, as in the palette.
        cache_.emplace(std::make_unique<RbxFontInfoCache>(&modelSources));
        repertoire = RbxFontInfoRepertoire::repertoireOfFont(fixtures::font(QStringLiteral("RbxLigaFi-Regular.ttf")));
    }
    void TearDown() override {
        cache_.reset();
        ModelTest::TearDown();
    }
    RbxModelRepertoireSources modelSources;
    std::shared_ptr<RbxFontInfoRepertoire> repertoire;
    std::optional<rbxtest::ScopedInstance<RbxFontInfoCache>> cache_;
};

TEST_F(FontRepertoireLayoutTest, LigaturesInLayoutGroups) {
    ASSERT_TRUE(repertoire->hasFont());
    EXPECT_EQ(repertoire->ligatureStrings(), (QStringList{QStringLiteral("fi"), QStringLiteral("fl")}));
    const auto list = RbxCustomLayout::descriptionsFromText(QStringLiteral("Ligatures\n[fl] [LIGATURES] [ffi]\n"));
    ASSERT_EQ(list.size(), 1u);
    const auto group = list[0]->groupForFontInfo(repertoire.get());
    ASSERT_TRUE(group);
    EXPECT_THAT(group->characters(), ElementsAre(0xB0001, 0xB0000, 0xB0001));

    EXPECT_FALSE(RbxFontInfoRepertoire(nullptr).hasFont());
    EXPECT_TRUE(RbxFontInfoRepertoire(nullptr).availableCharacters().isEmpty());
}

TEST_F(FontRepertoireLayoutTest, FavouriteAndRecentLigaturesByTheirText) {
    RbxFavGroupDescription::sharedFavorites()->addCharacter(0xB0001, repertoire.get());
    EXPECT_EQ(settings().objectForKey(QStringLiteral("favoriteLigatures")).toStringList(), QStringList{QStringLiteral("fl")});
    EXPECT_THAT(RbxFavGroupDescription::sharedFavorites()->groupForFontInfo(repertoire.get())->characters(),
                ElementsAre(0xB0001));

    RbxRecentLayout::recentLayout()->addRecentCharacter(0xB0000, repertoire.get());
    EXPECT_THAT(*RbxRecentLayout::recentLayout()->recentCharactersForFontInfo(repertoire.get()), ElementsAre(0xB0000));
}

TEST_F(FontRepertoireLayoutTest, FilteredRepertoireKeepsMatchingLigatures) {
    palette.font = repertoire.get();
    RbxNameFilter::setFilter(QStringLiteral("fl"));
    RbxFontInfo::flushCachedCharacters();
    const kx::CharSet& available = repertoire->availableCharacters();
    EXPECT_TRUE(available.contains(0xB0001));
    // The font's own f is not named with "fl".
    EXPECT_TRUE(repertoire->coveredCharacters().contains(U'f'));
    EXPECT_FALSE(available.contains(U'f'));
    RbxNameFilter::setFilter(QString());
}

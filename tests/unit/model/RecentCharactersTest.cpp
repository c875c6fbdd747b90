// Recent characters: recording, the limits, the merge and the recent layout.

#include "LayoutFixtures.h"

#include "core/RbxRecentArray.h"
#include "model/RbxRecentGroupDescription.h"

#include <gmock/gmock.h>

using namespace layouttest;
using ::testing::ElementsAre;

class RecentCharactersTest : public ModelTest {
protected:
    std::shared_ptr<RbxRecentLayout> recents() { return RbxRecentLayout::recentLayout(); }
    static std::vector<char32_t> globalCharacters() {
        std::vector<char32_t> out;
        const RbxRecentArray& list = settings().globalRecentCharacters();
        for (int i = 0; i < list.count(); ++i) out.push_back(list.elementAtIndex(i).character);
        return out;
    }
    RbxCharSetRepertoire font{kx::CharSet::fromRange(0x20, 0x10FFFF), {QStringLiteral("fi"), QStringLiteral("ffl")},
                              QStringLiteral("Sans"), QStringLiteral("Sans Family")};
};

TEST_F(RecentCharactersTest, UsingAgainMovesToTheFront) {
    recents()->addRecentCharacter(U'a', &font);
    recents()->addRecentCharacter(U'b', &font);
    recents()->addRecentCharacter(U'a', &font);
    EXPECT_THAT(globalCharacters(), ElementsAre(U'a', U'b'));
    EXPECT_EQ(settings().globalRecentCharacters().elementAtIndex(0).stamp, 3);
    EXPECT_EQ(settings().integerForKey(QStringLiteral("useCount")), 3);

    recents()->removeRecentCharacter(U'a', &font);
    EXPECT_THAT(globalCharacters(), ElementsAre(U'b'));
}

TEST_F(RecentCharactersTest, ListsAreLimited) {
    for (char32_t c = 0x100; c < 0x100 + 301; ++c) recents()->addRecentCharacter(c, &font);
    const std::vector<char32_t> global = globalCharacters();
    ASSERT_EQ(global.size(), 300u);
    EXPECT_EQ(global.front(), 0x100u + 300);
    EXPECT_EQ(global.back(), 0x101u);  // the oldest, 0x100, went

    for (char32_t c = 0xE000; c < 0xE000 + 51; ++c) recents()->addRecentCharacter(c, &font);
    const RbxRecentArray family = settings().recentCharactersForFontFamily(QStringLiteral("Sans Family"));
    ASSERT_EQ(family.count(), 50);
    EXPECT_EQ(family.elementAtIndex(0).character, 0xE000u + 50);
    EXPECT_EQ(family.elementAtIndex(49).character, 0xE001u);
    EXPECT_EQ(globalCharacters().size(), 300u);  // private use never goes to the global list

    for (int i = 0; i < 201; ++i) {
        recents()->addLigatureToRecent(QStringLiteral("lig%1").arg(i), i + 1);
    }
    EXPECT_EQ(recents()->recentLigatures().size(), 200);
    EXPECT_EQ(recents()->recentLigatures().first().toMap().value(QStringLiteral("string")).toString(), QStringLiteral("lig200"));
}

TEST_F(RecentCharactersTest, PrivateUseWithoutFamilyOnlyAdvancesTheCounter) {
    RbxCharSetRepertoire nameless(kx::CharSet::fromRange(0x20, 0xFFFF), {}, QStringLiteral("N"), QString());
    recents()->addRecentCharacter(0xE000, &nameless);
    recents()->addRecentCharacter(0xB0000, nullptr);
    EXPECT_EQ(settings().integerForKey(QStringLiteral("useCount")), 2);
    EXPECT_TRUE(globalCharacters().empty());
    EXPECT_FALSE(recents()->recentCharactersForFontInfo(&nameless).has_value());
}

TEST_F(RecentCharactersTest, MergeByStamp) {
    recents()->addRecentCharacter(U'a', &font);
    recents()->addRecentCharacter(0xE000, &font);
    recents()->addRecentCharacter(0xB0001, &font);  // ffl
    const auto merged = recents()->recentCharactersForFontInfo(&font);
    ASSERT_TRUE(merged);
    EXPECT_THAT(*merged, ElementsAre(0xB0001, 0xE000, U'a'));
    EXPECT_EQ(settings().objectForKey(QStringLiteral("recent ligatures")).toList().first().toMap(),
              (QVariantMap{{QStringLiteral("string"), QStringLiteral("ffl")}, {QStringLiteral("timeStamp"), 3}}));

    // Another font: its ligature list decides the values; characters it lacks are left out.
    RbxCharSetRepertoire other(kx::CharSet::fromString(QStringLiteral("a")), {QStringLiteral("x"), QStringLiteral("ffl")},
                               QStringLiteral("Other"), QStringLiteral("Other"));
    EXPECT_THAT(*recents()->recentCharactersForFontInfo(&other), ElementsAre(0xB0001, U'a'));
    RbxCharSetRepertoire none(kx::CharSet::fromString(QStringLiteral("z")), {}, QStringLiteral("None"), QStringLiteral("None"));
    const auto empty = recents()->recentCharactersForFontInfo(&none);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());
}

TEST_F(RecentCharactersTest, RecentLayoutGroupAndMessages) {
    auto layout = recents();
    EXPECT_TRUE(layout->isRecentLayout());
    EXPECT_EQ(layout->name(), QStringLiteral("Recent Characters"));
    EXPECT_EQ(layout->groupsForFontInfo(&font)[0]->message(), RbxCharGroup::messageTextForCode(1));
    EXPECT_EQ(layout->groupsForFontInfo(nullptr)[0]->message(), RbxCharGroup::messageTextForCode(8));

    layout->addRecentCharacter(U'q', &font);
    layout->addRecentCharacter(U'p', &font);
    RbxCharGroupList groups = layout->groupsForFontInfo(&font);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_THAT(groups[0]->characters(), ElementsAre(U'p', U'q'));
    EXPECT_EQ(groups[0]->groupKind(), RbxRecentLayoutGroupKind);
    EXPECT_FALSE(groups[0]->showsHeader());
    EXPECT_EQ(groups[0]->layoutIndex(), 0);
    // The recent layout never marks its own characters.
    groups[0]->setRecentCharactersToHilite(std::vector<char32_t>{U'p'});
    EXPECT_FALSE(groups[0]->recentCharactersToHilite().has_value());

    RbxCharSetRepertoire digits(kx::CharSet::fromRange(0x30, 0x39));
    EXPECT_EQ(layout->groupsForFontInfo(&digits)[0]->message(), RbxCharGroup::messageTextForCode(2));
    RbxNameFilter::setFilter(QStringLiteral("\u00e9"));
    EXPECT_EQ(layout->groupsForFontInfo(&digits)[0]->message(), RbxCharGroup::messageTextForCode(7));
}

TEST_F(RecentCharactersTest, RecentGroupInsideLayouts) {
    auto shared = RbxRecentGroupDescription::sharedRecents();
    EXPECT_FALSE(shared->groupForFontInfo(&font));
    recents()->addRecentCharacter(U'a', &font);
    recents()->addRecentCharacter(0xE000, &font);
    const auto group = shared->groupForFontInfo(&font);
    ASSERT_TRUE(group);
    EXPECT_THAT(group->characters(), ElementsAre(0xE000, U'a'));
    EXPECT_EQ(group->groupKind(), RbxRecentGroupKind);
    EXPECT_EQ(shared->characterSet(), kx::CharSet::fromString(QStringLiteral("a")));
    EXPECT_EQ(shared->description(), QStringLiteral("Recent Chracters Group"));
    EXPECT_EQ(shared->bestIndexOf(U'a', group->characters()), 0u);
}

TEST_F(RecentCharactersTest, RemovingEachKindAndReadingBack) {
    recents()->addRecentCharacter(U'a', &font);
    recents()->addRecentCharacter(0xE000, &font);
    recents()->addRecentCharacter(0xB0000, &font);  // fi
    recents()->addRecentCharacter(0xB0001, &font);  // ffl

    // Another process reads all three kinds back from the settings.
    kx::ProcessWide<RbxRecentLayout>::install(nullptr);
    EXPECT_THAT(*recents()->recentCharactersForFontInfo(&font), ElementsAre(0xB0001, 0xB0000, 0xE000, U'a'));

    recents()->removeRecentCharacter(0xE000, &font);
    EXPECT_EQ(settings().recentCharactersForFontFamily(QStringLiteral("Sans Family")).count(), 0);
    recents()->removeRecentCharacter(0xB0000, &font);
    // A ligature value the font does not have removes nothing.
    recents()->removeRecentCharacter(0xB0005, &font);
    const QVariantList stored = settings().objectForKey(QStringLiteral("recent ligatures")).toList();
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored.first().toMap().value(QStringLiteral("string")).toString(), QStringLiteral("ffl"));

    kx::ProcessWide<RbxRecentLayout>::install(nullptr);
    EXPECT_THAT(*recents()->recentCharactersForFontInfo(&font), ElementsAre(0xB0001, U'a'));
    EXPECT_EQ(settings().integerForKey(QStringLiteral("useCount")), 4);
}

#include "model/RbxCharGroup.h"

#include "common/ScopedInstance.h"
#include "kxlib/RbxDefaults.h"

#include <QHash>
#include <gtest/gtest.h>

namespace {

class RecentLayout : public RbxLayoutAnchor {
public:
    bool isRecentLayout() const override { return true; }
};

} // namespace

TEST(CharGroup, ExpandedStateFollowsTheNameInTheSettings) {
    rbxtest::ScopedInstance<RbxDefaults> store(RbxDefaults::open(QStringLiteral("test.chargroup")));
    RbxDefaults& settings = *store;
    settings.setPrefersExpanded(false, QStringLiteral("Arrows"));
    auto g = RbxCharGroup::groupWithCharacters({0x2190, 0x2191});
    EXPECT_TRUE(g->isExpanded());
    EXPECT_EQ(g->name(), QString());
    g->setName(QStringLiteral("Arrows"));
    EXPECT_FALSE(g->isExpanded());
    g->setExpanded(true);
    EXPECT_TRUE(settings.isExpandedGroup(QStringLiteral("Arrows")));
    g->setName(QStringLiteral("Basic Latin"));
    EXPECT_TRUE(g->isExpanded());
    // The state is kept by name: a group made later takes it.
    g->setExpanded(false);
    auto again = RbxCharGroup::groupWithCharacters({0x41});
    again->setName(QStringLiteral("Basic Latin"));
    EXPECT_FALSE(again->isExpanded());
    again->setName(QStringLiteral("Arrows"));
    EXPECT_TRUE(again->isExpanded());
}

TEST(CharGroup, MessagesKindsAndMarkedCharacters) {
    auto m = RbxCharGroup::groupWithMessage(2);
    EXPECT_EQ(m->groupKind(), RbxMessageGroupKind);
    EXPECT_FALSE(m->showsHeader());
    EXPECT_FALSE(m->hasCharacterList());
    EXPECT_EQ(m->formattedMessage(QStringLiteral("DejaVuSans")),
              QStringLiteral("The font DejaVuSans does not contain any of the recently selected characters."));
    EXPECT_EQ(RbxCharGroup::messageTextForCode(8), QStringLiteral("This font cannot be used."));
    EXPECT_EQ(RbxCharGroup::messageTextForCode(9), QStringLiteral("No characters are available for the font %@."));
    EXPECT_EQ(RbxCharGroup::messageTextForCode(0xFFFFFFFFu), RbxCharGroup::messageTextForCode(9));

    auto g = RbxCharGroup::groupWithCharacters({0x41, 0x43});
    EXPECT_TRUE(g->isAscending());
    g->setCharacters({0x43, 0x41});
    EXPECT_FALSE(g->isAscending());
    g->setRecentCharactersToHilite(std::vector<char32_t>{0x43});
    EXPECT_TRUE(g->isRecentCharacterToHilite(0x43));
    EXPECT_FALSE(g->isRecentCharacterToHilite(0x41));

    // The recent layout never marks its own characters.
    auto recent = RbxCharGroup::groupWithCharacters({0x41});
    recent->setLayout(std::make_shared<RecentLayout>(), 0);
    recent->setRecentCharactersToHilite(std::vector<char32_t>{0x41});
    EXPECT_FALSE(recent->recentCharactersToHilite().has_value());
    EXPECT_FALSE(recent->isRecentCharacterToHilite(0x41));
}

#include "model/RbxCharGroup.h"

#include <QHash>
#include <gtest/gtest.h>

namespace {

class Store : public RbxGroupExpansionStore {
public:
    bool isExpandedGroup(const QString& name) const override { return states.value(name, true); }
    void setPrefersExpanded(bool expanded, const QString& name) override { states[name] = expanded; }
    void setDefaultBlocksCollapsed(bool) override {}
    QHash<QString, bool> states;
};

class RecentLayout : public RbxLayoutAnchor {
public:
    bool isRecentLayout() const override { return true; }
};

} // namespace

TEST(CharGroup, ExpandedStateFollowsTheNameInTheSettings) {
    auto store = std::make_shared<Store>();
    store->states[QStringLiteral("Arrows")] = false;
    RbxGroupExpansionStore::setShared(store);
    auto g = RbxCharGroup::groupWithCharacters({0x2190, 0x2191});
    EXPECT_TRUE(g->isExpanded());
    EXPECT_EQ(g->name(), QString());
    g->setName(QStringLiteral("Arrows"));
    EXPECT_FALSE(g->isExpanded());
    g->setExpanded(true);
    EXPECT_TRUE(store->states.value(QStringLiteral("Arrows")));
    g->setName(QStringLiteral("Basic Latin"));
    EXPECT_TRUE(g->isExpanded());
    RbxGroupExpansionStore::setShared(nullptr);
    // Without a store nothing is read or kept.
    g->setExpanded(false);
    g->setName(QStringLiteral("Arrows"));
    EXPECT_FALSE(g->isExpanded());
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

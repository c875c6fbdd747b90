#include "FontFixtures.h"
#include "model/RbxActivationSet.h"

#include <gtest/gtest.h>

class ActivationSet : public ::testing::Test {
protected:
    void SetUp() override { RbxActivationSet::forgetActivatedSets(); }
    void TearDown() override { RbxActivationSet::forgetActivatedSets(); }
    fixtures::FakeFonts fonts{QStringList()};
};

TEST_F(ActivationSet, twoFamiliesAreNamedByTheFirstInOrder) {
    const auto set = RbxActivationSet::activationSetWithFontPaths(
        {fixtures::path(QStringLiteral("RbxBeta-Regular.ttf")), fixtures::path(QStringLiteral("RbxAlpha-Regular.ttf"))});
    ASSERT_TRUE(set);
    EXPECT_EQ(set->displayName(), QStringLiteral("Rbx Alpha (+1)"));
    EXPECT_EQ(set->fontFamilies(), (QSet<QString>{QStringLiteral("Rbx Alpha"), QStringLiteral("Rbx Beta")}));
    EXPECT_EQ(set->fontPaths().size(), 2);
    EXPECT_TRUE(RbxActivationSet::isActivatedFont(QStringLiteral("Rbx Beta")));
    EXPECT_FALSE(RbxActivationSet::isActivatedFont(QStringLiteral("DejaVu Sans")));
    ASSERT_EQ(RbxActivationSet::activatedFontSets().size(), 1);
    EXPECT_EQ(RbxActivationSet::activatedFontSets().first(), set);
    // The activated fonts are available.
    EXPECT_TRUE(fonts.backend->faceInfo(QStringLiteral("RbxAlpha-Regular")));
}

TEST_F(ActivationSet, aFileThatIsNoFontMakesNoSet) {
    EXPECT_FALSE(RbxActivationSet::activationSetWithFontPaths({fixtures::path(QStringLiteral("not-a-font.ttf"))}));
    EXPECT_TRUE(RbxActivationSet::activatedFontSets().isEmpty());
    RbxActivationSet bare({fixtures::path(QStringLiteral("not-a-font.ttf"))});
    EXPECT_FALSE(bare.activate());
    EXPECT_EQ(bare.displayName(), QStringLiteral("[??]"));
    // Files that are no fonts are skipped among good ones.
    const auto set = RbxActivationSet::activationSetWithFontPaths(
        {fixtures::path(QStringLiteral("not-a-font.ttf")), fixtures::path(QStringLiteral("RbxBeta-Regular.ttf"))});
    ASSERT_TRUE(set);
    EXPECT_EQ(set->displayName(), QStringLiteral("Rbx Beta"));
}

TEST_F(ActivationSet, theSameFileTwiceMakesTwoSets) {
    const QStringList paths{fixtures::path(QStringLiteral("RbxAlpha-Regular.ttf"))};
    const auto a = RbxActivationSet::activationSetWithFontPaths(paths);
    const auto b = RbxActivationSet::activationSetWithFontPaths(paths);
    ASSERT_TRUE(a);
    ASSERT_TRUE(b);
    EXPECT_NE(a, b);
    EXPECT_EQ(RbxActivationSet::activatedFontSets().size(), 2);
    EXPECT_EQ(b->displayName(), QStringLiteral("Rbx Alpha"));
}

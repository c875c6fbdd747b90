// The model's objects take their services when they are made: the settings they read,
// the store they write, and they tell of their changes through signals.

#include "NameFixtures.h"
#include "common/ScopedInstance.h"
#include "model/RbxFavGroupDescription.h"
#include "model/RbxLayoutPopUp.h"
#include "model/RbxModelSettings.h"
#include "model/RbxRecentLayout.h"

#include <gtest/gtest.h>

TEST(ModelSettings, FixedValuesStandInForTheStoresAndTheOthersReadTheStore) {
    namefix::FreshDefaults defaults;
    defaults->setInteger(2, QStringLiteral("view"));
    defaults->setBool(false, QStringLiteral("gsub"));
    defaults->setString(QStringLiteral("YES"), QStringLiteral("morx"));

    const RbxModelSettings fixed(QVariantMap{{QStringLiteral("view"), 3}, {QStringLiteral("ligatures"), QVariantList{}}});
    EXPECT_EQ(fixed.intValue(QStringLiteral("view"), 1), 3);
    // No number value: the default.
    EXPECT_TRUE(fixed.boolValue(QStringLiteral("ligatures"), true));
    // The store's values, read as the store reads them ("YES" is yes).
    EXPECT_FALSE(fixed.boolValue(QStringLiteral("gsub"), true));
    EXPECT_TRUE(fixed.boolValue(QStringLiteral("morx"), false));

    const RbxModelSettings only(QVariantMap{{QStringLiteral("view"), 3}}, RbxModelSettings::Others::Absent);
    EXPECT_FALSE(only.value(QStringLiteral("gsub")).isValid());
    EXPECT_TRUE(only.boolValue(QStringLiteral("gsub"), true));
    EXPECT_EQ(only.stringValue(QStringLiteral("colorEmojiFont")), QString());

    // Installed, it is what the model reads.
    rbxtest::ScopedInstance<RbxModelSettings> installed(std::make_unique<RbxModelSettings>(
        QVariantMap{{QStringLiteral("colorEmojiFont"), QStringLiteral("Mine")}}));
    EXPECT_EQ(RbxModelSettings::shared().stringValue(QStringLiteral("colorEmojiFont")), QStringLiteral("Mine"));
    EXPECT_EQ(RbxModelSettings::shared().intValue(QStringLiteral("view"), 1), 2);
}

TEST(ModelServices, FavouritesAndRecentsWriteTheStoreTheyWereMadeWith) {
    namefix::FreshDefaults process;
    const auto own = RbxDefaults::open(QStringLiteral("org.runebox.test.own-store"));
    own->removeObjectForKey(QStringLiteral("favoriteCharacters"));
    own->removeObjectForKey(QStringLiteral("useCount"));

    RbxFavGroupDescription favorites(own.get());
    favorites.addCharacter(U'Q', nullptr);
    EXPECT_FALSE(own->objectForKey(QStringLiteral("favoriteCharacters")).toByteArray().isEmpty());
    EXPECT_TRUE(process->objectForKey(QStringLiteral("favoriteCharacters")).toByteArray().isEmpty());
    EXPECT_EQ(RbxFavGroupDescription(own.get()).nCharacters(), 1);

    RbxRecentLayout recents(own.get());
    recents.addRecentCharacter(U'R', nullptr);
    EXPECT_EQ(own->integerForKey(QStringLiteral("useCount")), 1);
    EXPECT_EQ(process->integerForKey(QStringLiteral("useCount")), 0);
}

TEST(LayoutPopUp, EveryChangeIsSignalled) {
    RbxLayoutPopUp popUp;
    int changes = 0;
    QObject::connect(&popUp, &RbxLayoutPopUp::changed, [&] { ++changes; });
    popUp.addItem(QStringLiteral("A"), QStringLiteral("a"));
    popUp.addSeparator();
    popUp.selectItemAtIndex(0);
    popUp.setEnabled(false);
    popUp.setHidden(true);
    popUp.removeAllItems();
    EXPECT_EQ(changes, 6);
}

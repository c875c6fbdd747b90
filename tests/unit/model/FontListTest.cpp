#include "common/ScopedInstance.h"
#include "model/RbxDebugSwitch.h"
#include "FontFixtures.h"
#include "NameFixtures.h"

#include "core/Log.h"
#include "model/RbxFontList.h"
#include "model/RbxPopUpModel.h"

#include <QElapsedTimer>
#include <thread>
#include <optional>
#include <gtest/gtest.h>

namespace {

QString familyFixture(const QString& name) { return rbxtest::testData(QStringLiteral("fonts/families/") + name); }

const QStringList& familyFixtures() {
    static const QStringList names{QStringLiteral("RbxSerif-Bold.ttf"),     QStringLiteral("RbxSerif-Book.ttf"),
                                   QStringLiteral("RbxSlant-Italic.ttf"),   QStringLiteral("RbxSlant-Bold.ttf"),
                                   QStringLiteral("RbxSansLiga-Regular.ttf"), QStringLiteral("RbxSansPlain-Regular.ttf"),
                                   QStringLiteral("RbxMono-Regular.ttf"),   QStringLiteral("RbxHidden-Regular.ttf")};
    return names;
}

// The fixture families (plus two single-face fixtures of the font tests) behind a fresh
// font list.
class FontListTest : public ::testing::Test {
protected:
    FontListTest() : fonts({QStringLiteral("RbxColor-Regular.ttf"), QStringLiteral("RbxAlpha-Regular.ttf")}) {
        for (const QString& f : familyFixtures()) fonts.backend->addFontFile(familyFixture(f));
        relaunch();
    }
    // A fresh list, as a new process makes it, loaded on first use.
    void relaunch(int prefetchDelayMs = 3000, const RbxDebugSwitch* debugging = nullptr) {
        list_.reset();
        list_.emplace(std::make_unique<RbxFontList>(nullptr, nullptr, debugging, prefetchDelayMs));
    }
    RbxFontList& list() { return RbxFontList::fontList(); }
    QStringList shownNames() {
        QStringList names;
        for (int i = 0; i < list().count(); ++i) names.append(list().fontNameAtIndex(i));
        return names;
    }
    RbxFontList::FamilyPtr family(const QString& name) { return list().familyNamed(name); }
    static void setRecentFamilies(const QStringList& families) {
        RbxDefaults::userDefaults().setObject(QVariant(families), QStringLiteral("recentFontsV2"));
    }

    namefix::FreshDefaults defaults;
    fixtures::FakeFonts fonts;
    std::optional<rbxtest::ScopedInstance<RbxFontList>> list_;
};

// The debugging flag as a test sets it.
struct DebugFlag : RbxDebugSwitch {
    bool isDebugging() const override { return on; }
    bool on = false;
};

} // namespace

TEST_F(FontListTest, FamiliesSortedWithTheirMembers) {
    EXPECT_EQ(shownNames(), QStringList({QStringLiteral("Rbx Alpha"), QStringLiteral("Rbx Color"), QStringLiteral("Rbx Hidden"),
                                         QStringLiteral("Rbx Mono"), QStringLiteral("Rbx Sans Liga"),
                                         QStringLiteral("Rbx Sans Plain"), QStringLiteral("Rbx Serif"),
                                         QStringLiteral("Rbx Slant")}));
    EXPECT_EQ(list().totalFamilyCount(), 8);
    EXPECT_EQ(list().totalFontCount(), 10);
    EXPECT_EQ(list().allFonts().size(), 10);

    const auto serif = family(QStringLiteral("Rbx Serif"));
    ASSERT_TRUE(serif);
    EXPECT_EQ(serif->numberOfValidMembers(), 2);
    EXPECT_EQ(serif->typefaces(), QStringList({QStringLiteral("Book"), QStringLiteral("Bold")}));
    EXPECT_EQ(serif->description(), QStringLiteral("Rbx Serif (Book, Bold)"));
    EXPECT_EQ(serif->typefaces().at(serif->regularFaceIndex()), QStringLiteral("Book"));
    EXPECT_EQ(serif->regularFont().postScriptName(), QStringLiteral("RbxSerif-Book"));
    EXPECT_EQ(serif->indexOfFont(serif->members().at(1)), 1);
    EXPECT_EQ(serif->indexOfFont(rbx::Font()), 0);
    EXPECT_EQ(list().primaryFontAtIndex(6).postScriptName(), QStringLiteral("RbxSerif-Book"));
}

TEST_F(FontListTest, RegularFaceFallsBackToTheFirstMember) {
    const auto slant = family(QStringLiteral("Rbx Slant"));
    ASSERT_TRUE(slant);
    EXPECT_EQ(slant->typefaces(), QStringList({QStringLiteral("Italic"), QStringLiteral("Bold")}));
    EXPECT_EQ(slant->regularFaceIndex(), 0);
    // Only the bold face has U+0416.
    EXPECT_EQ(slant->fontContainingCharacter(0x416).postScriptName(), QStringLiteral("RbxSlant-Bold"));
    EXPECT_EQ(slant->fontContainingCharacter(u'A').postScriptName(), QStringLiteral("RbxSlant-Italic"));
    EXPECT_EQ(slant->fontContainingCharacter(0x4E00).postScriptName(), QStringLiteral("RbxSlant-Italic"));
    EXPECT_TRUE(slant->anyMemberContainsCharacter(0x416));
    EXPECT_FALSE(family(QStringLiteral("Rbx Serif"))->anyMemberContainsCharacter(0x416));

    const auto containing = list().fontFamiliesContainingCharacter(0x416);
    ASSERT_EQ(containing.size(), 1);
    EXPECT_EQ(containing.first()->name(), QStringLiteral("Rbx Slant"));
}

TEST_F(FontListTest, NameFiltersAndSets) {
    list().filterFamiliesMatchingName(QStringLiteral("sans"));
    EXPECT_EQ(shownNames(), QStringList({QStringLiteral("Rbx Sans Liga"), QStringLiteral("Rbx Sans Plain")}));
    list().filterFamiliesMatchingName(QStringLiteral("  RBX   plain "));
    EXPECT_EQ(shownNames(), QStringList({QStringLiteral("Rbx Sans Plain")}));
    list().filterFamiliesMatchingName(QStringLiteral("rbx"), QSet<QString>{QStringLiteral("Rbx Mono"), QStringLiteral("Rbx Slant"),
                                                                         QStringLiteral("Not Installed")});
    EXPECT_EQ(shownNames(), QStringList({QStringLiteral("Rbx Mono"), QStringLiteral("Rbx Slant")}));
    list().filterFamiliesMatchingName(QString(), QSet<QString>());
    EXPECT_EQ(list().count(), 0);
    list().filterFamiliesMatchingName(QString());
    EXPECT_EQ(list().count(), 8);

    list().filterFontsMatchingName(QString(), 0x416);
    EXPECT_EQ(shownNames(), QStringList({QStringLiteral("Rbx Slant")}));
    list().filterFontsMatchingName(QStringLiteral("serif"), 0x416);
    EXPECT_EQ(list().count(), 0);
}

TEST_F(FontListTest, TypeSelectWrapsRound) {
    // Rows: 0 Alpha, 1 Color, 2 Hidden, 3 Mono, 4 Sans Liga, 5 Sans Plain, 6 Serif, 7 Slant
    EXPECT_EQ(list().typeSelectMatchFromRow(0, 8, QStringLiteral("RBX S")), 4);
    EXPECT_EQ(list().typeSelectMatchFromRow(5, 4, QStringLiteral("rbx sans")), 5);
    EXPECT_EQ(list().typeSelectMatchFromRow(7, 6, QStringLiteral("rbx a")), 0);
    EXPECT_EQ(list().typeSelectMatchFromRow(1, 0, QStringLiteral("rbx a")), -1);  // stops before the end row
    EXPECT_EQ(list().typeSelectMatchFromRow(3, 3, QStringLiteral("rbx")), -1);
    EXPECT_EQ(list().typeSelectMatchFromRow(0, 8, QStringLiteral("zzz")), -1);
}

TEST_F(FontListTest, SelectionOfVisibleAndHiddenFonts) {
    const auto serif = family(QStringLiteral("Rbx Serif"));
    list().selectFont(serif->members().at(1));
    EXPECT_EQ(list().selectedFamilyIndex(), 6);
    EXPECT_EQ(list().selectedFaceIndex(), 1);
    EXPECT_EQ(list().selectedFamily(), serif);
    EXPECT_EQ(list().selectedFont().postScriptName(), QStringLiteral("RbxSerif-Bold"));

    // A font whose family the filter hides.
    list().filterFamiliesMatchingName(QStringLiteral("sans"));
    list().selectFont(serif->members().at(0));
    EXPECT_EQ(list().selectedFamilyIndex(), -1);
    EXPECT_EQ(list().selectedFaceIndex(), -1);
    EXPECT_FALSE(list().selectedFamily());
    EXPECT_EQ(list().selectedFont().postScriptName(), QStringLiteral("RbxSerif-Book"));

    list().selectFamilyAtIndex(1);
    EXPECT_EQ(list().selectedFont().postScriptName(), QStringLiteral("RbxSansPlain-Regular"));
    list().selectFaceAtIndex(3);
    kx::LogCapture log;
    EXPECT_TRUE(list().selectedFont().isNull());
    EXPECT_TRUE(log.contains(QStringLiteral("no members")));

    // A stale family index is logged and answered with nothing.
    list().selectFamilyAtIndex(0);
    list().filterFamiliesMatchingName(QStringLiteral("nothing matches this"));
    EXPECT_FALSE(list().selectedFamily());
    EXPECT_TRUE(log.contains(QStringLiteral("exception in selectedFamily")));
}

TEST_F(FontListTest, SelectingAFontIsLoggedWhileDebugging) {
    const rbx::Font bold = family(QStringLiteral("Rbx Serif"))->members().at(1);
    DebugFlag flag;
    relaunch(3000, &flag);
    bool& debugging = flag.on;
    kx::LogCapture log;
    list().selectFont(bold);
    EXPECT_FALSE(log.contains(QStringLiteral("select font")));
    debugging = true;
    list().selectFont(bold);
    EXPECT_TRUE(log.contains(QStringLiteral("select font RbxSerif-Bold")));
    EXPECT_EQ(list().selectedFont().postScriptName(), QStringLiteral("RbxSerif-Bold"));
}

TEST_F(FontListTest, CharactersOfAllFontsSkipHiddenFonts) {
    const kx::CharSet& all = list().availableCharactersInAllFonts();
    EXPECT_TRUE(all.contains(u'A'));
    EXPECT_TRUE(all.contains(0x416));
    EXPECT_TRUE(all.contains(0x1F600));  // the colour fixture
    EXPECT_FALSE(all.contains(0x2603));  // only in ".RbxHidden-Regular"
    EXPECT_TRUE(family(QStringLiteral("Rbx Hidden"))->anyMemberContainsCharacter(0x2603));
}

TEST_F(FontListTest, CollectionsOfOurOwn) {
    const QStringList names = list().fontCollectionNames();
    ASSERT_FALSE(names.isEmpty());
    EXPECT_EQ(names.first(), QStringLiteral("com.apple.AllFonts"));
    EXPECT_TRUE(names.contains(QStringLiteral("Fixed Width")));
    EXPECT_TRUE(names.contains(QStringLiteral("Color")));
    EXPECT_EQ(list().fontDescriptorsInCollection(QStringLiteral("com.apple.AllFonts")).size(), 10);
    EXPECT_EQ(list().familyNamesInCollection(QStringLiteral("Fixed Width")), QSet<QString>{QStringLiteral("Rbx Mono")});
    EXPECT_EQ(list().familyNamesInCollection(QStringLiteral("Color")), QSet<QString>{QStringLiteral("Rbx Color")});
    EXPECT_TRUE(list().fontDescriptorsInCollection(QStringLiteral("No Such Collection")).isEmpty());
    if (names.contains(QStringLiteral("com.apple.UserFonts"))) {
        // The fixtures hold A-Z and a-z only: not enough for any written language but
        // perhaps for none at all.
        const QSet<QString> user = list().familyNamesInCollection(QStringLiteral("com.apple.UserFonts"));
        EXPECT_FALSE(user.contains(QStringLiteral("Rbx Color")));
    }
    EXPECT_EQ(RbxFontList::titleOfCollection(QStringLiteral("com.apple.AllFonts")), QStringLiteral("All Fonts"));
    EXPECT_EQ(RbxFontList::titleOfCollection(QStringLiteral("Fixed Width")), QStringLiteral("Fixed Width"));
}

TEST_F(FontListTest, ChangesAndTheChangeLog) {
    EXPECT_FALSE(list().fontsChanged());
    ASSERT_EQ(list().fontChangeLog().size(), 1);
    EXPECT_TRUE(list().fontChangeLog().first().contains(QStringLiteral("(init), 10 fonts in 8 families, 3 collections")) ||
                list().fontChangeLog().first().contains(QStringLiteral("(init), 10 fonts in 8 families, 4 collections")))
        << list().fontChangeLog().first().toStdString();

    // A new generation with other fonts is a change.
    fonts.backend->removeFont(QStringLiteral("RbxMono-Regular"));
    EXPECT_TRUE(list().fontsChanged());
    list().reload(QStringLiteral("test"));
    EXPECT_EQ(list().totalFamilyCount(), 7);
    EXPECT_FALSE(list().fontsChanged());
    // A generation that moved with the fonts of the last test is adopted.
    fonts.backend->touch();
    EXPECT_FALSE(list().fontsChanged());
    EXPECT_EQ(list().fontGeneration(), fonts.backend->generation());
    fonts.backend->addFontFile(familyFixture(QStringLiteral("RbxMono-Regular.ttf")));
    EXPECT_TRUE(list().fontsChanged());
    EXPECT_NE(list().fontGeneration(), fonts.backend->generation());

    for (int i = 0; i < 12; ++i) list().reload(QStringLiteral("again %1").arg(i));
    EXPECT_EQ(list().fontChangeLog().size(), RbxFontList::MaxChangeLogLines);
    EXPECT_TRUE(list().fontChangeLog().last().contains(QStringLiteral("(again 11)")));
}

TEST_F(FontListTest, ABurstOfNotificationsGivesOneCheck) {
    QStringList reasons;
    QObject::connect(&list(), &RbxFontList::fontChangeNoticed, [&](const QString& reason) { reasons.append(reason); });
    list();
    QElapsedTimer burst;
    burst.start();
    for (int i = 0; i < 5; ++i) fonts.backend->touch();
    ASSERT_LT(burst.elapsed(), 50);
    EXPECT_TRUE(reasons.isEmpty());
    EXPECT_TRUE(rbxtest::waitFor([&] { return !reasons.isEmpty(); }, 2000));
    rbxtest::spinEventLoop(250);
    EXPECT_EQ(reasons, QStringList{QStringLiteral("notification")});
}

TEST_F(FontListTest, RecentFamilies) {
    setRecentFamilies({});
    relaunch();
    list().selectFont(family(QStringLiteral("Rbx Serif"))->members().at(1));
    list().markSelectedFontAsUsed();
    list().selectFont(family(QStringLiteral("Rbx Mono"))->regularFont());
    list().markSelectedFontAsUsed();
    list().markSelectedFontAsUsed();  // already first: nothing changes
    EXPECT_EQ(list().recentFonts(), QStringList({QStringLiteral("Rbx Mono"), QStringLiteral("Rbx Serif")}));
    EXPECT_EQ(RbxDefaults::userDefaults().objectForKey(QStringLiteral("recentFontsV2")).toStringList(), list().recentFonts());

    list().filterRecentFamiliesMatchingName(QString());
    EXPECT_EQ(shownNames(), QStringList({QStringLiteral("Rbx Mono"), QStringLiteral("Rbx Serif")}));
    list().filterRecentFamiliesMatchingName(QStringLiteral("serif LIGA"));
    EXPECT_EQ(shownNames(), QStringList({QStringLiteral("Rbx Serif")}));

    // The list holds at most 100 families: the oldest goes.
    QStringList many;
    for (int i = 0; i < 100; ++i) many.append(QStringLiteral("Family %1").arg(i));
    setRecentFamilies(many);
    relaunch();
    list().selectFont(family(QStringLiteral("Rbx Slant"))->regularFont());
    list().markSelectedFontAsUsed();
    ASSERT_EQ(list().recentFonts().size(), 100);
    EXPECT_EQ(list().recentFonts().first(), QStringLiteral("Rbx Slant"));
    EXPECT_EQ(list().recentFonts().last(), QStringLiteral("Family 98"));
    setRecentFamilies({});
}

TEST_F(FontListTest, RecentFontsPopUp) {
    setRecentFamilies({});
    relaunch();
    RbxPopUpModel popUp;
    popUp.addItem(QStringLiteral("placeholder"));
    popUp.addSeparator();
    popUp.addItem(QStringLiteral("Toggle Font Detection"));
    list().updateRecentFontsPopUp(popUp);  // nothing selected: nothing changes
    EXPECT_EQ(popUp.count(), 3);

    for (const char* f : {"Rbx Slant", "Rbx Alpha", "Rbx Mono"}) {
        list().selectFont(family(QString::fromLatin1(f))->regularFont());
        list().markSelectedFontAsUsed();
    }
    list().selectFont(family(QStringLiteral("Rbx Mono"))->regularFont());
    list().updateRecentFontsPopUp(popUp);
    const QStringList expected{QStringLiteral("RbxMono-Regular"), QStringLiteral("-"), QStringLiteral("Automatic"),
                               QStringLiteral("-"),               QStringLiteral("RbxAlpha-Regular"),
                               QStringLiteral("RbxSlant-Italic"), QStringLiteral("-"),
                               QStringLiteral("Toggle Font Detection")};
    EXPECT_EQ(popUp.titles(), expected);
    EXPECT_EQ(popUp.indexOfSelectedItem(), 0);
    // Repeated updates keep one "Toggle Font Detection" at the end and the item before it.
    list().updateRecentFontsPopUp(popUp);
    EXPECT_EQ(popUp.titles(), expected);
    setRecentFamilies({});
}

TEST(DefinedCharacters, PairsOfNumbers) {
    kx::LogCapture log;
    kx::CharSet set = RbxFontList::definedCharactersFromList({32, 126, 160, 160, 0x1F600, 0x1F64F});
    EXPECT_EQ(set.numberOfCharacters(), 95u + 1u + 80u);
    EXPECT_FALSE(log.contains(QStringLiteral("numbers in UnicodeCharacters")));
    set = RbxFontList::definedCharactersFromList({32, 126, 500});
    EXPECT_EQ(set.numberOfCharacters(), 95u);
    EXPECT_TRUE(log.contains(QStringLiteral("*** 3 numbers in UnicodeCharacters")));
    EXPECT_TRUE(RbxFontList::definedCharactersFromList({}).isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("*** 0 numbers in UnicodeCharacters")));
    // Ranges running backwards or beyond the code space are not taken as they stand.
    set = RbxFontList::definedCharactersFromList({100, 50, 0x10FFF0, 0x200000});
    EXPECT_EQ(set.numberOfCharacters(), 16u);
}

TEST_F(FontListTest, LigaKeepsFamiliesWithLigatures) {
    list().filterFamiliesMatchingName(QStringLiteral("Sans LIGA"));
    EXPECT_EQ(shownNames(), QStringList({QStringLiteral("Rbx Sans Liga")}));
    list().filterFamiliesMatchingName(QStringLiteral("LIGA"));
    EXPECT_EQ(shownNames(), QStringList({QStringLiteral("Rbx Sans Liga")}));
    list().filterFamiliesMatchingName(QStringLiteral("liga"));  // only the capital word is the switch
    EXPECT_EQ(shownNames(), QStringList({QStringLiteral("Rbx Sans Liga")}));
    list().filterFamiliesMatchingName(QStringLiteral("plain LIGA"));
    EXPECT_EQ(list().count(), 0);
}

TEST_F(FontListTest, PrefetchRunsOnceAtATimeAndStopsOnFontChanges) {
    RbxDefaults::userDefaults().setBool(true, QStringLiteral("collLog"));
    relaunch(300);
    {
        kx::LogCapture log;
        // The list is loaded here first, so that the thread starts its prefetch at once.
        const QStringList names = list().fontCollectionNames();
        std::thread first([&] { list().prefetchCollections(names); });
        rbxtest::spinEventLoop(50);
        // A second prefetch while the first waits does nothing and returns at once.
        QElapsedTimer t;
        t.start();
        list().prefetchCollections(names);
        EXPECT_LT(t.elapsed(), 250);
        first.join();
        EXPECT_EQ(log.lines().count(QStringLiteral("prefetching collections")), 1);
        EXPECT_EQ(log.lines().count(QStringLiteral("prefetching collections done")), 1);
    }
    {
        // A font change during the wait: nothing is made, nothing logged.
        kx::LogCapture log;
        std::thread prefetch([&] { list().prefetchCollections({QStringLiteral("com.apple.AllFonts"), QStringLiteral("Color")}); });
        rbxtest::spinEventLoop(50);
        fonts.backend->touch();
        prefetch.join();
        EXPECT_FALSE(log.contains(QStringLiteral("prefetching")));
    }
    {
        // Afterwards a prefetch runs again.
        kx::LogCapture log;
        list().prefetchCollections({QStringLiteral("com.apple.AllFonts")});
        EXPECT_TRUE(log.contains(QStringLiteral("prefetching collections done")));
    }
}

TEST_F(FontListTest, OlderRecentFontNamesBecomeFamilies) {
    RbxDefaults& defaults = RbxDefaults::userDefaults();
    setRecentFamilies({});
    defaults.setObject(QVariant(QStringList{QStringLiteral("RbxSerif-Bold"), QStringLiteral("No-Such-Font"),
                                            QStringLiteral("RbxMono-Regular"), QStringLiteral("RbxSerif-Book")}),
                       QStringLiteral("recentFonts"));
    relaunch();
    list().filterRecentFamiliesMatchingName(QString());
    EXPECT_EQ(shownNames(), QStringList({QStringLiteral("Rbx Serif"), QStringLiteral("Rbx Mono")}));
    EXPECT_EQ(defaults.objectForKey(QStringLiteral("recentFontsV2")).toStringList(),
              QStringList({QStringLiteral("Rbx Serif"), QStringLiteral("Rbx Mono")}));
}

#include "StoreFixture.h"

#include "core/FoundationValues.h"
#include "core/Log.h"

#include "common/TestEnvironment.h"

#include <atomic>

namespace key = rbx::key;

using RbxDefaultsTest = StoreTest;

namespace {
QVariantMap applications(RbxDefaults& store) { return store.objectForKey(key::applications).toMap(); }
} // namespace

TEST_F(RbxDefaultsTest, ComputedDefaults) {
    writeResource(QStringLiteral("build.nr"), "1234 and more\n");
    writeDefaults({{QStringLiteral("recentFontsV2"), QVariantList{QStringLiteral("Serif")}}});
    RbxDefaults& store = launch();
    const QVariantMap d = store.defaultValues();
    EXPECT_EQ(d.value(QStringLiteral("buildNr")).toInt(), 1234);
    EXPECT_EQ(store.integerForKey(key::buildNr), 1234);
    EXPECT_EQ(d.value(QStringLiteral("recentFontsV2")).toList(), QVariantList{QStringLiteral("Serif")});
    EXPECT_TRUE(kx::ns::isDictionary(d.value(QStringLiteral("applications"))));
    EXPECT_TRUE(kx::ns::isDictionary(d.value(QStringLiteral("font recent characters"))));
}

TEST_F(RbxDefaultsTest, OldStatusItemBecomesTheActivator) {
    writeOutside(QStringLiteral("status item"), QStringLiteral("YES"));
    RbxDefaults& store = launch();
    EXPECT_EQ(store.integerForKey(key::activator), 1);
    EXPECT_FALSE(storedFile().contains(QStringLiteral("status item")));
    EXPECT_EQ(storedFile().value(QStringLiteral("activator")).toInt(), 1);
    EXPECT_EQ(storedFile().value(QStringLiteral("activator")).typeId(), QMetaType::LongLong);
}

TEST_F(RbxDefaultsTest, ApplicationRecordsKeepOnlyWhatDiffersFromTheDefaults) {
    RbxDefaults& store = launch();
    store.setFrontApplication(QStringLiteral("gedit"));
    EXPECT_EQ(store.applicationInsertMode(), InsertMode::Plain);
    EXPECT_EQ(store.latestSpecialInsertMode(), InsertMode::HTML);
    store.setApplicationInsertMode(InsertMode::Hex);
    store.setLatestSpecialInsertMode(InsertMode::Swift);
    store.setApplicationFontDectection(true);
    store.setApplicationFont(QStringLiteral("DejaVuSans-Bold"));
    EXPECT_EQ(store.safeApplicationInsertMode(), InsertMode::HTML);
    QVariantMap gedit = applications(store).value(QStringLiteral("gedit")).toMap();
    EXPECT_EQ(kx::ns::intValue(gedit.value(QStringLiteral("insert mode"))), 7);
    EXPECT_EQ(kx::ns::intValue(gedit.value(QStringLiteral("latestInsert"))), 5);
    EXPECT_TRUE(gedit.value(QStringLiteral("automatic")).toBool());
    EXPECT_EQ(gedit.value(QStringLiteral("font")).toString(), QStringLiteral("DejaVuSans-Bold"));

    // The record follows the front application; another one starts empty.
    store.setFrontApplication(QStringLiteral("kate"));
    EXPECT_EQ(store.applicationInsertMode(), InsertMode::Plain);
    store.setApplicationInsertMode(InsertMode::Formatted);
    store.setFrontApplication(QStringLiteral("gedit"));
    EXPECT_EQ(store.applicationInsertMode(), InsertMode::Hex);
    EXPECT_TRUE(store.applicationFontDectection());

    // Back to every default: the record disappears.
    store.setApplicationInsertMode(InsertMode::Plain);
    store.setLatestSpecialInsertMode(InsertMode::HTML);
    store.setApplicationFontDectection(false);
    store.setApplicationFont(QString());
    EXPECT_FALSE(applications(store).contains(QStringLiteral("gedit")));
    EXPECT_TRUE(applications(store).contains(QStringLiteral("kate")));
    EXPECT_FALSE(storedFile().value(QStringLiteral("applications")).toMap().contains(QStringLiteral("gedit")));

    // Entries that are no records are dropped on the next write.
    QVariantMap apps = applications(store);
    apps.insert(QStringLiteral("junk"), QStringLiteral("text"));
    apps.insert(QStringLiteral("empty"), QVariantMap());
    store.setObject(apps, key::applications.qname());
    store.updateApplicationSettings();
    EXPECT_EQ(applications(store).keys(), QStringList{QStringLiteral("kate")});
}

TEST_F(RbxDefaultsTest, FontDetectionSwitches) {
    RbxDefaults& store = launch();
    EXPECT_TRUE(store.isFontDetectionEnabled());
    store.setFrontApplication(QStringLiteral("front"));
    store.setApplicationFontDectection(true);
    store.setFrontApplication(QStringLiteral("other"));
    store.setApplicationFontDectection(true);
    store.setApplicationInsertMode(InsertMode::Picture);
    store.setFrontApplication(QStringLiteral("front"));
    EXPECT_TRUE(store.applicationFontDectection());
    store.toggleFontDetectionEnabled();
    EXPECT_FALSE(store.isFontDetectionEnabled());
    EXPECT_FALSE(store.applicationFontDectection());  // off everywhere
    store.toggleFontDetectionEnabled();

    store.disableFontDetectionForApplication(QStringLiteral("other"));
    QVariantMap other = applications(store).value(QStringLiteral("other")).toMap();
    EXPECT_FALSE(other.contains(QStringLiteral("automatic")));
    EXPECT_EQ(kx::ns::intValue(other.value(QStringLiteral("insert mode"))), 3);
    store.disableFontDetectionForApplication(QStringLiteral("front"));
    EXPECT_FALSE(store.applicationFontDectection());
    EXPECT_FALSE(applications(store).contains(QStringLiteral("front")));
}

TEST_F(RbxDefaultsTest, ApplicationFontGoesThroughTheAvailabilityHook) {
    RbxDefaults& plain = launch();
    plain.setFrontApplication(QStringLiteral("app"));
    plain.setApplicationFont(QStringLiteral("Missing-Font"));
    EXPECT_EQ(plain.applicationFont(), QStringLiteral("Missing-Font"));
    FakeStoreServices services;
    services.installedFonts = QStringList{QStringLiteral("Installed")};
    RbxDefaults& store = launch(services.all());
    store.setFrontApplication(QStringLiteral("app"));
    EXPECT_EQ(store.applicationFont(), QStringLiteral("SystemFont"));
    store.setBool(true, key::useUniversalFont.qname());
    store.setString(QStringLiteral("Installed"), key::universalFont.qname());
    EXPECT_EQ(store.applicationFont(), QStringLiteral("Installed"));
}

TEST_F(RbxDefaultsTest, InsertModeNames) {
    EXPECT_EQ(RbxDefaults::applicationInsertModeAsString(InsertMode::Plain), QStringLiteral("Plain"));
    EXPECT_EQ(RbxDefaults::applicationInsertModeAsString(InsertMode::HTML), QStringLiteral("HTML"));
    EXPECT_EQ(RbxDefaults::applicationInsertModeAsString(InsertMode::Description), QStringLiteral("Description"));
    EXPECT_EQ(RbxDefaults::applicationInsertModeAsString(insertModeFromNumber(4)), QStringLiteral(""));
    EXPECT_EQ(RbxDefaults::applicationInsertModeAsString(insertModeFromNumber(10)), QStringLiteral(""));
    EXPECT_EQ(RbxDefaults::applicationInsertModeAsString(insertModeFromNumber(-1)), QStringLiteral(""));
}

TEST_F(RbxDefaultsTest, SizeAdjustments) {
    EXPECT_DOUBLE_EQ(RbxDefaults::fontSizeFactorForAdjustment(-1), 0.5);
    EXPECT_DOUBLE_EQ(RbxDefaults::fontSizeFactorForAdjustment(0), 1.0);
    EXPECT_DOUBLE_EQ(RbxDefaults::fontSizeFactorForAdjustment(1), 2.0);
    EXPECT_DOUBLE_EQ(RbxDefaults::fontSizeFactorForAdjustment(-0.5), 0.75);
    EXPECT_DOUBLE_EQ(RbxDefaults::fontSizeFactorForAdjustment(2), 4.0);

    RbxDefaults& store = launch();
    EXPECT_EQ(store.sizeAdjustmentForFontFamily(QStringLiteral("Serif")), 0.0f);
    store.setSizeAdjustment(0.25f, QStringLiteral("Serif"));
    store.setSizeAdjustment(-0.5f, QStringLiteral("Sans"));
    EXPECT_EQ(store.sizeAdjustmentForFontFamily(QStringLiteral("Serif")), 0.25f);
    EXPECT_EQ(store.sizeAdjustmentForFontFamily(QStringLiteral("Sans")), -0.5f);
    QVariantMap odd = store.objectForKey(key::fontSizeAdjustment).toMap();
    odd.insert(QStringLiteral("Odd"), QVariantList());
    store.setObject(odd, key::fontSizeAdjustment.qname());
    EXPECT_EQ(store.sizeAdjustmentForFontFamily(QStringLiteral("Odd")), 0.0f);
    store.clearAllSizeAdjustments();
    EXPECT_EQ(store.sizeAdjustmentForFontFamily(QStringLiteral("Serif")), 0.0f);
    EXPECT_FALSE(storedFile().contains(QStringLiteral("fontSizeAdjustment")));
}

TEST_F(RbxDefaultsTest, GroupExpansionRulesAndExceptions) {
    RbxDefaults& store = launch();
    const QString a = QStringLiteral("Latin"), b = QStringLiteral("Greek");
    EXPECT_TRUE(store.isExpandedGroup(a));
    store.setPrefersExpanded(false, a);
    EXPECT_FALSE(store.isExpandedGroup(a));
    EXPECT_TRUE(store.isExpandedGroup(b));
    EXPECT_EQ(store.objectForKey(key::collapsedBlocks).toList(), QVariantList{a});
    store.setPrefersExpanded(false, a);  // already so: the list does not grow
    EXPECT_EQ(store.objectForKey(key::collapsedBlocks).toList().size(), 1);
    store.setPrefersExpanded(true, a);
    EXPECT_TRUE(store.isExpandedGroup(a));
    EXPECT_TRUE(store.objectForKey(key::collapsedBlocks).toList().isEmpty());

    store.setPrefersExpanded(false, b);
    store.setDefaultBlocksCollapsed(true);
    EXPECT_FALSE(store.objectForKey(key::collapsedBlocks).isValid());
    EXPECT_FALSE(store.isExpandedGroup(a));
    EXPECT_FALSE(store.isExpandedGroup(b));
    store.setPrefersExpanded(true, b);
    EXPECT_TRUE(store.isExpandedGroup(b));
    EXPECT_EQ(store.objectForKey(key::expandedBlocks).toList(), QVariantList{b});
    store.setPrefersExpanded(false, b);
    EXPECT_FALSE(store.isExpandedGroup(b));
}

TEST_F(RbxDefaultsTest, SampleAlignmentAndDarkTable) {
    RbxDefaults& plain = launch();
    EXPECT_EQ(plain.defaultSampleAlignment(), 4);
    plain.setInteger(3, key::editorAlignment.qname());
    EXPECT_EQ(plain.defaultSampleAlignment(), 3);
    plain.setBool(true, key::darkTable.qname());
    EXPECT_FALSE(plain.darkTable());  // no dark theme known
    FakeStoreServices services;
    RbxDefaults& store = launch(services.all());
    bool& dark = services.dark;
    EXPECT_FALSE(store.darkTable());
    dark = true;
    EXPECT_TRUE(store.darkTable());
    store.setBool(false, key::darkTable.qname());
    EXPECT_FALSE(store.darkTable());
}

TEST_F(RbxDefaultsTest, StartAtLoginGoesToTheLoginItemHook) {
    FakeStoreServices services;
    launch().updateStartAtLogin();  // no login item service: nothing happens
    RbxDefaults& store = launch(services.all());
    std::atomic<int>& calls = services.loginItemCalls;
    store.setBool(true, key::startAtLogin.qname());
    store.updateStartAtLogin();
    EXPECT_EQ(calls.load(), 1);
    EXPECT_TRUE(services.lastEnabled);
    EXPECT_FALSE(services.lastHidden);
    EXPECT_EQ(services.lastNamePart, QStringLiteral("Runebox"));
    store.setBool(false, key::startAtLogin.qname());
    store.updateStartAtLoginInBackground();
    ASSERT_TRUE(rbxtest::waitFor([&] { return calls.load() == 2; }));
    std::lock_guard lock(services.mutex);
    EXPECT_FALSE(services.lastEnabled);
    EXPECT_FALSE(services.lastHidden);
    EXPECT_EQ(services.lastNamePart, QStringLiteral("Runebox"));
}

TEST_F(RbxDefaultsTest, FontLayoutSuggestionsAreOfferedOnce) {
    QVariantMap links{{QStringLiteral("Noto Color Emoji"), QStringLiteral("Emoji")},
                      {QStringLiteral("Noto Music"), QStringLiteral("Music")}};
    writeResource(QStringLiteral("FontLinks.plist"), kx::plist::writeXml(links));
    writeOutside(QStringLiteral("fontSpecificLayouts"),
                 QVariantMap{{QStringLiteral("Noto Music"), QStringLiteral("My Own")}});
    {
        kx::LogCapture capture;
        RbxDefaults& store = launch();
        EXPECT_EQ(store.layoutForFontFamily(QStringLiteral("Noto Color Emoji")), QStringLiteral("Emoji"));
        EXPECT_EQ(store.layoutForFontFamily(QStringLiteral("Noto Music")), QStringLiteral("My Own"));
        EXPECT_TRUE(capture.contains(QStringLiteral("new layout suggestion for font Noto Color Emoji")));
        EXPECT_TRUE(capture.contains(QStringLiteral("  linking with suggested layout: Emoji")));
        EXPECT_TRUE(capture.contains(QStringLiteral("  existing link: My Own")));
        EXPECT_EQ(store.objectForKey(key::fontLayoutSuggestionsInstalled).toList().size(), 2);
        // The user removes a suggested link; it is not offered again.
        store.setLayout(QString(), QStringLiteral("Noto Color Emoji"));
        store.setLayout(QStringLiteral("Greek"), QStringLiteral("Serif"));
        store.setLayout(QStringLiteral("Ignored"), QString());
    }
    kx::LogCapture capture;
    RbxDefaults& store = launch();
    EXPECT_TRUE(store.layoutForFontFamily(QStringLiteral("Noto Color Emoji")).isNull());
    EXPECT_EQ(store.layoutForFontFamily(QStringLiteral("Serif")), QStringLiteral("Greek"));
    EXPECT_TRUE(store.layoutForFontFamily(QString()).isNull());
    EXPECT_FALSE(capture.contains(QStringLiteral("new layout suggestion")));
}

TEST_F(RbxDefaultsTest, MissingFontLinksAreLogged) {
    kx::LogCapture capture;
    RbxDefaults& store = launch();
    EXPECT_TRUE(store.layoutForFontFamily(QStringLiteral("Any")).isNull());
    EXPECT_TRUE(capture.contains(QStringLiteral("could not read suggested font/layout links")));
}

namespace {
RbxRecentArray recents(std::initializer_list<std::pair<std::uint32_t, std::int32_t>> records) {
    RbxRecentArray list;
    for (const auto& [c, stamp] : records) list.addElement(RbxRecentArray::Element{c, stamp});
    return list;
}
std::vector<std::uint32_t> characters(const RbxRecentArray& list) {
    std::vector<std::uint32_t> out;
    for (int i = 0; i < list.count(); ++i) out.push_back(list.elementAtIndex(i).character);
    return out;
}
} // namespace

TEST_F(RbxDefaultsTest, RecentCharactersAreSplitBetweenTheSharedAndTheFamilyLists) {
    const RbxRecentArray mixed =
        recents({{0x41, 1}, {0xE000, 2}, {0, 3}, {0xB0001, 4}, {0x1F600, 5}, {0x10FFFD, 6}, {0xF8FF, 7}, {0x42, 8}});
    writeOutside(QStringLiteral("global recent characters"), mixed.data());
    writeOutside(QStringLiteral("font recent characters"), QVariantMap{{QStringLiteral("Symbols"), mixed.data()},
                                                                       {QStringLiteral("Broken"), QStringLiteral("x")}});
    RbxDefaults& store = launch();
    EXPECT_EQ(characters(store.globalRecentCharacters()), (std::vector<std::uint32_t>{0x41, 0x1F600, 0x42}));
    EXPECT_EQ(store.globalRecentCharacters().elementAtIndex(1).stamp, 5);
    EXPECT_EQ(characters(store.recentCharactersForFontFamily(QStringLiteral("Symbols"))),
              (std::vector<std::uint32_t>{0xE000, 0x10FFFD, 0xF8FF}));
    EXPECT_EQ(store.recentCharactersForFontFamily(QStringLiteral("Broken")).count(), 0);
    EXPECT_EQ(store.recentCharactersForFontFamily(QStringLiteral("Unknown")).count(), 0);
    EXPECT_FALSE(store.recentLigaturesForFontFamily(QStringLiteral("Symbols")).has_value());

    // The shared list is kept: changes in place stay until stored.
    store.globalRecentCharacters().addElement(RbxRecentArray::Element{0x43, 9});
    EXPECT_EQ(store.globalRecentCharacters().count(), 4);
    store.setGlobalRecentCharacters(store.globalRecentCharacters());
    const QByteArray stored = storedFile().value(QStringLiteral("global recent characters")).toByteArray();
    EXPECT_EQ(stored, store.globalRecentCharacters().data());
    // Character then stamp, each big-endian.
    EXPECT_EQ(stored.left(16), QByteArray::fromHex("00000041000000010001F60000000005"));

    store.setRecentCharacters(recents({{0xE001, 10}}), QStringLiteral("Other"));
    EXPECT_EQ(characters(store.recentCharactersForFontFamily(QStringLiteral("Other"))),
              (std::vector<std::uint32_t>{0xE001}));
    EXPECT_TRUE(store.objectForKey(key::fontRecentCharacters).toMap().contains(QStringLiteral("Symbols")));

    RbxDefaults& next = launch();
    EXPECT_EQ(characters(next.globalRecentCharacters()), (std::vector<std::uint32_t>{0x41, 0x1F600, 0x42, 0x43}));
}

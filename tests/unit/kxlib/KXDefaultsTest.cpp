#include "StoreFixture.h"

#include "core/FoundationValues.h"
#include "core/KXUserFileAccess.h"
#include "core/Log.h"

#include "common/TestEnvironment.h"

#include <atomic>
#include <thread>

namespace key = rbx::key;

using KXDefaultsTest = StoreTest;

TEST_F(KXDefaultsTest, BooleansReadWithTheStoresOwnRules) {
    writeOutside(QStringLiteral("yes"), QStringLiteral("yes"));
    writeOutside(QStringLiteral("Yes"), QStringLiteral("Yes"));
    writeOutside(QStringLiteral("true"), QStringLiteral("true"));  // its integer value is 0
    writeOutside(QStringLiteral("two"), QStringLiteral("2"));
    writeOutside(QStringLiteral("zero"), QStringLiteral("0"));
    writeOutside(QStringLiteral("number"), 3);
    writeOutside(QStringLiteral("half"), 0.5);  // integer value 0
    writeOutside(QStringLiteral("bool"), true);
    writeOutside(QStringLiteral("list"), QVariantList{1});
    KXDefaults& store = launch();
    EXPECT_TRUE(store.boolForKey(QStringLiteral("yes")));
    EXPECT_TRUE(store.boolForKey(QStringLiteral("Yes")));
    EXPECT_FALSE(store.boolForKey(QStringLiteral("true")));
    EXPECT_TRUE(store.boolForKey(QStringLiteral("two")));
    EXPECT_FALSE(store.boolForKey(QStringLiteral("zero"), true));
    EXPECT_TRUE(store.boolForKey(QStringLiteral("number")));
    EXPECT_FALSE(store.boolForKey(QStringLiteral("half")));
    EXPECT_TRUE(store.boolForKey(QStringLiteral("bool")));
    EXPECT_FALSE(store.boolForKey(QStringLiteral("list"), true));
    EXPECT_TRUE(store.boolForKey(QStringLiteral("absent"), true));
    EXPECT_FALSE(store.boolForKey(QStringLiteral("absent")));
}

TEST_F(KXDefaultsTest, NumbersAreStoredAsNumbersAndReadAlsoFromText) {
    KXDefaults& store = launch();
    store.setInteger(5, QStringLiteral("int"));
    EXPECT_EQ(store.objectForKey(QStringLiteral("int")), QVariant(5));
    EXPECT_EQ(store.integerForKey(QStringLiteral("int")), 5);
    store.setFloat(0.1f, QStringLiteral("float"));
    store.setDouble(2.5, QStringLiteral("double"));
    store.setString(QString(), QStringLiteral("nullString"));
    store.setBool(true, QStringLiteral("flag"));
    const QVariantMap file = storedFile();
    EXPECT_EQ(file.value(QStringLiteral("int")).toInt(), 5);
    EXPECT_EQ(file.value(QStringLiteral("int")).typeId(), QMetaType::LongLong);  // an integer, as the file reads back
    EXPECT_EQ(file.value(QStringLiteral("float")).toDouble(), 0.1);
    EXPECT_EQ(file.value(QStringLiteral("float")).typeId(), QMetaType::Double);
    EXPECT_EQ(file.value(QStringLiteral("double")).toDouble(), 2.5);
    // A number an older copy wrote as text reads the same.
    store.setObject(QStringLiteral("7"), QStringLiteral("text"));
    EXPECT_EQ(store.integerForKey(QStringLiteral("text")), 7);
    EXPECT_EQ(file.value(QStringLiteral("nullString")), QVariant(QStringLiteral("")));
    EXPECT_EQ(file.value(QStringLiteral("flag")).typeId(), QMetaType::Bool);
    EXPECT_FLOAT_EQ(store.floatForKey(QStringLiteral("float")), 0.1f);
    EXPECT_DOUBLE_EQ(store.doubleForKey(QStringLiteral("double")), 2.5);

    // Readers of other types fall back to their defaults or the values' texts.
    store.setObject(QVariantList{QStringLiteral("a")}, QStringLiteral("list"));
    EXPECT_EQ(store.integerForKey(QStringLiteral("list"), 7), 7);
    EXPECT_EQ(store.floatForKey(QStringLiteral("list"), 1.5f), 1.5f);
    EXPECT_EQ(store.stringForKey(QStringLiteral("list")), QStringLiteral("(\n    a\n)"));
    EXPECT_EQ(store.stringForKey(QStringLiteral("flag")), QStringLiteral("1"));
    EXPECT_EQ(store.stringForKey(QStringLiteral("absent")), QStringLiteral(""));
    EXPECT_EQ(store.stringForKey(QStringLiteral("absent"), QStringLiteral("d")), QStringLiteral("d"));
    store.setString(QStringLiteral("5abc"), QStringLiteral("text"));
    EXPECT_EQ(store.integerForKey(QStringLiteral("text"), 9), 5);
    store.setString(QStringLiteral("abc"), QStringLiteral("text"));
    EXPECT_EQ(store.integerForKey(QStringLiteral("text"), 9), 0);
    EXPECT_EQ(store.doubleForKey(QStringLiteral("text"), 9.0), 0.0);
    EXPECT_FALSE(store.hasOption(QStringLiteral("anything")));
}

TEST_F(KXDefaultsTest, OnlyKeysAlreadySeenNotifyTheirChanges) {
    KXDefaults& store = launch();
    RecordingObserver observer;
    store.addObserver(&observer);

    store.setInteger(1, QStringLiteral("fresh"));  // never read or written before
    rbxtest::spinEventLoop(50);
    EXPECT_TRUE(observer.keys.isEmpty());

    store.setInteger(2, QStringLiteral("fresh"));
    ASSERT_TRUE(rbxtest::waitFor([&] { return observer.keys.size() == 1; }));
    EXPECT_EQ(observer.keys.first(), QStringLiteral("fresh"));

    store.removeObjectForKey(QStringLiteral("fresh"));
    ASSERT_TRUE(rbxtest::waitFor([&] { return observer.keys.size() == 2; }));
    EXPECT_FALSE(store.objectForKey(QStringLiteral("fresh")).isValid());
    EXPECT_EQ(store.copyCurrentValues().value(QStringLiteral("fresh")), QVariant(KXDefaults::nilMarker()));
    EXPECT_FALSE(storedFile().contains(QStringLiteral("fresh")));

    // A read that finds nothing does not observe the key; one that finds a value does.
    EXPECT_FALSE(store.objectForKey(QStringLiteral("unread")).isValid());
    store.setString(QStringLiteral("x"), QStringLiteral("unread"));
    writeOutside(QStringLiteral("seen"), QStringLiteral("1"));
    store.synchronize();
    EXPECT_EQ(store.stringForKey(QStringLiteral("seen")), QStringLiteral("1"));
    writeOutside(QStringLiteral("seen"), QStringLiteral("2"));
    ASSERT_TRUE(rbxtest::waitFor([&] { return observer.keys.contains(QStringLiteral("seen")); }));
    EXPECT_EQ(store.stringForKey(QStringLiteral("seen")), QStringLiteral("2"));
    rbxtest::spinEventLoop(50);
    EXPECT_FALSE(observer.keys.contains(QStringLiteral("unread")));
    EXPECT_TRUE(observer.onMainThread);

    store.removeObserver(&observer);
    store.setInteger(3, QStringLiteral("seen"));
    const qsizetype before = observer.keys.size();
    rbxtest::spinEventLoop(50);
    EXPECT_EQ(observer.keys.size(), before);
}

TEST_F(KXDefaultsTest, RemovingAKeyBringsBackItsBundleDefault) {
    writeDefaults({{QStringLiteral("magnify"), true}, {QStringLiteral("recentLines"), QStringLiteral("4")}});
    KXDefaults& store = launch();
    RecordingObserver observer;
    store.addObserver(&observer);
    store.setBool(false, QStringLiteral("magnify"));
    store.setInteger(9, QStringLiteral("recentLines"));
    EXPECT_FALSE(store.boolForKey(key::magnify));

    store.removeObjectForKey(QStringLiteral("magnify"));
    store.removeObjectForKey(QStringLiteral("recentLines"));
    ASSERT_TRUE(rbxtest::waitFor([&] { return observer.keys.count(QStringLiteral("magnify")) == 2; }));
    EXPECT_FALSE(storedFile().contains(QStringLiteral("magnify")));
    // In this process as at the next launch: the bundle's value, not the code default.
    EXPECT_TRUE(store.boolForKey(key::magnify));
    EXPECT_EQ(store.integerForKey(key::recentLines), 4);
    EXPECT_TRUE(launch().boolForKey(key::magnify));
    EXPECT_EQ(launch().integerForKey(key::recentLines), 4);
}

TEST_F(KXDefaultsTest, NumbersTheSystemCannotUseGiveTheBundleDefaultWithOneLogLine) {
    writeDefaults({{QStringLiteral("relativeFontSize"), 40.0}, {QStringLiteral("minimumFitSize"), 12}});
    writeOutside(QStringLiteral("relativeFontSize"), QStringLiteral("1e308"));
    writeOutside(QStringLiteral("minimumFitSize"), QStringLiteral("-3"));
    KXDefaults& store = launch();
    kx::LogCapture capture;
    EXPECT_DOUBLE_EQ(store.doubleForKey(key::relativeFontSize), 40.0);
    EXPECT_DOUBLE_EQ(store.doubleForKey(key::relativeFontSize), 40.0);
    EXPECT_FLOAT_EQ(store.floatForKey(key::minimumFitSize), 12.0f);
    const QStringList lines = capture.lines().filter(QStringLiteral("relativeFontSize"));
    ASSERT_EQ(lines.size(), 1) << lines.join(u'\n').toStdString();
    EXPECT_TRUE(lines[0].contains(QStringLiteral("1e+308 is not usable, 40 is used instead")) ||
                lines[0].contains(QStringLiteral("1e308 is not usable, 40 is used instead")))
        << lines[0].toStdString();
    EXPECT_TRUE(capture.contains(QStringLiteral("minimumFitSize: -3 is not usable, 12 is used instead")));

    // Text that is no number at all, negative sizes and usable values at the edges.
    for (const char* text : {"banana", "-40", "0", "inf", "nan", "10000.5"}) {
        store.setObject(QString::fromLatin1(text), QStringLiteral("relativeFontSize"));
        EXPECT_DOUBLE_EQ(store.doubleForKey(key::relativeFontSize), 40.0) << text;
    }
    store.setDouble(1, QStringLiteral("relativeFontSize"));
    EXPECT_DOUBLE_EQ(store.doubleForKey(key::relativeFontSize), 1.0);
    store.setDouble(10000, QStringLiteral("relativeFontSize"));
    EXPECT_DOUBLE_EQ(store.doubleForKey(key::relativeFontSize), 10000.0);
}

TEST_F(KXDefaultsTest, ADestroyedObserverReceivesNothing) {
    KXDefaults& store = launch();
    store.setString(QStringLiteral("a"), QStringLiteral("key"));
    std::atomic<int> calls{0};
    struct Counting : KXDefaultObserver {
        explicit Counting(std::atomic<int>& c) : count(c) {}
        void defaultChanged(const QString&) override { ++count; }
        std::atomic<int>& count;
    };
    auto doomed = std::make_unique<Counting>(calls);
    RecordingObserver survivor;
    store.addObserver(doomed.get());
    store.addObserver(&survivor);
    store.setString(QStringLiteral("b"), QStringLiteral("key"));  // delivery queued
    doomed.reset();                                               // gone before it runs
    ASSERT_TRUE(rbxtest::waitFor([&] { return survivor.keys.size() == 1; }));
    store.setString(QStringLiteral("c"), QStringLiteral("key"));
    ASSERT_TRUE(rbxtest::waitFor([&] { return survivor.keys.size() == 2; }));
    EXPECT_EQ(calls.load(), 0);
}

TEST_F(KXDefaultsTest, AnObserverWithoutAHandlerLogsTheChange) {
    struct Silent : KXDefaultObserver {};
    KXDefaults& store = launch();
    Silent silent;
    store.addObserver(&silent);
    store.setBool(true, QStringLiteral("flag"));
    kx::LogCapture capture;
    store.setBool(false, QStringLiteral("flag"));
    ASSERT_TRUE(rbxtest::waitFor([&] { return capture.contains(QStringLiteral("unhandled")); }));
    EXPECT_TRUE(capture.contains(QStringLiteral("*** unhandled default change (flag) in ")));
    EXPECT_TRUE(capture.lines().join(u'\n').contains(QStringLiteral("Silent")));
}

TEST_F(KXDefaultsTest, ChangesFromOtherThreadsReachObserversOnTheMainThread) {
    KXDefaults& store = launch();
    RecordingObserver observer;
    store.addObserver(&observer);
    for (int t = 0; t < 4; ++t) store.setInteger(0, QStringLiteral("t%1").arg(t));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&store, t] {
            const QString k = QStringLiteral("t%1").arg(t);
            for (int i = 1; i <= 20; ++i) {
                store.setInteger(i, k);
                store.integerForKey(k);
                store.boolForKey(QStringLiteral("shared"));
            }
        });
    }
    for (auto& th : threads) th.join();
    ASSERT_TRUE(rbxtest::waitFor([&] { return observer.keys.size() == 80; }));
    EXPECT_TRUE(observer.onMainThread);
    for (int t = 0; t < 4; ++t) EXPECT_EQ(store.integerForKey(QStringLiteral("t%1").arg(t)), 20);
    EXPECT_EQ(storedFile().value(QStringLiteral("t3")).toInt(), 20);
}

TEST_F(KXDefaultsTest, LaunchCountTranslationAndFirstLaunchImport) {
    QVariantMap defaults;
    defaults.insert(QStringLiteral("color"), QStringLiteral("blue"));
    defaults.insert(QStringLiteral("renamed"), QStringLiteral("bundle value"));
    defaults.insert(QStringLiteral("renamed2"), QStringLiteral("bundle value 2"));
    defaults.insert(QStringLiteral("translate"),
                    QVariantMap{{QStringLiteral("renamed"), QStringLiteral("old name")},
                                {QStringLiteral("renamed2"), QStringLiteral("old name 2")}});
    const QString first = domain + QStringLiteral(".first"), second = domain + QStringLiteral(".second"),
                  third = domain + QStringLiteral(".third");
    auto entry = [](const QString& suite, const QString& k, const QString& theirs) {
        return QVariantMap{{QStringLiteral("suite"), suite}, {QStringLiteral("keys"), QVariantMap{{k, theirs}}}};
    };
    defaults.insert(QStringLiteral("import"),
                    QVariantList{QVariantMap{{QStringLiteral("keys"), QVariantMap()}},  // no suite
                                 entry(first, QStringLiteral("imported"), QStringLiteral("nothing there")),
                                 entry(second, QStringLiteral("imported"), QStringLiteral("theirs")),
                                 entry(third, QStringLiteral("imported3"), QStringLiteral("theirs"))});
    writeDefaults(defaults);
    writeOutside(QStringLiteral("theirs"), QStringLiteral("from second"), second);
    writeOutside(QStringLiteral("theirs"), QStringLiteral("from third"), third);
    writeOutside(QStringLiteral("old name"), QStringLiteral("user value"));

    RbxDefaults* store = &launch();
    EXPECT_EQ(store->launchCount(), 1);
    EXPECT_EQ(store->stringForKey(QStringLiteral("imported")), QStringLiteral("from second"));
    EXPECT_FALSE(store->objectForKey(QStringLiteral("imported3")).isValid());
    EXPECT_EQ(store->stringForKey(QStringLiteral("renamed")), QStringLiteral("user value"));
    // Without an older value the bundle's default is written.
    EXPECT_EQ(storedFile().value(QStringLiteral("renamed2")), QVariant(QStringLiteral("bundle value 2")));
    // Every key with a default is observed from the start.
    RecordingObserver observer;
    store->addObserver(&observer);
    store->setString(QStringLiteral("red"), QStringLiteral("color"));
    ASSERT_TRUE(rbxtest::waitFor([&] { return observer.keys.contains(QStringLiteral("color")); }));

    store->removeObjectForKey(QStringLiteral("imported"));
    store = &launch();
    EXPECT_EQ(store->launchCount(), 2);
    EXPECT_FALSE(store->objectForKey(QStringLiteral("imported")).isValid());  // no import on later launches
    EXPECT_EQ(store->stringForKey(QStringLiteral("color")), QStringLiteral("red"));
}

TEST_F(KXDefaultsTest, AReadingProgramsStoreKeepsItsChangesInMemory) {
    writeDefaults({{QStringLiteral("renamed"), QStringLiteral("bundle value")},
                   {QStringLiteral("translate"), QVariantMap{{QStringLiteral("renamed"), QStringLiteral("old name")}}},
                   {QStringLiteral("import"),
                    QVariantList{QVariantMap{{QStringLiteral("suite"), domain + QStringLiteral(".other")},
                                             {QStringLiteral("keys"), QVariantMap{{QStringLiteral("imported"),
                                                                                   QStringLiteral("theirs")}}}}}}});
    writeOutside(QStringLiteral("theirs"), QStringLiteral("from other"), domain + QStringLiteral(".other"));
    writeOutside(QStringLiteral("old name"), QStringLiteral("user value"));
    const QVariantMap file = storedFile();

    rbxtest::ScopedInstance<KXUserFileAccess> reading(
        std::make_shared<KXUserFileAccess>(KXUserFileAccess::Mode::ReadOnly));
    RbxDefaults& store = launch();
    // Read as at start-up, a first launch ...
    EXPECT_EQ(store.launchCount(), 1);
    EXPECT_EQ(store.stringForKey(QStringLiteral("renamed")), QStringLiteral("user value"));
    EXPECT_EQ(store.stringForKey(QStringLiteral("imported")), QStringLiteral("from other"));
    RecordingObserver observer;
    store.addObserver(&observer);
    store.setString(QStringLiteral("changed"), QStringLiteral("renamed"));
    store.setBool(true, QStringLiteral("new"));
    EXPECT_EQ(store.stringForKey(QStringLiteral("renamed")), QStringLiteral("changed"));
    EXPECT_TRUE(store.boolForKey(QStringLiteral("new")));
    ASSERT_TRUE(rbxtest::waitFor([&] { return observer.keys.contains(QStringLiteral("renamed")); }));
    store.removeObjectForKey(QStringLiteral("renamed"));
    EXPECT_EQ(store.stringForKey(QStringLiteral("renamed")), QStringLiteral("bundle value"));
    // ... and the file is as it was.
    EXPECT_EQ(storedFile(), file);
    EXPECT_EQ(launch().launchCount(), 1);
}

TEST_F(KXDefaultsTest, OlderLaunchCountIsCarriedOver) {
    writeOutside(QStringLiteral("launchCount"), QStringLiteral("5"));
    EXPECT_EQ(launch().launchCount(), 6);
    EXPECT_EQ(launch().launchCount(), 7);
}

TEST_F(KXDefaultsTest, UnreadableBundleDefaultsAreLoggedAndEmpty) {
    writeResource(QStringLiteral("UserDefaults.plist"), "{ broken");
    kx::LogCapture capture;
    KXDefaults& store = launch();
    EXPECT_TRUE(capture.contains(QStringLiteral("*** Could not read UserDefaults: ") + resources.path()));
    EXPECT_EQ(store.integerForKey(key::recentLines), 2);
    EXPECT_EQ(store.launchCount(), 1);
}

TEST_F(KXDefaultsTest, EmptyBundleDefaultsGiveEveryKeysCodeDefault) {
    KXDefaults& store = launch();
    EXPECT_EQ(store.integerForKey(key::recentLines), 2);
    EXPECT_EQ(store.stringForKey(key::selectedCollection), QStringLiteral(""));
    EXPECT_EQ(store.stringForKey(key::quitOther), QStringLiteral("quitkill"));
    for (const auto& k : {key::fixOffscreenWindow, key::fontNameInFont, key::safeDrawing, key::ligatures,
                          key::enableFontDetection, key::checkForUpdatesInFullScreenMode})
        EXPECT_TRUE(store.boolForKey(k)) << k.name;
    EXPECT_FLOAT_EQ(store.floatForKey(key::ncph), 23.0f);
    EXPECT_FLOAT_EQ(store.floatForKey(key::scph), 12.0f);
    EXPECT_EQ(store.integerForKey(key::httpsMinSys), 101300);
    for (const rbx::key::KeyInfo& k : rbx::key::allKeys()) {
        const QString n = k.name;
        switch (k.type) {
        case rbx::key::Type::Bool: EXPECT_EQ(store.boolForKey(n, k.codeDefault.toBool()), k.codeDefault.toBool()) << n.toStdString(); break;
        case rbx::key::Type::Int:
            if (n == QLatin1String("launch count") || n == QLatin1String("buildNr")) break;
            EXPECT_EQ(store.integerForKey(n, k.codeDefault.toInt()), k.codeDefault.toInt()) << n.toStdString();
            break;
        case rbx::key::Type::Float: EXPECT_EQ(store.doubleForKey(n, k.codeDefault.toDouble()), k.codeDefault.toDouble()) << n.toStdString(); break;
        case rbx::key::Type::String: EXPECT_EQ(store.stringForKey(n, k.codeDefault.toString()), k.codeDefault.toString()) << n.toStdString(); break;
        default:
            if (n == QLatin1String("applications") || n == QLatin1String("font recent characters") ||
                n == QLatin1String("recentFontsV2")) {
                // Computed defaults: empty collections.
                const QVariant v = store.objectForKey(n);
                EXPECT_TRUE(kx::ns::isDictionary(v) ? v.toMap().isEmpty() : kx::ns::isArray(v) && v.toList().isEmpty())
                    << n.toStdString();
            } else {
                EXPECT_FALSE(store.objectForKey(n).isValid()) << n.toStdString();
            }
        }
    }
}

TEST_F(KXDefaultsTest, TheShippedDefaultsCoverEveryBundleKey) {
    const kx::plist::Result r = kx::plist::readFile(QStringLiteral(RUNEBOX_SOURCE_RESOURCES "/UserDefaults.plist"));
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    const QVariantMap shipped = r.value.toMap();
    for (const rbx::key::KeyInfo& k : rbx::key::allKeys())
        if (k.fromBundle) {
            EXPECT_TRUE(shipped.contains(k.name)) << k.name.toStdString();
        }
    // The shipped store reads its types as the keys say.
    writeResource(QStringLiteral("UserDefaults.plist"), kx::plist::writeXml(shipped));
    KXDefaults& store = launch();
    EXPECT_EQ(store.integerForKey(key::activator), 1);
    EXPECT_EQ(store.integerForKey(key::view), 1);
    EXPECT_TRUE(store.boolForKey(key::magnify));
    EXPECT_FALSE(store.stringForKey(key::selectedFont).isEmpty());
    EXPECT_GT(store.floatForKey(key::formattedSize), 0.0f);
}

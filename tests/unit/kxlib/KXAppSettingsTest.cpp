// Per-application settings: finding an application's entry, the system suffix, values
// that cancel or point at user settings, merging the support folder's files, the
// shipped data, the URL command "appsetting" and the remote update.
#include "common/ScopedInstance.h"
#include "common/TestEnvironment.h"
#include "common/SmallFileSystem.h"
#include "kxlib/KXAppSettings.h"
#include "kxlib/KXDefaults.h"
#include "kxlib/KXURLHandler.h"
#include "core/Bundle.h"
#include "core/FoundationValues.h"
#include "core/Log.h"
#include "core/Plist.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <optional>

namespace {

using Facts = KXAppSettings::ProcessFacts;

Facts facts(const QString& id, const QString& name, const QString& platform = QStringLiteral("Cocoa"),
            int major = 1, const QString& sig = QStringLiteral("????")) {
    Facts f;
    f.identifier = id;
    f.name = name;
    f.platform = platform;
    f.majorVersion = major;
    f.version = QString::number(major) + QStringLiteral(".0");
    f.signature = sig;
    return f;
}

QVariantMap openStep(const char* text) {
    const kx::plist::Result r = kx::plist::readOpenStep(QString::fromUtf8(text));
    EXPECT_TRUE(r.ok()) << r.error.toStdString();
    return r.value.toMap();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Serves what the test puts in `served` and checks the address asked for.
class FakeFetcher : public KXSettingsFetcher {
public:
    std::optional<QByteArray> fetch(const QUrl& url) override {
        std::lock_guard lock(mutex);
        EXPECT_EQ(url.toString(), expectedUrl);
        ++fetches;
        return served;
    }
    void serve(const QByteArray& bytes) {
        std::lock_guard lock(mutex);
        served = bytes;
    }
    std::mutex mutex;
    QString expectedUrl;
    QByteArray served;
    std::atomic<int> fetches{0};
};

class AppSettings : public ::testing::Test {
protected:
    void SetUp() override {
        folder = KXAppSettings::settingsFolder();
        ASSERT_FALSE(folder.isEmpty());
        QDir(folder).removeRecursively();
        folder = KXAppSettings::settingsFolder();
        restart();
    }
    void TearDown() override {
        QDir(folder).removeRecursively();
        store.reset();
    }
    // A fresh store, as at the next start: no merged dictionary, no 60-second limit.
    void restart() {
        store.reset();
        store.emplace(std::make_shared<KXAppSettingsStore>(fetcher));
    }
    QString folder;
    std::shared_ptr<FakeFetcher> fetcher = std::make_shared<FakeFetcher>();
    std::optional<rbxtest::ScopedInstance<KXAppSettingsStore>> store;
};

TEST(AppSettingsRules, LookupCandidatesInOrder) {
    EXPECT_EQ(KXAppSettings::lookupCandidates(facts(QStringLiteral("com.example.editor"), QStringLiteral("editor"),
                                                    QStringLiteral("Cocoa"), 1, QStringLiteral("EdIt"))),
              (QStringList{QStringLiteral("com.example.editor"), QStringLiteral("com.example.*"), QStringLiteral("com.*"),
                           QStringLiteral("EdIt"), QStringLiteral("/editor"), QStringLiteral("/editor*")}));
    const QStringList adobe = KXAppSettings::lookupCandidates(facts(QString(), QStringLiteral("Adobe Photoshop 2024")));
    EXPECT_EQ(adobe.mid(adobe.indexOf(QStringLiteral("/Adobe Photoshop 2024"))),
              (QStringList{QStringLiteral("/Adobe Photoshop 2024"), QStringLiteral("/Adobe Photoshop 2024*"),
                           QStringLiteral("/Adobe Photoshop*"), QStringLiteral("/Adobe*")}));
    // No identifier and no creator code: the name stands in for the identifier.
    EXPECT_EQ(adobe.first(), QStringLiteral("Adobe Photoshop 2024"));
    // Java applications go by the package after ".java.".
    EXPECT_EQ(KXAppSettings::lookupCandidates(facts(QStringLiteral("com.sun.java.app.Main"), QStringLiteral("java"))).first(),
              QStringLiteral("Java.app.Main"));
}

TEST(AppSettingsRules, EntryLookupPlatformsVersionsAndCancelling) {
    const QVariantMap merged = openStep(R"plist({
        default = { restoreFactor = 1; fdMaxScanLevel = 2; };
        Carbon = { contextSwitch = 1; };
        Cocoa = { restoreFactor = 1.5; directInsertion = 1; };
        "com.example.*" = { fdFixedFont = Pattern; };
        "com.example.editor" = { fdFixedFont = Exact; directInsertion = none; };
        "/writer*" = ( { version = 5; restoreFactor = 3; }, { version = 2; restoreFactor = 2; } );
    })plist");
    auto s = KXAppSettings::computeSettings(merged, facts(QStringLiteral("com.example.editor"), QStringLiteral("x")), {});
    EXPECT_EQ(s.value(QStringLiteral("fdFixedFont")).toString(), QStringLiteral("Exact"));
    EXPECT_FALSE(s.contains(QStringLiteral("directInsertion")));  // "none" cancels the platform's value
    EXPECT_EQ(s.value(QStringLiteral("restoreFactor")).toString(), QStringLiteral("1.5"));
    s = KXAppSettings::computeSettings(merged, facts(QStringLiteral("com.example.viewer"), QStringLiteral("x")), {});
    EXPECT_EQ(s.value(QStringLiteral("fdFixedFont")).toString(), QStringLiteral("Pattern"));
    EXPECT_TRUE(s.contains(QStringLiteral("directInsertion")));
    // Java without an entry of its own takes Carbon's; an unknown platform "default".
    s = KXAppSettings::computeSettings(merged, facts(QString(), QStringLiteral("j"), QStringLiteral("Java")), {});
    EXPECT_EQ(s.value(QStringLiteral("contextSwitch")).toString(), QStringLiteral("1"));
    s = KXAppSettings::computeSettings(merged, facts(QString(), QStringLiteral("j"), QStringLiteral("Other")), {});
    EXPECT_EQ(s.value(QStringLiteral("fdMaxScanLevel")).toString(), QStringLiteral("2"));
    // Array entries: the first whose version is at most the major version.
    auto writer = [&](int major) {
        return KXAppSettings::computeSettings(merged, facts(QString(), QStringLiteral("writer-app"), QStringLiteral("Carbon"), major), {})
            .value(QStringLiteral("restoreFactor"));
    };
    EXPECT_EQ(writer(7).toString(), QStringLiteral("3"));
    EXPECT_EQ(writer(3).toString(), QStringLiteral("2"));
    EXPECT_FALSE(writer(1).isValid());  // none qualifies: Carbon's base has no such key
}

TEST(AppSettingsRules, SystemSuffix) {
    const QVariantMap merged = openStep(R"plist({
        OS_Versions = ( "10", "11.2", "12", "13" );
        default = { delay = 3; "delay_2_or_newer" = 5; "delay_3_or_newer" = 7; };
        "/app" = { pause = 1; "pause_1_or_newer" = 2; };
    })plist");
    EXPECT_EQ(KXAppSettings::systemSuffix(merged, QStringLiteral("9")), QString());
    EXPECT_EQ(KXAppSettings::systemSuffix(merged, QStringLiteral("11.2")), QStringLiteral("_2_or_newer"));
    EXPECT_EQ(KXAppSettings::systemSuffix(merged, QStringLiteral("12.5")), QStringLiteral("_3_or_newer"));
    EXPECT_EQ(KXAppSettings::systemSuffix({}, QStringLiteral("12")), QString());
    auto delay = [&](const QString& system) {
        const auto s = KXAppSettings::computeSettings(merged, facts(QString(), QStringLiteral("app")),
                                                      KXAppSettings::systemSuffix(merged, system));
        return s.value(QStringLiteral("delay")).toString() + QLatin1Char('/') + s.value(QStringLiteral("pause")).toString();
    };
    EXPECT_EQ(delay(QStringLiteral("10")), QStringLiteral("3/2"));
    EXPECT_EQ(delay(QStringLiteral("11.2")), QStringLiteral("5/2"));
    EXPECT_EQ(delay(QStringLiteral("12")), QStringLiteral("7/2"));  // the higher number wins
    EXPECT_EQ(delay(QStringLiteral("9")), QStringLiteral("3/1"));
}

TEST(AppSettingsRules, SystemSuffixNumbersCompareAsNumbers) {
    QVariantMap s{{QStringLiteral("delay"), 1},
                  {QStringLiteral("delay_2_or_newer"), 2},
                  {QStringLiteral("delay_9_or_newer"), 9},
                  {QStringLiteral("delay_10_or_newer"), 10},
                  {QStringLiteral("delay_12_or_newer"), 12},
                  {QStringLiteral("pause_x_or_newer"), 5}};
    auto applied = [&](const QString& suffix) {
        QVariantMap copy = s;
        KXAppSettings::applySystemSuffix(copy, suffix);
        return copy;
    };
    // "_10_or_newer" sorts before "_9_or_newer" as text, yet is the newer one.
    EXPECT_EQ(applied(QStringLiteral("_10_or_newer")).value(QStringLiteral("delay")).toInt(), 10);
    EXPECT_EQ(applied(QStringLiteral("_11_or_newer")).value(QStringLiteral("delay")).toInt(), 10);
    EXPECT_EQ(applied(QStringLiteral("_9_or_newer")).value(QStringLiteral("delay")).toInt(), 9);
    EXPECT_EQ(applied(QStringLiteral("_1_or_newer")).value(QStringLiteral("delay")).toInt(), 1);
    EXPECT_EQ(applied(QString()).value(QStringLiteral("delay")).toInt(), 1);
    const QVariantMap all = applied(QStringLiteral("_12_or_newer"));
    EXPECT_EQ(all.value(QStringLiteral("delay")).toInt(), 12);
    EXPECT_TRUE(all.contains(QStringLiteral("delay_9_or_newer")));  // the suffixed keys stay
    EXPECT_FALSE(all.contains(QStringLiteral("pause")));
    // With more than nine entries of "OS_Versions" not newer than the system.
    QVariantList versions;
    for (int v = 1; v <= 11; ++v) versions << QString::number(v);
    EXPECT_EQ(KXAppSettings::systemSuffix({{QStringLiteral("OS_Versions"), versions}}, QStringLiteral("10.5")),
              QStringLiteral("_10_or_newer"));
}

TEST(AppSettingsRules, Flags) {
    EXPECT_FALSE(KXAppSettings::parseFlag(QVariant()));
    EXPECT_TRUE(KXAppSettings::parseFlag(QStringLiteral("yes")));
    EXPECT_TRUE(KXAppSettings::parseFlag(QStringLiteral("true")));
    EXPECT_FALSE(KXAppSettings::parseFlag(QStringLiteral("no")));
    EXPECT_FALSE(KXAppSettings::parseFlag(QStringLiteral("false")));
    EXPECT_FALSE(KXAppSettings::parseFlag(QStringLiteral("YES")));  // exact lower case only
    EXPECT_TRUE(KXAppSettings::parseFlag(QStringLiteral("2")));
    EXPECT_FALSE(KXAppSettings::parseFlag(QStringLiteral("0")));
    EXPECT_TRUE(KXAppSettings::parseFlag(true));
    EXPECT_TRUE(KXAppSettings::parseFlag(3));
    EXPECT_FALSE(KXAppSettings::parseFlag(QVariantList{1}));
}

TEST(AppSettingsRules, QuotedFileText) {
    const QString text = KXAppSettings::settingsFileText(
        3, QStringLiteral("/my app"), QStringLiteral("Mine"),
        {{QStringLiteral("restoreFactor"), QStringLiteral("2; directInsertion = 1")},
         {QStringLiteral("fd FixedFont"), QStringLiteral("a \"b\" }")}});
    EXPECT_TRUE(text.startsWith(QStringLiteral("{\r\tpluginVersion = 3;\r\t\"/my app\" = { // Mine\r")));
    const QVariantMap back = openStep(text.toUtf8().constData());
    EXPECT_EQ(back.value(QStringLiteral("pluginVersion")).toString(), QStringLiteral("3"));
    const QVariantMap entry = back.value(QStringLiteral("/my app")).toMap();
    EXPECT_EQ(entry, (QVariantMap{{QStringLiteral("restoreFactor"), QStringLiteral("2; directInsertion = 1")},
                                  {QStringLiteral("fd FixedFont"), QStringLiteral("a \"b\" }")}}));
}

TEST_F(AppSettings, MergingTheSupportFolder) {
    writeFile(folder + QStringLiteral("/a.plist"), "{ \"/ed\" = { x = A; }; \"/new\" = { y = 1; }; pluginVersion = 2; }");
    writeFile(folder + QStringLiteral("/b.plist"), "{ \"/ed\" = { x = B; }; pluginVersion = 1; override = 1; }");
    writeFile(folder + QStringLiteral("/-off/c.plist"), "{ \"/ed\" = { x = C; }; pluginVersion = 9; }");
    writeFile(folder + QStringLiteral("/sub/d.plist"), "{ \"/sub\" = { z = 1; }; }");
    writeFile(folder + QStringLiteral("/broken.plist"), "{ \"/ed\" = ");
    writeFile(folder + QStringLiteral("/autoupdate7.plist"), "{ dynamicUpdate = \"2024-01\"; \"/ed\" = { x = U; }; }");
    writeFile(folder + QStringLiteral("/notes.txt"), "{ \"/ed\" = { x = T; }; }");
    const QVariantMap bundle = openStep("{ pluginVersion = 2; \"/ed\" = { x = Bundle; }; override = 1; }");
    kx::LogCapture log;
    QVariantMap m = KXAppSettings::mergeSettings(bundle, folder, QStringLiteral("7s"));
    // a (2 >= 2) replaces; b (1 < 2) only adds; -off is skipped; the update came first.
    EXPECT_EQ(m.value(QStringLiteral("/ed")).toMap().value(QStringLiteral("x")).toString(), QStringLiteral("A"));
    EXPECT_TRUE(m.contains(QStringLiteral("/new")));
    EXPECT_TRUE(m.contains(QStringLiteral("/sub")));
    EXPECT_EQ(m.value(QStringLiteral("dynamicUpdate")).toString(), QStringLiteral("2024-01"));
    EXPECT_EQ(m.value(QStringLiteral("dynamicUpdateVersion")).toString(), QStringLiteral("7"));
    EXPECT_EQ(m.value(QStringLiteral("pluginVersion")).toString(), QStringLiteral("2"));
    EXPECT_FALSE(m.contains(QStringLiteral("override")));
    EXPECT_TRUE(log.contains(QStringLiteral("skip settings subfolder -off")));
    EXPECT_TRUE(log.contains(QStringLiteral("cannot load application settings")));
    EXPECT_TRUE(log.contains(QStringLiteral("app settings \"a.plist\" (over:1 = 2>=2)")));
    EXPECT_TRUE(log.contains(QStringLiteral("app settings \"b.plist\" (over:0 = 1>=2)")));
    // With no data-set version every file overrides.
    m = KXAppSettings::mergeSettings(openStep("{ \"/ed\" = { x = Bundle; }; }"), folder, QStringLiteral("1"));
    EXPECT_EQ(m.value(QStringLiteral("/ed")).toMap().value(QStringLiteral("x")).toString(), QStringLiteral("B"));
    EXPECT_FALSE(m.contains(QStringLiteral("dynamicUpdate")));  // not this version's update
}

TEST_F(AppSettings, ShippedDataForCommonApplications) {
    const QVariantMap merged = KXAppSettings::appSettingsDictionary();
    EXPECT_GE(kx::ns::intValue(merged.value(QStringLiteral("pluginVersion"))), 1);
    auto app = [](const QString& id, const QString& name) { return KXAppSettings(facts(id, name)); };
    EXPECT_TRUE(app(QString(), QStringLiteral("xterm")).boolForKey(QStringLiteral("directInsertion")));
    EXPECT_TRUE(app(QStringLiteral("org.gnome.Terminal"), QStringLiteral("gnome-terminal-server")).boolForKey(QStringLiteral("directInsertion")));
    EXPECT_TRUE(app(QString(), QStringLiteral("konsole")).boolForKey(QStringLiteral("directInsertion")));
    EXPECT_TRUE(app(QString(), QStringLiteral("emacs-gtk")).boolForKey(QStringLiteral("directInsertion")));
    EXPECT_FALSE(app(QStringLiteral("org.gnome.gedit"), QStringLiteral("gedit")).boolForKey(QStringLiteral("directInsertion")));
    EXPECT_GT(app(QStringLiteral("firefox-esr"), QStringLiteral("firefox-esr")).floatForKey(QStringLiteral("restoreFactor"), 1.0f), 1.0f);
    EXPECT_EQ(app(QString(), QStringLiteral("unknown-app")).floatForKey(QStringLiteral("restoreFactor"), 1.0f), 1.0f);
}

TEST_F(AppSettings, ReadersIndirectionAndMinimumKeys) {
    writeFile(folder + QStringLiteral("/t.plist"), R"plist({
        pluginVersion = 99;
        "/reader" = { a = "$(rbxTestPasteDelay)(0.5)"; b = "$(rbxTestPasteDelay)"; n = 4; f = "0.25"; w = word; };
        minWait = 6;
    })plist");
    KXAppSettings::reloadSettings();
    KXDefaults& user = KXDefaults::userDefaults();
    user.removeObjectForKey(QStringLiteral("rbxTestPasteDelay"));
    user.removeObjectForKey(QStringLiteral("n"));
    user.removeObjectForKey(QStringLiteral("minWait"));
    KXAppSettings s(facts(QString(), QStringLiteral("reader")));
    EXPECT_EQ(s.objectForKey(QStringLiteral("a")).toString(), QStringLiteral("0.5"));
    EXPECT_FALSE(s.objectForKey(QStringLiteral("b")).isValid());
    EXPECT_TRUE(s.stringForKey(QStringLiteral("b")).isNull());
    user.setObject(QStringLiteral("1.5"), QStringLiteral("rbxTestPasteDelay"));
    EXPECT_EQ(s.objectForKey(QStringLiteral("a")).toString(), QStringLiteral("1.5"));
    EXPECT_EQ(s.objectForKey(QStringLiteral("b")).toString(), QStringLiteral("1.5"));
    EXPECT_EQ(s.intForKey(QStringLiteral("n"), 0), 4);
    EXPECT_EQ(s.intForKey(QStringLiteral("missing"), 9), 9);
    EXPECT_FLOAT_EQ(s.floatForKey(QStringLiteral("f"), 1.0f), 0.25f);
    EXPECT_EQ(s.stringForKey(QStringLiteral("w")), QStringLiteral("word"));
    // Minimum keys: raised to the top-level value, then to the user's minimum.
    EXPECT_EQ(s.intForKey(QStringLiteral("n"), QStringLiteral("minWait"), 0), 6);
    user.setObject(QStringLiteral("8"), QStringLiteral("minWait"));
    EXPECT_EQ(s.intForKey(QStringLiteral("n"), QStringLiteral("minWait"), 0), 8);
    // A user setting of the key itself is taken as it is.
    user.setObject(QStringLiteral("2"), QStringLiteral("n"));
    EXPECT_EQ(s.intForKey(QStringLiteral("n"), QStringLiteral("minWait"), 0), 2);
    user.removeObjectForKey(QStringLiteral("n"));
    user.removeObjectForKey(QStringLiteral("minWait"));
    user.removeObjectForKey(QStringLiteral("rbxTestPasteDelay"));
    EXPECT_TRUE(s.description().startsWith(QStringLiteral("settings for reader V1.0 (?\?\?\?): {")));
}

TEST_F(AppSettings, UrlCommandWritesOnlyInsideTheFolder) {
    kx::LogCapture log;
    auto cmd = [](const QString& url) { return KXAppSettings::addAppSettingFromURL(QUrl(url, QUrl::StrictMode)); };
    // What is refused is answered, so that the sender hears it.
    auto refusal = [&](const QString& url) { return cmd(url).value<KXURLRefusal>().reason; };
    // Names that would lead out of the folder or hide the file.
    const QString outside = QDir(folder).absoluteFilePath(QStringLiteral("../escaped.plist"));
    EXPECT_TRUE(refusal(QStringLiteral("runebox://appsetting?name=..%2Fescaped&signature=x&a=1")).startsWith(QStringLiteral("invalid name in URL")));
    EXPECT_FALSE(QFile::exists(outside));
    EXPECT_TRUE(refusal(QStringLiteral("runebox://appsetting?name=.hidden&signature=x")).contains(QStringLiteral("begins with")));
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/.hidden.plist")));
    writeFile(outside, "{ keep = 1; }");
    EXPECT_FALSE(refusal(QStringLiteral("runebox://appsetting?name=..%2Fescaped&delete=1")).isEmpty());
    EXPECT_TRUE(QFile::exists(outside));  // not deleted either
    QFile::remove(outside);
    EXPECT_TRUE(log.contains(QStringLiteral("invalid name in URL")));
    EXPECT_EQ(refusal(QStringLiteral("runebox://appsetting?signature=x")), QStringLiteral("missing name in URL"));
    EXPECT_EQ(refusal(QStringLiteral("runebox://appsetting?name=mine")), QStringLiteral("missing signature in URL"));
    EXPECT_EQ(refusal(QStringLiteral("runebox://appsetting?name=mine&signature=")), QStringLiteral("missing signature in URL"));
    EXPECT_EQ(refusal(QStringLiteral("runebox://appsetting?name=gone&delete=1")), QStringLiteral("no application setting named \"gone\""));
    // The font detection's script is a file of the bundle, never one found elsewhere.
    EXPECT_TRUE(refusal(QStringLiteral("runebox://appsetting?name=mine&signature=%2Fxterm&fdScript=..%2F..%2Fx"))
                    .startsWith(QStringLiteral("fdScript refused: the name \"../../x.sh\" leads outside its folder")));
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/mine.plist")));

    // A real one: written, read back quoted, in effect after the reload.
    EXPECT_FALSE(cmd(QStringLiteral("runebox://appsetting?name=mine&signature=%2Fmyapp&directInsertion=1"
                                    "&restoreFactor=2%3B%20contextSwitch%20%3D%201")).isValid());
    ASSERT_TRUE(QFile::exists(folder + QStringLiteral("/mine.plist")));
    EXPECT_TRUE(log.contains(QStringLiteral("new application setting: {")));
    KXAppSettings s(facts(QString(), QStringLiteral("myapp")));
    EXPECT_TRUE(s.boolForKey(QStringLiteral("directInsertion")));
    EXPECT_EQ(s.stringForKey(QStringLiteral("restoreFactor")), QStringLiteral("2; contextSwitch = 1"));
    EXPECT_FALSE(s.settings().contains(QStringLiteral("contextSwitch")));
    // "show" reports; "delete" removes the file.
    const QString shown = cmd(QStringLiteral("runebox://appsetting?show=%2Fmyapp")).toString();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Application Settings (/myapp):\r\r{")));
    EXPECT_TRUE(shown.contains(QStringLiteral("directInsertion = 1;")));
    EXPECT_EQ(cmd(QStringLiteral("runebox://appsetting?show=update")).toString(),
              QStringLiteral("Application Settings (update):\r\rlast update: (null)"));
    EXPECT_FALSE(cmd(QStringLiteral("runebox://appsetting?name=mine&delete=1")).isValid());
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/mine.plist")));
    cmd(QStringLiteral("runebox://appsetting"));  // reload
    EXPECT_FALSE(KXAppSettings(facts(QString(), QStringLiteral("myapp"))).boolForKey(QStringLiteral("directInsertion")));
}

TEST_F(AppSettings, DeletingByUrlTakesEffectAtOnce) {
    auto cmd = [](const QString& url) { return KXAppSettings::addAppSettingFromURL(QUrl(url, QUrl::StrictMode)); };
    cmd(QStringLiteral("runebox://appsetting?name=gone&signature=%2Fgoner&directInsertion=1"));
    ASSERT_TRUE(KXAppSettings(facts(QString(), QStringLiteral("goner"))).boolForKey(QStringLiteral("directInsertion")));
    ASSERT_TRUE(cmd(QStringLiteral("runebox://appsetting?show=%2Fgoner")).toString().contains(QStringLiteral("directInsertion")));
    cmd(QStringLiteral("runebox://appsetting?name=gone&delete=1"));
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/gone.plist")));
    EXPECT_FALSE(KXAppSettings(facts(QString(), QStringLiteral("goner"))).boolForKey(QStringLiteral("directInsertion")));
    EXPECT_FALSE(KXAppSettings::appSettingsDictionary().contains(QStringLiteral("/goner")));
}

TEST_F(AppSettings, RemoteUpdate) {
    const QString name = QStringLiteral("autoupdate") + kx::Bundle::mainBundle().bundleVersion() + QStringLiteral(".plist");
    const QString good = QStringLiteral("https://updates.example.org/runebox/") + name;
    fetcher->expectedUrl = good;
    fetcher->serve("{ dynamicUpdate = \"2024-02-01\"; \"/upd\" = { directInsertion = 1; }; }");
    std::atomic<int>& fetches = fetcher->fetches;
    kx::LogCapture log;
    KXAppSettings::updateWithRemoteData(QStringLiteral("http://updates.example.org/runebox/") + name);
    EXPECT_TRUE(log.contains(QStringLiteral("not https")));
    restart();
    KXAppSettings::updateWithRemoteData(QStringLiteral("https://updates.example.org/runebox/evil.plist"));
    EXPECT_TRUE(log.contains(QStringLiteral("file name")));
    EXPECT_EQ(fetches, 0);

    restart();
    writeFile(folder + QStringLiteral("/autoupdate0.plist"), "{ old = 1; }");
    KXAppSettings::updateWithRemoteData(good);
    ASSERT_TRUE(rbxtest::waitFor([] {
        return KXAppSettings::appSettingsDictionary().value(QStringLiteral("dynamicUpdate")).toString() ==
               QLatin1String("2024-02-01");
    }));
    EXPECT_TRUE(log.contains(QStringLiteral("first dynamic update 2024-02-01")));
    EXPECT_TRUE(QFile::exists(folder + QLatin1Char('/') + name));
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/autoupdate0.plist")));
    EXPECT_TRUE(KXAppSettings(facts(QString(), QStringLiteral("upd"))).boolForKey(QStringLiteral("directInsertion")));

    // Within 60 seconds: nothing.
    KXAppSettings::updateWithRemoteData(good);
    rbxtest::spinEventLoop(100);
    EXPECT_EQ(fetches, 1);

    // Not newer, not parseable: ignored.
    restart();
    fetcher->serve("{ dynamicUpdate = \"2023-12-01\"; }");
    KXAppSettings::updateWithRemoteData(good);
    ASSERT_TRUE(rbxtest::waitFor([&] { return fetches == 2; }));
    rbxtest::spinEventLoop(100);
    EXPECT_EQ(KXAppSettings::appSettingsDictionary().value(QStringLiteral("dynamicUpdate")).toString(),
              QStringLiteral("2024-02-01"));
    restart();
    fetcher->serve("{ unbalanced = ");
    KXAppSettings::updateWithRemoteData(good);
    EXPECT_TRUE(rbxtest::waitFor([&] { return log.contains(QStringLiteral("cannot convert update dictionary")); }));
}

TEST_F(AppSettings, SpeakEntriesAreSpokenWhenTheSettingsAreComputed) {
    // A stand-in speech program that writes down its arguments.
    QTemporaryDir bin;
    const QString said = bin.filePath(QStringLiteral("said.txt"));
    writeFile(bin.filePath(QStringLiteral("spd-say")),
              "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done > \"" + said.toUtf8() + ".tmp\"\n"
              "mv \"" + said.toUtf8() + ".tmp\" \"" + said.toUtf8() + "\"\n");
    QFile::setPermissions(bin.filePath(QStringLiteral("spd-say")), QFile::ReadOwner | QFile::ExeOwner);
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8() + ':' + savedPath);
    writeFile(folder + QStringLiteral("/speak.plist"), "{ \"/talker\" = { speak = \"-v ready\"; }; }");
    KXAppSettings::reloadSettings();
    KXAppSettings s(facts(QString(), QStringLiteral("talker")));
    // The text is spoken, never taken as an option of the speech program.
    EXPECT_TRUE(rbxtest::waitFor([&] {
        QFile f(said);
        return f.open(QIODevice::ReadOnly) && f.readAll() == "[--][-v ready]";
    }));
    qputenv("PATH", savedPath);
}

TEST_F(AppSettings, FrontApplicationWithoutDesktop) {
    const QByteArray saved = qgetenv("DISPLAY");
    qunsetenv("DISPLAY");
    auto a = KXAppSettings::settingsForFrontApplication();
    ASSERT_TRUE(a);
    EXPECT_EQ(KXAppSettings::settingsForFrontApplication(), a);
    EXPECT_EQ(a->process(), nullptr);
    KXAppSettings::reloadSettings();
    EXPECT_NE(KXAppSettings::settingsForFrontApplication(), a);
    if (!saved.isEmpty()) qputenv("DISPLAY", saved);
}

} // namespace

TEST_F(AppSettings, AFullDiskLeavesTheSettingFileAsItWasAndSaysSo) {
    rbxtest::SmallFileSystem fs(folder);
    if (!fs.isMounted()) GTEST_SKIP() << fs.skipReason().toStdString();
    auto cmd = [](const QString& url) { return KXAppSettings::addAppSettingFromURL(QUrl(url, QUrl::StrictMode)); };
    EXPECT_FALSE(cmd(QStringLiteral("runebox://appsetting?name=mine&signature=%2Fmyapp&directInsertion=1")).isValid());
    const QString path = folder + QStringLiteral("/mine.plist");
    QFile before(path);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray old = before.readAll();
    ASSERT_TRUE(fs.fill());
    const QString answer =
        cmd(QStringLiteral("runebox://appsetting?name=mine&signature=%2Fmyapp&directInsertion=0&pasteFileDelay=2"))
            .value<KXURLRefusal>()
            .reason;
    EXPECT_TRUE(answer.contains(QStringLiteral("was not saved"))) << answer.toStdString();
    EXPECT_TRUE(answer.contains(QStringLiteral("No space left on device"))) << answer.toStdString();
    QFile after(path);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), old);
    KXAppSettings s(facts(QString(), QStringLiteral("myapp")));
    EXPECT_TRUE(s.boolForKey(QStringLiteral("directInsertion")));

    // Room again, but a text the file cannot carry is refused and changes nothing.
    fs.free();
    const QString refused =
        cmd(QStringLiteral("runebox://appsetting?name=mine&signature=%2Fmyapp&pasteFileDelay=a%00b")).value<KXURLRefusal>().reason;
    EXPECT_TRUE(refused.contains(QStringLiteral("U+0000"))) << refused.toStdString();
    QFile still(path);
    ASSERT_TRUE(still.open(QIODevice::ReadOnly));
    EXPECT_EQ(still.readAll(), old);
}

// The application's URL commands: "pref" and the command table, the palette's "open"
// and "set" as requests, and quitting other copies.
#include "AppFixture.h"

#include "app/CommandLine.h"
#include "app/PaletteAssembly.h"
#include "app/PaletteURLCommands.h"
#include "app/PrefCommand.h"
#include "common/SmallFileSystem.h"
#include "platform/defaults/DefaultsDomain.h"
#include "app/QuitOtherCopies.h"
#include "app/RbxCharAppController.h"
#include "kxlib/KXURLHandler.h"
#include "core/Log.h"
#include "platform/x11/X11Session.h"

#include <QFile>

namespace {

QUrl url(const char* text) { return QUrl(QString::fromUtf8(text)); }

using PrefCommand = AppTest;

TEST_F(PrefCommand, SetsKnownKeysAsTheirTypes) {
    EXPECT_FALSE(prefcommand::preferencesViaURL(
                     url("runebox://pref?animate%20window=no&recentLines=4&relativeFontSize=2.5&quitOther=kill"), *store)
                     .isValid());
    EXPECT_FALSE(store->boolForKey(rbx::key::animateWindow));
    EXPECT_EQ(store->objectForKey(QStringLiteral("animate window")).typeId(), QMetaType::Bool);
    EXPECT_EQ(store->integerForKey(rbx::key::recentLines), 4);
    EXPECT_DOUBLE_EQ(store->doubleForKey(rbx::key::relativeFontSize), 2.5);
    EXPECT_EQ(store->stringForKey(rbx::key::quitOther), QStringLiteral("kill"));

    prefcommand::preferencesViaURL(url("runebox://pref?animate%20window=TRUE"), *store);
    EXPECT_TRUE(store->boolForKey(rbx::key::animateWindow));

    // The version pings' replies are texts, one per version; "V#" alone is no setting.
    prefcommand::preferencesViaURL(url("runebox://pref?V%232.1=ok"), *store);
    EXPECT_EQ(store->stringForKey(QStringLiteral("V#2.1")), QStringLiteral("ok"));
    EXPECT_TRUE(prefcommand::preferencesViaURL(url("runebox://pref?V%23=x"), *store).isValid());
    EXPECT_EQ(store->platformDefaults().persistentDomain().value(QStringLiteral("V#")), QVariant());
    prefcommand::preferencesViaURL(url("runebox://pref?V%232.1="), *store);
    EXPECT_EQ(store->platformDefaults().persistentDomain().value(QStringLiteral("V#2.1")), QVariant());
}

TEST_F(PrefCommand, RefusesUnknownKeysWrongValuesAndStructuredSettings) {
    kx::LogCapture log;
    store->setInteger(3, QStringLiteral("recentLines"));
    prefcommand::preferencesViaURL(url("runebox://pref?noSuchKey=1&recentLines=many&animate%20window=maybe"
                                       "&applications=x&favoriteCharacters=abc"),
                                   *store);
    EXPECT_EQ(store->platformDefaults().persistentDomain().value(QStringLiteral("noSuchKey")), QVariant());
    EXPECT_EQ(store->integerForKey(rbx::key::recentLines), 3);
    EXPECT_TRUE(store->boolForKey(rbx::key::animateWindow));  // the bundle's default stays
    EXPECT_TRUE(log.contains(QStringLiteral("no setting named \"noSuchKey\"")));
    EXPECT_TRUE(log.contains(QStringLiteral("\"many\" is no value for recentLines")));
    EXPECT_TRUE(log.contains(QStringLiteral("is no value for applications")));
    EXPECT_TRUE(log.contains(QStringLiteral("is no value for favoriteCharacters")));
    EXPECT_TRUE(log.contains(QStringLiteral("preferencesViaURL:")));
}

TEST_F(PrefCommand, RefusesPausesThatWouldHoldTheInsertionForGood) {
    kx::LogCapture log;
    const QVariant answer = prefcommand::preferencesViaURL(
        url("runebox://pref?keyStringDelay1=1e9&KXPasteboardRestoreExtraDelay=1e300&keyStringDelayEnd=-1"
            "&keyStringDelay2=0.5&KXPasteboardRestoreExtraDelay=0.2"),
        *store);
    EXPECT_TRUE(answer.isValid());
    const QVariantMap domain = store->platformDefaults().persistentDomain();
    EXPECT_EQ(domain.value(QStringLiteral("keyStringDelay1")), QVariant());
    EXPECT_EQ(domain.value(QStringLiteral("keyStringDelayEnd")), QVariant());
    EXPECT_EQ(domain.value(QStringLiteral("keyStringDelay2")), QVariant());  // all or nothing
    EXPECT_TRUE(log.contains(QStringLiteral("\"1e9\" is no value for keyStringDelay1, which holds a number from 0 to 10")));
    EXPECT_TRUE(log.contains(QStringLiteral("\"-1\" is no value for keyStringDelayEnd")));
    // Written by hand, such a pause is not used either.
    store->setObject(QStringLiteral("1e300"), QStringLiteral("keyStringDelay3"));
    EXPECT_DOUBLE_EQ(store->doubleForKey(rbx::key::keyStringDelay3), 0);
}

TEST_F(PrefCommand, ALinkNeverRemovesWhatItCannotSetNorStoresTextTheFileCannotCarry) {
    kx::LogCapture log;
    const QByteArray favourites = QByteArray::fromHex("0000004100000042");
    store->setObject(favourites, QStringLiteral("favoriteCharacters"));
    store->setObject(QByteArray::fromHex("0000004300000007"), QStringLiteral("global recent characters"));
    store->setObject(QVariantMap{{QStringLiteral("editor"), QVariantMap{{QStringLiteral("insert mode"), 2}}}},
                     QStringLiteral("applications"));
    store->setString(QStringLiteral("before"), QStringLiteral("sample"));
    const QString page =
        prefcommand::preferencesViaURL(url("runebox://pref?favoriteCharacters=&global%20recent%20characters="
                                           "&applications=&recent%20ligatures=&fontSpecificLayouts="
                                           "&sample=a%00b&layout=x%01y"),
                                       *store)
            .value<KXURLRefusal>()
            .reason;
    const QVariantMap file = store->platformDefaults().domain().values();
    EXPECT_EQ(file.value(QStringLiteral("favoriteCharacters")), QVariant(favourites));
    EXPECT_TRUE(file.contains(QStringLiteral("global recent characters")));
    EXPECT_TRUE(file.value(QStringLiteral("applications")).toMap().contains(QStringLiteral("editor")));
    EXPECT_EQ(store->stringForKey(rbx::key::sample), QStringLiteral("before"));
    EXPECT_NE(store->stringForKey(rbx::key::layout), QStringLiteral("x\x01y"));
    EXPECT_TRUE(page.contains(QStringLiteral("favoriteCharacters cannot be changed by a link"))) << page.toStdString();
    EXPECT_TRUE(page.contains(QStringLiteral("applications cannot be changed by a link")));
    EXPECT_TRUE(page.contains(QStringLiteral("sample refused: the text holds U+0000")));
    EXPECT_TRUE(page.contains(QStringLiteral("layout refused: the text holds U+0001")));
    EXPECT_TRUE(log.contains(QStringLiteral("pref: sample refused")));
    // The file stays readable and whole.
    platform::DefaultsDomain again(domain, platform::DefaultsDomain::Watch::No);
    EXPECT_TRUE(again.readError().isEmpty());
    EXPECT_EQ(again.value(QStringLiteral("favoriteCharacters")), QVariant(favourites));
}

TEST_F(PrefCommand, ChangesThatCannotBeWrittenYetAreReportedAsNotYetSaved) {
    store->setString(QStringLiteral("before"), QStringLiteral("sample"));
    const QString path = store->platformDefaults().domain().path();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    rbxtest::SmallFileSystem fs(platform::DefaultsDomain::folderPath());
    if (!fs.isMounted()) GTEST_SKIP() << fs.skipReason().toStdString();
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(before);
    f.close();
    ASSERT_TRUE(fs.fill());
    const QString page = prefcommand::preferencesViaURL(url("runebox://pref?sample=after&recentLines=5"), *store)
                             .value<KXURLRefusal>()
                             .reason;
    EXPECT_TRUE(page.contains(QStringLiteral("not yet saved"))) << page.toStdString();
    EXPECT_TRUE(page.contains(QStringLiteral("No space left on device"))) << page.toStdString();
    EXPECT_TRUE(page.contains(QStringLiteral("sample")));
    EXPECT_EQ(store->stringForKey(rbx::key::sample), QStringLiteral("after"));  // in effect
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    f.close();
    fs.free();
    EXPECT_TRUE(store->synchronize().saved());
    platform::DefaultsDomain again(domain, platform::DefaultsDomain::Watch::No);
    EXPECT_EQ(again.value(QStringLiteral("sample")), QVariant(QStringLiteral("after")));
    EXPECT_EQ(again.value(QStringLiteral("recentLines")).toInt(), 5);
}

TEST_F(PrefCommand, AnEmptyValueRemovesTheSettingAndNoParametersListAll) {
    store->setString(QStringLiteral("Courier"), QStringLiteral("selectedFont"));
    prefcommand::preferencesViaURL(url("runebox://pref?selectedFont="), *store);
    EXPECT_EQ(store->platformDefaults().persistentDomain().value(QStringLiteral("selectedFont")), QVariant());

    store->setString(QStringLiteral("<b>bold</b> & more"), QStringLiteral("layout"));
    const QVariant all = prefcommand::preferencesViaURL(url("runebox://pref"), *store);
    ASSERT_TRUE(all.isValid());
    EXPECT_TRUE(all.toString().contains(QStringLiteral("layout")));
    EXPECT_TRUE(all.toString().contains(QStringLiteral("<b>bold</b> & more")));
    // The page the handler writes shows the values as text, never as markup.
    const QString html = KXURLHandler::pageHtml(url("runebox://pref"), all);
    EXPECT_FALSE(html.contains(QStringLiteral("<b>bold</b>")));
    EXPECT_TRUE(html.contains(QStringLiteral("&lt;b&gt;bold&lt;/b&gt; &amp; more")));
}

TEST_F(PrefCommand, AnswersWhatItRefusedAndChangesNothing) {
    store->setString(QStringLiteral("/usr/share/unicode"), QStringLiteral("unicodeFolder"));
    const QVariant answer = prefcommand::preferencesViaURL(
        url("runebox://pref?nonsense=1&recentLines=7&relativeFontSize=big&unicodeFolder=%2Ftmp%2Fx"), *store);
    ASSERT_EQ(answer.metaType(), QMetaType::fromType<KXURLRefusal>());
    const QString reason = answer.value<KXURLRefusal>().reason;
    EXPECT_TRUE(reason.contains(QStringLiteral("no setting named \"nonsense\""))) << reason.toStdString();
    EXPECT_TRUE(reason.contains(QStringLiteral("\"big\" is no value for relativeFontSize"))) << reason.toStdString();
    // The folder the names are read from is not a link's to choose, nor to remove.
    EXPECT_TRUE(reason.contains(QStringLiteral("unicodeFolder cannot be changed by a link"))) << reason.toStdString();
    EXPECT_TRUE(reason.endsWith(QStringLiteral("nothing was changed"))) << reason.toStdString();
    const QVariantMap file = store->platformDefaults().persistentDomain();
    EXPECT_FALSE(file.contains(QStringLiteral("recentLines")));
    EXPECT_EQ(file.value(QStringLiteral("unicodeFolder")), QVariant(QStringLiteral("/usr/share/unicode")));
    EXPECT_TRUE(prefcommand::preferencesViaURL(url("runebox://pref?unicodeFolder="), *store).isValid());
    EXPECT_EQ(store->stringForKey(rbx::key::unicodeFolder), QStringLiteral("/usr/share/unicode"));
    // With every parameter fit, all of them are applied.
    EXPECT_FALSE(prefcommand::preferencesViaURL(url("runebox://pref?recentLines=7&relativeFontSize=3"), *store).isValid());
    EXPECT_EQ(store->objectForKey(QStringLiteral("recentLines")), QVariant(7));
    EXPECT_DOUBLE_EQ(store->doubleForKey(rbx::key::relativeFontSize), 3);
}

TEST(PrefCoercion, ReadsEachTypeStrictly) {
    using rbx::key::Type;
    EXPECT_EQ(prefcommand::coerce(Type::Bool, QStringLiteral("Yes")), QVariant(true));
    EXPECT_EQ(prefcommand::coerce(Type::Bool, QStringLiteral("0")), QVariant(false));
    EXPECT_FALSE(prefcommand::coerce(Type::Bool, QStringLiteral("2")));
    EXPECT_EQ(prefcommand::coerce(Type::Int, QStringLiteral(" 12 ")), QVariant(12));
    EXPECT_FALSE(prefcommand::coerce(Type::Int, QStringLiteral("1.5")));
    EXPECT_FALSE(prefcommand::coerce(Type::Int, QStringLiteral("99999999999")));
    EXPECT_EQ(prefcommand::coerce(Type::Float, QStringLiteral("0.25")), QVariant(0.25));
    EXPECT_FALSE(prefcommand::coerce(Type::Float, QStringLiteral("inf")));
    EXPECT_FALSE(prefcommand::coerce(Type::Float, QStringLiteral("nan")));
    EXPECT_EQ(prefcommand::coerce(Type::String, QStringLiteral(" a b ")), QVariant(QStringLiteral(" a b ")));
    EXPECT_FALSE(prefcommand::coerce(Type::Dict, QStringLiteral("{}")));
    EXPECT_FALSE(prefcommand::coerce(Type::Data, QStringLiteral("00")));

    // A size is also held to the range the table can be drawn with.
    const auto size = *prefcommand::keyInfo(QStringLiteral("relativeFontSize"));
    EXPECT_EQ(rbx::key::valueFor(size, QStringLiteral("40")), QVariant(40.0));
    EXPECT_FALSE(rbx::key::valueFor(size, QStringLiteral("1e308")));
    EXPECT_FALSE(rbx::key::valueFor(size, QStringLiteral("-5")));
    EXPECT_EQ(rbx::key::valueDescription(size), QStringLiteral("a number from 1 to 10000"));
}

using CommandTable = AppTest;

TEST_F(CommandTable, ReplacesTheCatchAllWithTheApplicationsCommands) {
    const QVariantList types{QVariantMap{{QStringLiteral("CFBundleURLSchemes"), QStringList{QStringLiteral("runebox")}}}};
    KXURLHandler handler(types);
    ASSERT_TRUE(handler.isRegistered(QStringLiteral("*")));
    PaletteAssembly palette(*store, X11Session::shared(), &handler);
    RbxCharAppController& app = palette.application();
    app.registerURLCommands(handler);
    EXPECT_FALSE(handler.isRegistered(QStringLiteral("*")));
    for (const char* c : {"quit", "open", "vcheck", "updateplist", "help", "appsetting", "set", "pref"})
        EXPECT_TRUE(handler.isRegistered(QString::fromLatin1(c))) << c;
    EXPECT_EQ(handler.resolveCommand(QStringLiteral("hello")), QString());

    // "pref" through the handler: a result page is written and handed to the opener.
    QStringList opened;
    handler.setOpener([&](const QString& path) {
        opened << path;
        return true;
    });
    store->setString(QStringLiteral("<script>x</script>"), QStringLiteral("sample"));
    const QString page = handler.handleURL(QStringLiteral("runebox://pref"));
    ASSERT_FALSE(page.isEmpty());
    EXPECT_EQ(opened, QStringList{page});
    QFile f(page);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(f.readAll());
    EXPECT_FALSE(html.contains(QStringLiteral("<script>x")));
    EXPECT_TRUE(html.contains(QStringLiteral("&lt;script&gt;x")));
    // A setting by URL writes no page.
    EXPECT_TRUE(handler.handleURL(QStringLiteral("runebox://pref?recentLines=5")).isEmpty());
    EXPECT_EQ(store->integerForKey(rbx::key::recentLines), 5);
}

TEST(CommandLine, TakesUrlsOfTheSchemeAndTheTwoOptions) {
    const QStringList schemes{QStringLiteral("runebox")};
    EXPECT_TRUE(commandline::errors({QStringLiteral("runebox://open"), QStringLiteral("RUNEBOX:pref")}, schemes).isEmpty());
    EXPECT_EQ(commandline::errors({QStringLiteral("--bogus"), QStringLiteral("runebox://open"), QStringLiteral("file.txt"),
                                   QStringLiteral("http://example.org")},
                                  schemes),
              (QStringList{QStringLiteral("unknown option --bogus"),
                           QStringLiteral("neither an option nor a runebox URL: file.txt"),
                           QStringLiteral("neither an option nor a runebox URL: http://example.org")}));
    const char* help[] = {"runebox", "runebox://open", "-h"};
    EXPECT_EQ(commandline::request(3, help), commandline::Request::Help);
    const char* version[] = {"runebox", "--version", "--help"};
    EXPECT_EQ(commandline::request(3, version), commandline::Request::Version);
    const char* run[] = {"runebox", "--helpful", "-version"};
    EXPECT_EQ(commandline::request(3, run), commandline::Request::Run);
    EXPECT_TRUE(commandline::version().startsWith(QStringLiteral("Runebox ")));
    // The toolkit's options and their values are left out before the check; --verbose is ours.
    const char* raw[] = {"runebox", "-display", ":3", "--style=fusion", "-reverse", "--verbose", "runebox://open", "-bogus"};
    EXPECT_EQ(commandline::withoutToolkitOptions(8, raw),
              (QStringList{QStringLiteral("--verbose"), QStringLiteral("runebox://open"), QStringLiteral("-bogus")}));
    EXPECT_EQ(commandline::errors(commandline::withoutToolkitOptions(8, raw), schemes),
              QStringList{QStringLiteral("unknown option -bogus")});
    EXPECT_TRUE(commandline::verbose(8, raw));
    EXPECT_FALSE(commandline::verbose(3, help));
}

TEST(AppSettingsUpdate, DropsOneTrailingStageLetterS) {
    const QString u = RbxCharAppController::appSettingsUpdateURL(QStringLiteral("2.1.3s"));
    EXPECT_TRUE(u.endsWith(QStringLiteral("/autoupdate/runeboxx/autoupdate2.1.3.plist"))) << u.toStdString();
    EXPECT_TRUE(u.startsWith(QStringLiteral("https://")));
    EXPECT_TRUE(RbxCharAppController::appSettingsUpdateURL(QStringLiteral("3ss")).endsWith(QStringLiteral("autoupdate3s.plist")));
    EXPECT_TRUE(RbxCharAppController::appSettingsUpdateURL(QStringLiteral("100")).endsWith(QStringLiteral("autoupdate100.plist")));
}

TEST(OpenCommand, ChoosesTheSheetByPrefixAndThePreferencesTab) {
    EXPECT_FALSE(paletteurl::parseOpen(url("runebox://open")));
    EXPECT_FALSE(paletteurl::parseOpen(url("runebox://open?tab=upd")));
    auto r = paletteurl::parseOpen(url("runebox://open?sheet=Preferences&tab=updates"));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->sheet, QStringLiteral("preferences"));
    EXPECT_EQ(r->options.value(QStringLiteral("tab")), QVariant(2));
    // Only "sheet" is lower-cased: "Upd" names no tab.
    r = paletteurl::parseOpen(url("runebox://open?sheet=pref&tab=Updates"));
    EXPECT_EQ(r->sheet, QStringLiteral("preferences"));
    EXPECT_FALSE(r->options.contains(QStringLiteral("tab")));
    EXPECT_EQ(paletteurl::parseOpen(url("runebox://open?sheet=pref&tab=activation"))->options.value(QStringLiteral("tab")), QVariant(0));
    EXPECT_EQ(paletteurl::parseOpen(url("runebox://open?sheet=pref&tab=insertion"))->options.value(QStringLiteral("tab")), QVariant(1));
    EXPECT_EQ(paletteurl::parseOpen(url("runebox://open?sheet=pref&tab=view"))->options.value(QStringLiteral("tab")), QVariant(1));
    EXPECT_EQ(paletteurl::parseOpen(url("runebox://open?sheet=ABOUT"))->sheet, QStringLiteral("about"));
    EXPECT_EQ(paletteurl::parseOpen(url("runebox://open?sheet=contact%20us"))->sheet, QStringLiteral("contact"));
    EXPECT_EQ(paletteurl::parseOpen(url("runebox://open?sheet=shapes"))->sheet, QStringLiteral("shapeFinder"));
    EXPECT_EQ(paletteurl::parseOpen(url("runebox://open?sheet=window"))->sheet, QString());
    EXPECT_EQ(paletteurl::parseOpen(url("runebox://open?sheet="))->sheet, QString());
}

TEST(SetCommand, ReadsInsertModeAndSearch) {
    auto r = paletteurl::parseSet(url("runebox://set?insert=formatted&search=arrow%20up"));
    EXPECT_TRUE(r.hasInsert);
    EXPECT_EQ(r.segment, 1);
    EXPECT_EQ(r.search, QStringLiteral("arrow up"));
    EXPECT_EQ(paletteurl::parseSet(url("runebox://set?insert=plain")).segment, 0);
    EXPECT_EQ(paletteurl::parseSet(url("runebox://set?insert=html")).segment, 2);
    r = paletteurl::parseSet(url("runebox://set?insert=Plain"));
    EXPECT_TRUE(r.hasInsert);
    EXPECT_FALSE(r.segment);
    EXPECT_EQ(r.refusal, QStringLiteral("\"Plain\" is no insert mode (plain, formatted or html)"));
    EXPECT_EQ(paletteurl::parseSet(url("runebox://set?insert=html")).refusal, QString());
    r = paletteurl::parseSet(url("runebox://set"));
    EXPECT_FALSE(r.hasInsert);
    EXPECT_FALSE(r.search);
    EXPECT_EQ(paletteurl::parseSet(url("runebox://set?search=")).search, QString());
}

TEST(QuitOther, ModesAndTheirSteps) {
    EXPECT_EQ(quitother::parseMode(QStringLiteral("QUIT")), quitother::Mode::Quit);
    EXPECT_EQ(quitother::parseMode(QStringLiteral("kill")), quitother::Mode::Kill);
    EXPECT_EQ(quitother::parseMode(QStringLiteral("killquit")), quitother::Mode::KillQuit);
    EXPECT_EQ(quitother::parseMode(QStringLiteral("quitkill")), quitother::Mode::QuitKill);
    EXPECT_EQ(quitother::parseMode(QStringLiteral("nonsense")), quitother::Mode::QuitKill);
    EXPECT_EQ(quitother::parseMode(QString()), quitother::Mode::QuitKill);

    // A copy that ignores being asked: which steps run in each mode, in the log.
    struct Copy : quitother::OtherCopy {
        bool endsWhenAsked = false;
        bool running = true;
        void quit() override {
            kx::log(QStringLiteral("quit"));
            if (endsWhenAsked) running = false;
        }
        void forceQuit() override {
            kx::log(QStringLiteral("kill"));
            running = false;
        }
        bool isRunning() override { return running; }
    };
    auto steps = [](quitother::Mode mode, bool endsWhenAsked) {
        kx::LogCapture log;
        Copy copy;
        copy.endsWhenAsked = endsWhenAsked;
        quitother::apply(mode, copy);
        return log.lines();
    };
    using M = quitother::Mode;
    EXPECT_EQ(steps(M::Quit, false), (QStringList{QStringLiteral("Quit other copy of Runebox (quit)"), QStringLiteral("quit")}));
    EXPECT_EQ(steps(M::Kill, false), (QStringList{QStringLiteral("Quit other copy of Runebox (kill)"),
                                                  QStringLiteral("Force-quitting other copy of Runebox"), QStringLiteral("kill")}));
    EXPECT_EQ(steps(M::QuitKill, false),
              (QStringList{QStringLiteral("Quit other copy of Runebox (quitkill)"), QStringLiteral("quit"),
                           QStringLiteral("Force-quitting other copy of Runebox"), QStringLiteral("kill")}));
    EXPECT_EQ(steps(M::QuitKill, true), (QStringList{QStringLiteral("Quit other copy of Runebox (quitkill)"), QStringLiteral("quit")}));
    // Force-quitting ends it here, so the second asking is not needed.
    EXPECT_EQ(steps(M::KillQuit, false), (QStringList{QStringLiteral("Quit other copy of Runebox (killquit)"),
                                                      QStringLiteral("Force-quitting other copy of Runebox"), QStringLiteral("kill")}));
}

TEST(QuitOther, OnlyThisUsersCopiesOnThisDisplay) {
    quitother::ProcessFacts self{100, 1000, QStringLiteral("runebox"), false, QByteArrayLiteral(":1"), 5000, true};
    quitother::ProcessFacts other = self;
    other.pid = 200;
    other.startTime = 4000;
    other.onOurBus = false;
    EXPECT_TRUE(quitother::isOtherCopy(other, self));
    // A later start, or a copy on our bus, hands over by itself.
    quitother::ProcessFacts later = other;
    later.startTime = 5000;
    EXPECT_FALSE(quitother::isOtherCopy(later, self));
    quitother::ProcessFacts onBus = other;
    onBus.onOurBus = true;
    EXPECT_FALSE(quitother::isOtherCopy(onBus, self));
    EXPECT_FALSE(quitother::isOtherCopy(self, self));

    quitother::ProcessFacts otherUser = other;
    otherUser.uid = 1001;
    EXPECT_FALSE(quitother::isOtherCopy(otherUser, self));
    quitother::ProcessFacts otherDisplay = other;
    otherDisplay.display = QByteArrayLiteral(":2");
    EXPECT_FALSE(quitother::isOtherCopy(otherDisplay, self));
    quitother::ProcessFacts otherProgram = other;
    otherProgram.programName = QStringLiteral("gedit");
    EXPECT_FALSE(quitother::isOtherCopy(otherProgram, self));
    otherProgram.ownsOurSignature = true;
    EXPECT_TRUE(quitother::isOtherCopy(otherProgram, self));
    quitother::ProcessFacts unnamed = other;
    unnamed.programName.clear();
    quitother::ProcessFacts selfUnnamed = self;
    selfUnnamed.programName.clear();
    EXPECT_FALSE(quitother::isOtherCopy(unnamed, selfUnnamed));
}

} // namespace

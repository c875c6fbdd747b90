// Following the front application on the desktop: the real runebox reads the font at
// the caret of the focused application (or its checked font menu item) through AT-SPI
// and shows it, asking again at once when the user filters the font list; the per-
// application settings may choose another way (a fixed name, a bundle script, the
// program's preferences, an event to a program with a creator code, a context the window
// must match, a launch delay); a name that is no installed font is logged once; switching
// the focused window between two applications switches the insert mode, view and font
// each keeps, and checks the installed fonts at most every 30 s; without accessibility
// the palette asks for it, only while it is open. Real GTK editors are followed too.
// The accessibility bus is the session bus here: this test answers as the session's
// accessibility switch (org.a11y.Bus) and as the registry, and the applications serve
// their trees of accessible objects; only the GTK editors speak to the desktop's own.
#include "Desktop.h"
#include "FrontEditors.h"
#include "MenuItems.h"
#include "ProbeClient.h"
#include "RuneboxCopy.h"
#include "SheetDriving.h"
#include "common/FakeAtspi.h"
#include "common/TestEnvironment.h"
#include "core/Plist.h"
#include "kxlib/KXProcess.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <optional>

#include <X11/Xlib.h>

using x11test::Copy;
using x11test::run;

namespace {

const QPoint awayFromThePalette(1100, 80);
const QString Domain = QStringLiteral("org.runebox.Runebox");

// Font detection on for the application, in the settings file the palette reads at start.
void detectFontsIn(const QString& application) {
    const QString folder = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/runebox");
    QDir().mkpath(folder);
    QFile f(folder + QLatin1Char('/') + Domain + QStringLiteral(".plist"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    const QVariantMap apps{{application, QVariantMap{{QStringLiteral("automatic"), true}}}};
    f.write(kx::plist::writeXml(QVariantMap{{QStringLiteral("applications"), apps}}));
}

// A window of its own that serves the accessible tree given; it holds the keyboard once
// started.
class FakeApp {
public:
    FakeApp(const QString& tag, const QByteArray& tree) {
        QFile f(dir_.filePath(QStringLiteral("tree.json")));
        f.open(QIODevice::WriteOnly);
        f.write(tree);
        f.close();
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral(RUNEBOX_FAKE_APP), {tag, f.fileName()});
        const QString name = QStringLiteral("org.runebox.FakeApp.") + tag;
        QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
        started_ = rbxtest::waitFor([&] { return bus->isServiceRegistered(name).value(); }, 15000);
        if (started_) service_ = bus->serviceOwner(name).value();
    }
    ~FakeApp() {
        process_.terminate();
        if (!process_.waitForFinished(3000)) process_.kill();
    }
    bool started() const { return started_ && rbxtest::waitFor([this] { return processHasKeyboardFocus(pid()); }, 10000); }
    int pid() const { return int(process_.processId()); }
    QString service() const { return service_; }
    // Changes a value of the named node of the served tree (`json`: a JSON value).
    bool setValue(const QString& node, const QString& key, const QString& json) const {
        return control(QStringLiteral("SetValue"), {node, key, json}).type() == QDBusMessage::ReplyMessage;
    }
    // How many calls the served tree took.
    int callCount() const { return control(QStringLiteral("CallCount")).arguments().value(0, -1).toInt(); }

private:
    QDBusMessage control(const QString& method, const QVariantList& args = {}) const {
        QDBusMessage m = QDBusMessage::createMethodCall(service_, QStringLiteral("/org/runebox/FakeApp"),
                                                        QStringLiteral("org.runebox.FakeApp"), method);
        m.setArguments(args);
        return x11test::busCall(m, 5000);
    }

    QTemporaryDir dir_;
    QProcess process_;
    bool started_ = false;
    QString service_;
};

// The session's accessibility switch and the registry, answered by this process.
struct Accessibility {
    explicit Accessibility(bool enabled)
        : status(QDBusConnection::sessionBus(), qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), enabled),
          registry(QDBusConnection::sessionBus()) {}
    rbxtest::FakeA11yStatus status;
    rbxtest::FakeAtspiRegistry registry;
};

const QByteArray CaretTree = R"({"role": "application", "name": "fake", "children": [
  {"role": "frame", "name": "Document", "states": ["active"], "children": [
    {"role": "text", "name": "body", "states": ["focused", "editable"],
     "text": {"caret": 2, "attributes": {"family-name": "DejaVu Serif", "weight": "700", "style": "normal"}}}]}]})";

const QByteArray MenuTree = R"({"role": "application", "name": "fake", "children": [
  {"role": "frame", "name": "Document", "states": ["active"], "children": [
    {"role": "menu bar", "name": "bar", "children": [
      {"role": "menu", "name": "File", "children": [{"role": "menu item", "name": "Open"}]},
      {"role": "menu", "name": "Edit", "children": [{"role": "menu item", "name": "Copy"}]},
      {"role": "menu", "name": "View", "children": [{"role": "menu item", "name": "Zoom"}]},
      {"role": "menu", "name": "Insert", "children": [{"role": "menu item", "name": "Date"}]},
      {"role": "menu", "name": "Format", "children": [
        {"role": "menu", "name": "Font", "children": [
          {"role": "radio menu item", "name": "DejaVu Sans Mono"},
          {"role": "radio menu item", "name": "DejaVu Serif", "states": ["checked"]}]}]}]},
    {"role": "text", "name": "body", "states": ["focused", "editable"]}]}]})";

QString fontShown() { return Copy::state().value(QStringLiteral("font")).toString(); }

// The tree of the front application and the font the palette then shows.
struct Case {
    QByteArray tree;
    QString font;
};
Case caseNamed(const std::string& name) {
    if (name == "caret") return {CaretTree, QStringLiteral("DejaVuSerif-Bold")};
    return {MenuTree, QStringLiteral("DejaVuSerif")};
}

class FollowingTheFont : public ::testing::TestWithParam<std::string> {};

// A program in front that serves `tree`, with font detection on for it, and the palette
// started and following it.
struct FollowedProgram {
    explicit FollowedProgram(const QByteArray& tree) : accessibility(true), app(QStringLiteral("editor"), tree) {}
    // Whether everything started and the palette follows the program.
    bool start() {
        if (!accessibility.status.isRegistered() || !accessibility.registry.isRegistered() || !app.started()) return false;
        accessibility.registry.addApplication(app.service());
        detectFontsIn(QStringLiteral("runebox-fakeapp"));
        x11test::pointTo(awayFromThePalette);
        copy.emplace();
        return Copy::waitForState(Copy::shownAndPainted) && Copy::waitForState([](const QVariantMap& s) {
                   return s.value(QStringLiteral("front")).toString() == QLatin1String("runebox-fakeapp");
               });
    }
    QString output() { return copy ? copy->output() : QString(); }

    Accessibility accessibility;
    FakeApp app;
    std::optional<Copy> copy;
};

TEST_P(FollowingTheFont, ThePaletteShowsTheFontOfTheFrontApplication) {
    const Case c = caseNamed(GetParam());
    FollowedProgram program(c.tree);
    ASSERT_TRUE(program.start()) << program.output().toStdString() << "\nfront: "
                                 << Copy::state().value(QStringLiteral("front")).toString().toStdString();
    EXPECT_TRUE(rbxtest::waitFor([&] { return fontShown() == c.font; }, 10000))
        << fontShown().toStdString() << "\n" << program.output().toStdString();
    // The recent-fonts pop-up is titled with it too.
    EXPECT_TRUE(Copy::waitForState([&c](const QVariantMap& s) { return s.value(QStringLiteral("recentFont")) == c.font; }))
        << Copy::state().value(QStringLiteral("recentFont")).toString().toStdString();
}

INSTANTIATE_TEST_SUITE_P(FrontApplication, FollowingTheFont, ::testing::Values("caret", "menus"),
                         [](const ::testing::TestParamInfo<std::string>& p) { return p.param; });

// ---- the methods the per-application settings choose -------------------------------------

// The per-application settings of the fake application, in a settings file of the
// user's support folder, which the palette reads at start.
// `application`: how the entry finds it (a creator code, "/" and the program name, ...).
void setUpApplicationSettings(const QVariantMap& entry, const QString& application = QStringLiteral("/runebox-fakeapp")) {
    const QString folder = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Runebox/Application Settings");
    QDir().mkpath(folder);
    QFile f(folder + QStringLiteral("/front-application-test.plist"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(kx::plist::writeXml(QVariantMap{{application, entry}}));
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Sets a GSettings key as the user would. The settings service the bus starts for it
// takes this test's private folders, where the palette and the applications read them.
::testing::AssertionResult setGSettingsKey(const QString& schema, const QString& key, const QString& value) {
    qDBusRegisterMetaType<QMap<QString, QString>>();
    QMap<QString, QString> env;
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
        env.insert(QString::fromLatin1(name), qEnvironmentVariable(name));
    QDBusMessage update = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                                         QStringLiteral("org.freedesktop.DBus"),
                                                         QStringLiteral("UpdateActivationEnvironment"));
    update << QVariant::fromValue(env);
    const QDBusMessage reply = QDBusConnection::sessionBus().call(update, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage) return ::testing::AssertionFailure() << reply.errorMessage().toStdString();
    QString out;
    if (run(QStringLiteral("gsettings"), {QStringLiteral("set"), schema, key, value}, &out) != 0)
        return ::testing::AssertionFailure() << out.toStdString();
    return ::testing::AssertionSuccess();
}

// The fake application installed under a desktop entry: its identifier names its
// preferences.
const QString FakeAppIdentifier = QStringLiteral("org.runebox.FakeEditor");
void installDesktopEntry() {
    writeFile(qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications/") + FakeAppIdentifier +
                  QStringLiteral(".desktop"),
              "[Desktop Entry]\nType=Application\nName=Fake Editor\nExec=runebox-fakeapp %F\n"
              "StartupWMClass=runebox-fakeapp\n");
}

// The bundle's data with one more script: the bundle folder the palette is started on.
class BundleWithScript {
public:
    BundleWithScript(const QString& name, const QByteArray& script) {
        const QDir real(qEnvironmentVariable("RUNEBOX_RESOURCES"));
        for (const QString& entry : real.entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
            QFile::link(real.filePath(entry), dir_.filePath(entry));
        QFile f(dir_.filePath(name + QStringLiteral(".sh")));
        if (f.open(QIODevice::WriteOnly)) f.write(script);
    }
    QProcessEnvironment environment() const {
        QProcessEnvironment env;
        env.insert(QStringLiteral("RUNEBOX_RESOURCES"), dir_.path());
        return env;
    }
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

struct MethodCase {
    const char* name;
    QVariantMap settings;
    QString font;  // the PostScript name the palette then shows
};

const QByteArray ScriptOfTheFont = "[ \"$1\" = runebox-fakeapp ] && echo 'DejaVu Serif Bold'\n";

MethodCase methodCase(const std::string& name) {
    if (name == "fixedName")  // no PostScript name: guessed from its words
        return {"fixedName", {{QStringLiteral("fdFixedFont"), QStringLiteral("DejaVu Sans Mono Bold")}},
                QStringLiteral("DejaVuSansMono-Bold")};
    if (name == "monoFont")  // the desktop's fixed-pitch font
        return {"monoFont", {{QStringLiteral("fdFixedFont"), QStringLiteral("mono font")}}, QStringLiteral("DejaVuSansMono")};
    if (name == "script")  // "%" is the program's name, which the script is given too
        return {"script", {{QStringLiteral("fdScript"), QStringLiteral("fontof-%")}}, QStringLiteral("DejaVuSerif-Bold")};
    if (name == "iniFile")  // ~/.config/<identifier>.conf, the size at the end stripped
        return {"iniFile", {{QStringLiteral("fdPreferenceKey"), QStringLiteral("view.font")}}, QStringLiteral("DejaVuSerif")};
    return {"gsettings", {{QStringLiteral("fdPreferenceKey"), QStringLiteral("org.gnome.desktop.interface.monospace-font-name")}},
            QStringLiteral("DejaVuSansMono-Bold")};
}

class FoundByItsSettings : public ::testing::TestWithParam<std::string> {};

TEST_P(FoundByItsSettings, ThePaletteShowsTheFontOfTheFrontApplication) {
    const MethodCase c = methodCase(GetParam());
    BundleWithScript bundle(QStringLiteral("fontof-runebox-fakeapp"), ScriptOfTheFont);
    setUpApplicationSettings(c.settings);
    installDesktopEntry();
    if (GetParam() == "iniFile")
        writeFile(qEnvironmentVariable("XDG_CONFIG_HOME") + QLatin1Char('/') + FakeAppIdentifier + QStringLiteral(".conf"),
                  "[view]\nfont=DejaVu Serif 13\n");
    if (GetParam() == "gsettings") {
        ASSERT_TRUE(setGSettingsKey(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("monospace-font-name"),
                                    QStringLiteral("DejaVu Sans Mono Bold 12")));
    }
    FakeApp app(QStringLiteral("editor"), R"({"role": "application", "name": "fake"})");
    ASSERT_TRUE(app.started());
    detectFontsIn(QStringLiteral("runebox-fakeapp"));
    x11test::pointTo(awayFromThePalette);
    Copy copy({}, bundle.environment());
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("front")) == QLatin1String("runebox-fakeapp"); }))
        << copy.output().toStdString();
    EXPECT_TRUE(rbxtest::waitFor([&] { return fontShown() == c.font; }, 10000))
        << fontShown().toStdString() << "\n" << copy.output().toStdString();
    EXPECT_EQ(Copy::state().value(QStringLiteral("sheet")).toString(), QString());  // found without accessibility
}

INSTANTIATE_TEST_SUITE_P(FrontApplication, FoundByItsSettings,
                         ::testing::Values("fixedName", "monoFont", "script", "iniFile", "gsettings"),
                         [](const ::testing::TestParamInfo<std::string>& p) { return p.param; });

// "Automatic" chosen in the recent fonts' pop-up looks for the front application's font at
// once, not at the next change of application.
TEST(FollowingTheFrontApplication, ChoosingAutomaticLooksForTheFontAtOnce) {
    const MethodCase c = methodCase("fixedName");
    BundleWithScript bundle(QStringLiteral("fontof-runebox-fakeapp"), ScriptOfTheFont);
    setUpApplicationSettings(c.settings);
    installDesktopEntry();
    FakeApp app(QStringLiteral("editor"), R"({"role": "application", "name": "fake"})");
    ASSERT_TRUE(app.started());
    x11test::pointTo(awayFromThePalette);
    Copy copy({}, bundle.environment());
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("front")) == QLatin1String("runebox-fakeapp"); }))
        << copy.output().toStdString();
    ASSERT_NE(fontShown(), c.font);
    ASSERT_TRUE(x11test::clickControl(QStringLiteral("recentFontsPopUp")));
    ASSERT_EQ(x11test::clickOpenItem(QStringLiteral("Automatic")), QStringLiteral("Automatic")) << copy.output().toStdString();
    EXPECT_TRUE(rbxtest::waitFor([&] { return fontShown() == c.font; }, 10000))
        << fontShown().toStdString() << "\n" << copy.output().toStdString();
    x11test::pointTo(awayFromThePalette);
}

// A script that takes too long is stopped after 2 s; the palette goes on answering and
// keeps its font.
TEST(FollowingTheFrontApplication, AScriptThatTakesTooLongIsStopped) {
    const QString started = QDir::homePath() + QStringLiteral("/script-started");
    BundleWithScript bundle(QStringLiteral("fontof-runebox-fakeapp"),
                            "touch \"$HOME/script-started\"; sleep 8; echo 'DejaVu Serif Bold'\n");
    setUpApplicationSettings({{QStringLiteral("fdScript"), QStringLiteral("fontof-%")}});
    FakeApp app(QStringLiteral("editor"), R"({"role": "application", "name": "fake"})");
    ASSERT_TRUE(app.started());
    detectFontsIn(QStringLiteral("runebox-fakeapp"));
    x11test::pointTo(awayFromThePalette);
    Copy copy({}, bundle.environment());
    ASSERT_TRUE(rbxtest::waitFor([&] { return QFile::exists(started); }, 20000)) << copy.output().toStdString();
    QElapsedTimer sinceStarted;
    sinceStarted.start();
    const QString timedOut = QStringLiteral("script timeout: fontof-runebox-fakeapp.sh runebox-fakeapp");
    ASSERT_TRUE(rbxtest::waitFor([&] { return copy.output().contains(timedOut); }, 15000)) << copy.output().toStdString();
    EXPECT_LT(sinceStarted.elapsed(), 6000);  // well before the script would have answered
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    EXPECT_NE(fontShown(), QStringLiteral("DejaVuSerif-Bold"));
}

// The settings name their script as a file of the bundle: one that climbs out of it (to a
// script a browser saved, say) is refused and never run.
TEST(FollowingTheFrontApplication, AScriptOutsideTheBundleIsNeverRun) {
    const QString ran = QDir::homePath() + QStringLiteral("/outside-script-ran");
    BundleWithScript bundle(QStringLiteral("fontof-runebox-fakeapp"), ScriptOfTheFont);
    writeFile(QDir::homePath() + QStringLiteral("/Downloads/x-runebox-fakeapp.sh"),
              "touch \"$HOME/outside-script-ran\"; echo 'DejaVu Serif Bold'\n");
    const QString climbing = QDir(bundle.path()).relativeFilePath(QDir::homePath() + QStringLiteral("/Downloads/x-%"));
    ASSERT_TRUE(climbing.startsWith(QStringLiteral("../"))) << climbing.toStdString();
    setUpApplicationSettings({{QStringLiteral("fdScript"), climbing}});
    FakeApp app(QStringLiteral("editor"), R"({"role": "application", "name": "fake"})");
    ASSERT_TRUE(app.started());
    detectFontsIn(QStringLiteral("runebox-fakeapp"));
    x11test::pointTo(awayFromThePalette);
    Copy copy({}, bundle.environment());
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("front")) == QLatin1String("runebox-fakeapp"); }))
        << copy.output().toStdString();
    EXPECT_TRUE(rbxtest::waitFor([&] { return copy.output().contains(QStringLiteral("*** Bundle script refused: the name")); }, 15000))
        << copy.output().toStdString();
    EXPECT_TRUE(copy.output().contains(QStringLiteral("leads outside its folder")));
    EXPECT_FALSE(QFile::exists(ran));
    EXPECT_NE(fontShown(), QStringLiteral("DejaVuSerif-Bold"));
}

// A program that owns its creator code's name on the bus is asked with a 'core'/'getd'
// event for its font property, and answers it.
TEST(FollowingTheFrontApplication, AProgramWithACreatorCodeIsAskedByAnEvent) {
    Accessibility accessibility(true);  // a failed detection brings no alert, which would stop the checks
    setUpApplicationSettings({{QStringLiteral("fdAEDesc"), QVariantList{QStringLiteral("font")}}}, QStringLiteral("RbxF"));
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--probe-window"), QStringLiteral("font by event"), QStringLiteral("--signature"), QStringLiteral("RbxF")});
    ASSERT_TRUE(program.waitForStarted());
    const int pid = int(program.processId());
    ASSERT_TRUE(rbxtest::waitFor([pid] { return processHasKeyboardFocus(pid); }, 15000));
    const KXProcess::Ptr process = KXProcess::processWithPID(pid);
    ASSERT_TRUE(process);
    const QString name = process->name();
    detectFontsIn(name);
    x11test::pointTo(awayFromThePalette);
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    ASSERT_TRUE(Copy::waitForState([&name](const QVariantMap& s) { return s.value(QStringLiteral("front")) == name; }));
    // The event waits two ticks for the answer: on a busy machine the palette may have to
    // ask again, as it does when the pointer comes over it and the next check is due.
    const QRect field = x11test::rectOf(Copy::state().value(QStringLiteral("searchRect")));
    const auto followed = [] { return fontShown() == QLatin1String("DejaVuSerif-Bold"); };
    for (int attempt = 0; attempt < 10 && !rbxtest::waitFor(followed, 2000); ++attempt) {
        x11test::pointTo(field.center());
        if (rbxtest::waitFor(followed, 2000)) break;
        x11test::pointTo(awayFromThePalette);
    }
    EXPECT_EQ(fontShown(), QStringLiteral("DejaVuSerif-Bold")) << copy.output().toStdString();
    program.terminate();
    program.waitForFinished(3000);
}

// With "fdCheckContext" the font is taken only while the focused window is what the
// settings ask for ("fdModal" here); "logAppContext" logs what the palette found.
class InAWindowOfTheContext : public ::testing::TestWithParam<bool> {};

TEST_P(InAWindowOfTheContext, TheFontIsFollowedOnlyThere) {
    const bool modal = GetParam();
    setUpApplicationSettings({{QStringLiteral("fdCheckContext"), 1},
                              {QStringLiteral("logAppContext"), 1},
                              {QStringLiteral("fdModal"), modal ? QStringLiteral("1") : QStringLiteral("0")}});
    FollowedProgram program(CaretTree);  // its window is not modal
    ASSERT_TRUE(program.start()) << program.output().toStdString();
    ASSERT_TRUE(rbxtest::waitFor([&] { return program.output().contains(QStringLiteral("font detection context: ")); }, 10000))
        << program.output().toStdString();
    const QString log = program.output();
    EXPECT_TRUE(log.contains(QStringLiteral("windowTitle = Document;"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("appTitle = fake;"))) << log.toStdString();
    if (modal) {
        EXPECT_TRUE(rbxtest::waitFor([&] { return program.output().contains(QStringLiteral("window modality (0) does not match 1")); }, 10000))
            << program.output().toStdString();
        EXPECT_NE(fontShown(), QStringLiteral("DejaVuSerif-Bold"));
    } else {
        EXPECT_TRUE(rbxtest::waitFor([] { return fontShown() == QLatin1String("DejaVuSerif-Bold"); }, 10000))
            << fontShown().toStdString() << "\n" << program.output().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(FrontApplication, InAWindowOfTheContext, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "modalAskedFor" : "plainAskedFor"; });

// A program younger than its settings' "fdLaunchDelay" is not asked for its font; once
// older, the next look of the palette finds it.
TEST(FollowingTheFrontApplication, AProgramIsAskedOnlyOnceItHasRunItsLaunchDelay) {
    setUpApplicationSettings({{QStringLiteral("fdFixedFont"), QStringLiteral("DejaVu Sans Mono Bold")},
                              {QStringLiteral("fdLaunchDelay"), 8}});
    FollowedProgram program(R"({"role": "application", "name": "fake"})");  // accessibility on: no alert
    ASSERT_TRUE(program.start()) << program.output().toStdString();
    const KXProcess::Ptr process = KXProcess::processWithPID(program.app.pid());
    ASSERT_TRUE(process);
    rbxtest::spinEventLoop(500);
    if (process->secondsRunning() < 7.5) {
        EXPECT_NE(fontShown(), QStringLiteral("DejaVuSansMono-Bold"));
    }
    while (process->secondsRunning() < 8.5) rbxtest::spinEventLoop(200);
    const QRect field = x11test::rectOf(Copy::state().value(QStringLiteral("searchRect")));
    ASSERT_FALSE(field.isEmpty());
    x11test::pointTo(field.center());
    EXPECT_TRUE(rbxtest::waitFor([] { return fontShown() == QLatin1String("DejaVuSansMono-Bold"); }, 10000))
        << fontShown().toStdString() << "\n" << program.output().toStdString();
    x11test::pointTo(awayFromThePalette);
}

TEST(FollowingTheFrontApplication, AProgramThatNeverAnswersLeavesThePaletteAnsweringTheUser) {
    QByteArray silentTree = CaretTree;
    silentTree.insert(1, R"("silent": true, )");
    FollowedProgram program(silentTree);
    ASSERT_TRUE(program.start()) << program.output().toStdString();
    Copy& copy = *program.copy;
    // The palette asked the program and gave up in time.
    EXPECT_TRUE(rbxtest::waitFor([&] { return copy.output().contains(QStringLiteral("did not answer")); }, 15000))
        << copy.output().toStdString();

    // Meanwhile it answers every look at once, and what the user types over it is searched.
    const QRect palette = x11test::frameOf(x11test::windowOfPid(int(copy.process().processId())));
    ASSERT_FALSE(palette.isEmpty());
    x11test::pointTo(palette.center());
    ASSERT_TRUE(rbxtest::waitFor([&copy] { return processHasKeyboardFocus(int(copy.process().processId())); }, 10000));
    run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("60"), QStringLiteral("arrow")});
    qint64 slowest = 0;
    QElapsedTimer clock;
    clock.start();
    bool searched = false;
    while (!searched && clock.elapsed() < 15000) {
        QElapsedTimer look;
        look.start();
        searched = Copy::state().value(QStringLiteral("search")).toString() == QLatin1String("arrow");
        slowest = std::max(slowest, look.elapsed());
        rbxtest::spinEventLoop(100);
    }
    EXPECT_TRUE(searched) << Copy::state().value(QStringLiteral("search")).toString().toStdString();
    EXPECT_LT(slowest, 2000);
    EXPECT_FALSE(fontShown() == QLatin1String("DejaVuSerif-Bold"));
    x11test::pointTo(awayFromThePalette);
}

// Waits until the served tree has taken no call for `ms`.
bool askedNothingFor(const FakeApp& app, int ms) {
    QElapsedTimer total, still;
    total.start();
    still.start();
    int last = app.callCount();
    while (total.elapsed() < 20000) {
        rbxtest::spinEventLoop(100);
        if (const int now = app.callCount(); now != last) {
            last = now;
            still.restart();
        } else if (still.elapsed() >= ms) {
            return true;
        }
    }
    return false;
}

// Filtering the font list while the front program's font is followed asks the program at
// once: nothing else asks it while the pointer rests over the palette.
TEST(FollowingTheFrontApplication, FilteringTheFontListAsksForTheFontAtOnce) {
    FollowedProgram program(CaretTree);
    ASSERT_TRUE(program.start()) << program.output().toStdString();
    ASSERT_TRUE(rbxtest::waitFor([] { return fontShown() == QLatin1String("DejaVuSerif-Bold"); }, 10000))
        << fontShown().toStdString() << "\n" << program.output().toStdString();
    const QRect field = x11test::rectOf(Copy::debugCall(QStringLiteral("ControlRect"), {QStringLiteral("fontFilterField")}));
    ASSERT_FALSE(field.isEmpty());
    x11test::pointTo(field.center());
    const int palette = int(program.copy->process().processId());
    ASSERT_TRUE(rbxtest::waitFor([palette] { return processHasKeyboardFocus(palette); }, 10000));
    x11test::click();
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("focus")) == QLatin1String("fontFilterField"); }));
    // What the palette asked on taking the keyboard is answered.
    ASSERT_TRUE(askedNothingFor(program.app, 1500));

    // The program now writes in another font.
    ASSERT_TRUE(program.app.setValue(QStringLiteral("body"), QStringLiteral("text"),
                                     QStringLiteral(R"({"caret": 2, "attributes": {"family-name": "DejaVu Sans Mono", "weight": "400", "style": "normal"}})")));
    x11test::type(QStringLiteral("dejavu"));
    EXPECT_TRUE(rbxtest::waitFor([] { return fontShown() == QLatin1String("DejaVuSansMono"); }, 10000))
        << fontShown().toStdString() << "\n" << program.output().toStdString();
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        const int rows = s.value(QStringLiteral("fontRows")).toInt();
        return rows > 0 && rows < 20;
    }));
    x11test::pointTo(awayFromThePalette);
}

// Puts the window of the process at the bottom of the screen, away from the palette.
bool placeAt(int pid, int x) {
    const X11Session::Window w = x11test::windowOfPid(pid);
    if (!w) return false;
    run(QStringLiteral("xdotool"), {QStringLiteral("windowmove"), QString::number(w), QString::number(x), QStringLiteral("820")});
    return rbxtest::waitFor([&] { return x11test::frameOf(w).left() >= x && x11test::frameOf(w).top() >= 820; }, 5000);
}

// The palette's settings as another program reads them.
QString storedApplications() {
    QString out;
    run(x11test::Tool, {QStringLiteral("defaults"), QStringLiteral("read"), Domain, QStringLiteral("applications")}, &out);
    return out;
}

// Two applications side by side at the bottom of the screen, and the palette open above
// them, staying open while the user clicks from one into the other.
class TwoApplications : public ::testing::Test {
protected:
    // `otherTree`: what the second application serves as its accessible tree.
    explicit TwoApplications(const QByteArray& otherTree = R"({"role": "application", "name": "other"})")
        : other(QStringLiteral("other"), otherTree) {}
    void SetUp() override {
        ASSERT_TRUE(probe.started());
        ASSERT_TRUE(other.started());
        ASSERT_TRUE(placeAt(int(probe.pid()), 40));
        ASSERT_TRUE(placeAt(other.pid(), 700));
        ASSERT_EQ(run(x11test::Tool, {QStringLiteral("defaults"), QStringLiteral("write"), Domain,
                                      QStringLiteral("click outside closes"), QStringLiteral("NO")}),
                  0);
        beforeThePaletteStarts();
        x11test::pointTo(awayFromThePalette);
        sinceStart.start();
        copy.emplace();
        ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy->output().toStdString();
        palette = x11test::frameOf(x11test::windowOfPid(palettePid()));
        ASSERT_FALSE(palette.isEmpty());
    }
    virtual void beforeThePaletteStarts() {}
    int palettePid() { return int(copy->process().processId()); }

    // Clicks into a window of the process and waits until the palette follows it there.
    // The window activated by the click keeps the keyboard, however late the palette
    // hears that the pointer left it.
    bool focusAndFollow(int pid, const QString& name) {
        const QRect frame = x11test::frameOf(x11test::windowOfPid(pid));
        if (frame.isEmpty()) return false;
        x11test::pointTo(frame.center());
        x11test::click();
        if (!rbxtest::waitFor([pid] { return processHasKeyboardFocus(pid); }, 10000)) return false;
        return Copy::waitForState([&name](const QVariantMap& s) { return s.value(QStringLiteral("front")) == name; });
    }
    // The keys pressed over the palette, once it has the keyboard.
    bool keyOverThePalette(const QString& key) {
        x11test::pointTo(palette.center());
        const int ours = palettePid();
        if (!rbxtest::waitFor([ours] { return processHasKeyboardFocus(ours); }, 10000)) return false;
        x11test::key(key);
        return true;
    }

    ProbeClient probe{{QStringLiteral("--no-clipboard-utility")}};
    FakeApp other;
    QElapsedTimer sinceStart;  // since the palette was started
    std::optional<Copy> copy;
    QRect palette;
};

TEST_F(TwoApplications, EachApplicationKeepsItsInsertModeAndView) {
    // In the probe: HTML and the view of every character.
    ASSERT_TRUE(focusAndFollow(int(probe.pid()), QStringLiteral("runebox-probe"))) << copy->output().toStdString();
    QString out;
    ASSERT_EQ(run(x11test::Tool, {QStringLiteral("url"), QStringLiteral("runebox://set?insert=htm")}, &out), 0) << out.toStdString();
    // Ctrl+1 over the palette: the view of every character.
    ASSERT_TRUE(keyOverThePalette(QStringLiteral("ctrl+1")));
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        return s.value(QStringLiteral("insertMode")).toInt() == 2 && s.value(QStringLiteral("view")).toInt() == 3;
    })) << copy->output().toStdString();

    // The other application has its own insert mode (plain text); Ctrl+2 over the palette
    // gives it the preview as its view.
    ASSERT_TRUE(focusAndFollow(other.pid(), QStringLiteral("runebox-fakeapp"))) << copy->output().toStdString();
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        return s.value(QStringLiteral("insertMode")).toInt() == 0;
    })) << Copy::state().value(QStringLiteral("insertMode")).toInt();
    // Coming to the front records nothing for it; a choice does, and the record goes again
    // when its last entry is back at the default.
    const auto recorded = [](bool yes) {
        return rbxtest::waitFor([yes] { return storedApplications().contains(QStringLiteral("runebox-fakeapp")) == yes; }, 5000);
    };
    EXPECT_TRUE(recorded(false)) << storedApplications().toStdString();
    ASSERT_EQ(run(x11test::Tool, {QStringLiteral("url"), QStringLiteral("runebox://set?insert=htm")}, &out), 0) << out.toStdString();
    EXPECT_TRUE(recorded(true)) << storedApplications().toStdString();
    ASSERT_EQ(run(x11test::Tool, {QStringLiteral("url"), QStringLiteral("runebox://set?insert=plain")}, &out), 0) << out.toStdString();
    EXPECT_TRUE(recorded(false)) << storedApplications().toStdString();
    EXPECT_TRUE(storedApplications().contains(QStringLiteral("runebox-probe"))) << storedApplications().toStdString();
    ASSERT_TRUE(keyOverThePalette(QStringLiteral("ctrl+2")));
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        return s.value(QStringLiteral("view")).toInt() == 10 && s.value(QStringLiteral("page")) == QStringLiteral("previewPage");
    })) << copy->output().toStdString();

    // Back in the probe, its own again; then the other's own again.
    const auto showsOwn = [](int insertMode, int view, const char* page) {
        return Copy::waitForState([=](const QVariantMap& s) {
            return s.value(QStringLiteral("insertMode")).toInt() == insertMode && s.value(QStringLiteral("view")).toInt() == view &&
                   s.value(QStringLiteral("page")).toString() == QLatin1String(page);
        });
    };
    ASSERT_TRUE(focusAndFollow(int(probe.pid()), QStringLiteral("runebox-probe"))) << copy->output().toStdString();
    EXPECT_TRUE(showsOwn(2, 3, "tablePage")) << Copy::state().value(QStringLiteral("view")).toInt();
    ASSERT_TRUE(focusAndFollow(other.pid(), QStringLiteral("runebox-fakeapp"))) << copy->output().toStdString();
    EXPECT_TRUE(showsOwn(0, 10, "previewPage")) << Copy::state().value(QStringLiteral("view")).toInt() << "\n"
                                                 << copy->output().toStdString();
    ASSERT_TRUE(focusAndFollow(int(probe.pid()), QStringLiteral("runebox-probe"))) << copy->output().toStdString();
    EXPECT_TRUE(showsOwn(2, 3, "tablePage")) << Copy::state().value(QStringLiteral("view")).toInt();
}

// Another application's coming to the front checks the installed fonts at most this often.
constexpr int RegularFontCheckMs = 30 * 1000;

int fontChecks() { return Copy::state().value(QStringLiteral("fontChecks")).toInt(); }

// Clicking from one application into the other checks the installed fonts at the first
// change, then not again until 30 s have passed since that check.
TEST_F(TwoApplications, FrontChangesCheckTheFontsAtMostEveryThirtySeconds) {
    // Only a font list that exists is checked: the palette shows it.
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("fontRows")).toInt() > 0; }));
    // Each switch goes into the application that is not in front.
    bool otherInFront = Copy::state().value(QStringLiteral("front")) == QLatin1String("runebox-fakeapp");
    auto switchOver = [&] {
        otherInFront = !otherInFront;
        return otherInFront ? focusAndFollow(other.pid(), QStringLiteral("runebox-fakeapp"))
                            : focusAndFollow(int(probe.pid()), QStringLiteral("runebox-probe"));
    };
    // The check to count from: one made on a change the palette saw while it started, or
    // else the one the first change makes. It was made after `notBefore` started and
    // before `notAfter` did.
    QElapsedTimer notBefore = sinceStart;
    if (fontChecks() == 0) {
        notBefore.start();
        ASSERT_TRUE(switchOver()) << copy->output().toStdString();
        ASSERT_TRUE(rbxtest::waitFor([&] { return fontChecks() == 1; }, 5000)) << copy->output().toStdString();
    }
    QElapsedTimer notAfter;
    notAfter.start();
    ASSERT_EQ(fontChecks(), 1);

    // Changes within 30 s of it check nothing.
    int within = 0;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(switchOver());
        if (notBefore.elapsed() >= RegularFontCheckMs - 1000) break;
        ++within;
        EXPECT_EQ(fontChecks(), 1) << "change " << i << " after " << notBefore.elapsed() << " ms";
    }
    ASSERT_GT(within, 0) << "the machine is too slow: no change came within 30 s";

    // The first change once 30 s have passed checks again, the next one does not.
    while (notAfter.elapsed() < RegularFontCheckMs + 500) rbxtest::spinEventLoop(200);
    ASSERT_TRUE(switchOver());
    EXPECT_EQ(fontChecks(), 2);
    ASSERT_TRUE(switchOver());
    EXPECT_EQ(fontChecks(), 2);
}

// The second application follows its font, which names a family that is not installed.
const QByteArray UninstalledFontTree = R"({"role": "application", "name": "other", "children": [
  {"role": "frame", "name": "Document", "states": ["active"], "children": [
    {"role": "text", "name": "body", "states": ["focused", "editable"],
     "text": {"caret": 1, "attributes": {"family-name": "Nosuch Serif", "weight": "400", "style": "normal"}}}]}]})";

class AFollowedFontThatIsNotInstalled : public TwoApplications {
protected:
    AFollowedFontThatIsNotInstalled() : TwoApplications(UninstalledFontTree), accessibility(true) {}
    void SetUp() override {
        ASSERT_TRUE(accessibility.status.isRegistered() && accessibility.registry.isRegistered());
        ASSERT_TRUE(other.started());
        accessibility.registry.addApplication(other.service());
        detectFontsIn(QStringLiteral("runebox-fakeapp"));
        TwoApplications::SetUp();
    }
    // How often the palette logged the name as not found in the second application.
    int notFoundLines(const QString& name) {
        return int(copy->output().count(QStringLiteral("Could not find font \"%1\" in runebox-fakeapp").arg(name)));
    }
    // Clicks into the second application and back until the palette has asked it for its
    // font `times` times. (On a busy machine a call may run out of time, and the palette
    // then leaves the application alone for a while.)
    ::testing::AssertionResult visitOther(int times) {
        int asked = 0;
        for (int visit = 0; asked < times && visit < 4 * times; ++visit) {
            const int calls = other.callCount();
            if (!focusAndFollow(other.pid(), QStringLiteral("runebox-fakeapp")))
                return ::testing::AssertionFailure() << "the palette did not follow the second application";
            if (other.callCount() > calls) ++asked;
            if (!focusAndFollow(int(probe.pid()), QStringLiteral("runebox-probe")))
                return ::testing::AssertionFailure() << "the palette did not follow the probe";
            if (asked < times && other.callCount() == calls) rbxtest::spinEventLoop(2000);
        }
        if (asked < times) return ::testing::AssertionFailure() << "its font was asked for " << asked << " times";
        return ::testing::AssertionSuccess();
    }

    Accessibility accessibility;
};

TEST_F(AFollowedFontThatIsNotInstalled, IsLoggedOnceForEachNameAndThePaletteKeepsItsFont) {
    const QString before = fontShown();
    ASSERT_FALSE(before.isEmpty());
    // After the whole name and its guesses the single word "Nosuch" was tried last.
    ASSERT_TRUE(visitOther(3)) << copy->output().toStdString();
    EXPECT_EQ(notFoundLines(QStringLiteral("Nosuch")), 1) << copy->output().toStdString();
    EXPECT_EQ(fontShown(), before);

    // A new name is logged once too; a one-word name is tried as it is.
    ASSERT_TRUE(other.setValue(QStringLiteral("body"), QStringLiteral("text"),
                               QStringLiteral(R"({"caret": 1, "attributes": {"family-name": "Nowherefont", "weight": "400"}})")));
    ASSERT_TRUE(visitOther(2)) << copy->output().toStdString();
    EXPECT_EQ(notFoundLines(QStringLiteral("Nowherefont")), 1) << copy->output().toStdString();
    EXPECT_EQ(notFoundLines(QStringLiteral("Nosuch")), 1);
    EXPECT_EQ(fontShown(), before);
    EXPECT_EQ(Copy::state().value(QStringLiteral("sheet")).toString(), QString());  // accessibility is on: no alert
}

// The second application writes in DejaVu Sans Mono, and its font is followed.
const QByteArray MonoCaretTree = R"({"role": "application", "name": "other", "children": [
  {"role": "frame", "name": "Document", "states": ["active"], "children": [
    {"role": "text", "name": "body", "states": ["focused", "editable"],
     "text": {"caret": 1, "attributes": {"family-name": "DejaVu Sans Mono", "weight": "400", "style": "normal"}}}]}]})";

class TwoEditorsWithTheirOwnFonts : public TwoApplications {
protected:
    TwoEditorsWithTheirOwnFonts() : TwoApplications(MonoCaretTree), accessibility(true) {}
    void SetUp() override {
        ASSERT_TRUE(accessibility.status.isRegistered() && accessibility.registry.isRegistered());
        ASSERT_TRUE(other.started());
        accessibility.registry.addApplication(other.service());
        detectFontsIn(QStringLiteral("runebox-fakeapp"));
        TwoApplications::SetUp();
    }
    static bool shows(const char* family) {
        return Copy::waitForState([family](const QVariantMap& s) { return s.value(QStringLiteral("fontFamily")) == QLatin1String(family); });
    }

    Accessibility accessibility;
};

// One application's font is the one the user picks in the font list for it, the other's
// is followed; switching between them switches the palette's font.
TEST_F(TwoEditorsWithTheirOwnFonts, ThePaletteShowsTheFontOfTheApplicationInFront) {
    ASSERT_TRUE(focusAndFollow(int(probe.pid()), QStringLiteral("runebox-probe"))) << copy->output().toStdString();
    // DejaVu Serif, picked in the font list while the probe is in front.
    QRect row;
    ASSERT_TRUE(rbxtest::waitFor([&] {
        row = x11test::rectOf(Copy::debugCall(QStringLiteral("FontRowRect"), {QStringLiteral("DejaVu Serif")}));
        return !row.isEmpty();
    }, 10000));
    x11test::pointTo(row.center());
    const int ours = palettePid();
    ASSERT_TRUE(rbxtest::waitFor([ours] { return processHasKeyboardFocus(ours); }, 10000));
    x11test::click();
    ASSERT_TRUE(shows("DejaVu Serif")) << Copy::state().value(QStringLiteral("fontFamily")).toString().toStdString();

    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(focusAndFollow(other.pid(), QStringLiteral("runebox-fakeapp"))) << copy->output().toStdString();
        EXPECT_TRUE(shows("DejaVu Sans Mono")) << Copy::state().value(QStringLiteral("fontFamily")).toString().toStdString();
        ASSERT_TRUE(focusAndFollow(int(probe.pid()), QStringLiteral("runebox-probe"))) << copy->output().toStdString();
        EXPECT_TRUE(shows("DejaVu Serif")) << Copy::state().value(QStringLiteral("fontFamily")).toString().toStdString();
    }
}

bool sheetIs(const QString& name);
bool clickSheetButton(const QString& name);

// Without accessibility, font detection for the second application fails; the palette
// starts while the probe is in front.
class AFailingDetectionWhileThePaletteIsClosed : public TwoApplications {
protected:
    AFailingDetectionWhileThePaletteIsClosed() : TwoApplications(CaretTree), accessibility(false) {}
    void SetUp() override {
        ASSERT_TRUE(accessibility.status.isRegistered());
        accessibility.registry.addApplication(other.service());
        detectFontsIn(QStringLiteral("runebox-fakeapp"));
        TwoApplications::SetUp();
    }
    void beforeThePaletteStarts() override {
        x11test::pointTo(x11test::frameOf(x11test::windowOfPid(int(probe.pid()))).center());
        x11test::click();
        ASSERT_TRUE(rbxtest::waitFor([this] { return processHasKeyboardFocus(int(probe.pid())); }, 10000));
    }

    Accessibility accessibility;
};

// The closed palette does not come up with the accessibility alert when the user clicks
// into that application; open, it asks.
TEST_F(AFailingDetectionWhileThePaletteIsClosed, AsksOnlyOnceThePaletteIsOpen) {
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("front")) == QLatin1String("runebox-probe"); }));
    ASSERT_EQ(Copy::state().value(QStringLiteral("sheet")).toString(), QString());
    Copy::debugCall(QStringLiteral("Close"));
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return !Copy::visible(s); }));

    const int calls = other.callCount();
    ASSERT_TRUE(focusAndFollow(other.pid(), QStringLiteral("runebox-fakeapp"))) << copy->output().toStdString();
    rbxtest::spinEventLoop(1500);
    const QVariantMap closed = Copy::state();
    EXPECT_FALSE(Copy::visible(closed));
    EXPECT_EQ(closed.value(QStringLiteral("sheet")).toString(), QString());
    EXPECT_EQ(other.callCount(), calls);  // without accessibility the application is not asked

    // Opened by a second start, the palette looks again when the pointer comes over it (not
    // over a character, which holds detection off) once the next check is due, 1.5 s after
    // the one made on opening; then it asks.
    ASSERT_EQ(run(x11test::Runebox, {}), 0);
    ASSERT_TRUE(Copy::waitForState(Copy::visible)) << copy->output().toStdString();
    EXPECT_EQ(Copy::state().value(QStringLiteral("sheet")).toString(), QString());
    rbxtest::spinEventLoop(2000);
    const QRect field = x11test::rectOf(Copy::state().value(QStringLiteral("searchRect")));
    ASSERT_FALSE(field.isEmpty());
    x11test::pointTo(field.center());
    EXPECT_TRUE(sheetIs(QStringLiteral("axAlert"))) << copy->output().toStdString();
    x11test::pointTo(awayFromThePalette);
}

// An alert that comes by itself (the user clicked into the application whose font cannot be
// found) shows on the palette without taking the keyboard from that application: Return
// presses none of its buttons. Pointed at, it has the keyboard.
TEST_F(AFailingDetectionWhileThePaletteIsClosed, TheAlertLeavesTheKeyboardWithTheApplicationUntilPointedAt) {
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("front")) == QLatin1String("runebox-probe"); }));
    ASSERT_TRUE(focusAndFollow(other.pid(), QStringLiteral("runebox-fakeapp"))) << copy->output().toStdString();
    ASSERT_TRUE(sheetIs(QStringLiteral("axAlert"))) << copy->output().toStdString();
    X11Session& x = X11Session::shared();
    X11Session::Window alert = 0;
    ASSERT_TRUE(rbxtest::waitFor([&] {
        for (X11Session::Window w : ewmh::windowsOfPid(x, palettePid()))
            if (ewmh::windowTitle(x, w) == QLatin1String("axAlert")) alert = w;
        XWindowAttributes a{};
        return alert && XGetWindowAttributes(x.display(), alert, &a) && a.map_state == IsViewable;
    }, 10000));
    EXPECT_TRUE(processHasKeyboardFocus(other.pid())) << "the alert took the keyboard";
    EXPECT_EQ(Copy::state().value(QStringLiteral("keyboardHold")).toString(), QStringLiteral("none"));
    x11test::key(QStringLiteral("Return"));
    EXPECT_TRUE(processHasKeyboardFocus(other.pid()));
    EXPECT_EQ(Copy::state().value(QStringLiteral("sheet")).toString(), QStringLiteral("axAlert"));
    EXPECT_FALSE(accessibility.status.isEnabled());

    // Pointed at, the alert takes the keyboard; still Return presses no button.
    x11test::pointTo(x11test::frameOf(alert).center());
    ASSERT_TRUE(rbxtest::waitFor([this] { return processHasKeyboardFocus(palettePid()); }, 10000));
    x11test::key(QStringLiteral("Return"));
    EXPECT_TRUE(sheetIs(QStringLiteral("axAlert")));
    EXPECT_FALSE(accessibility.status.isEnabled());
    ASSERT_TRUE(clickSheetButton(QStringLiteral("alertAlternateButton")));
    x11test::pointTo(awayFromThePalette);
}

// The server times of the window manager's changes of the active window.
class ActiveWindowChanges {
public:
    ActiveWindowChanges() {
        X11Session& x = X11Session::shared();
        const X11Session::Atom active = x.atom("_NET_ACTIVE_WINDOW");
        x.addInputMask(x.rootWindow(), PropertyChangeMask);
        id_ = x.addEventListener(PropertyNotify, x.rootWindow(), [this, active](const XEvent& e) {
            if (e.xproperty.atom == active) times_ << qint64(e.xproperty.time);
        });
    }
    ~ActiveWindowChanges() { X11Session::shared().removeEventListener(id_); }
    void clear() {
        X11Session::shared().processPendingEvents();
        times_.clear();
    }
    int count() {
        X11Session::shared().processPendingEvents();
        return int(times_.size());
    }
    // The longest time between two changes, in milliseconds.
    qint64 longestGap() const {
        qint64 gap = 0;
        for (qsizetype i = 1; i < times_.size(); ++i) gap = std::max(gap, times_[i] - times_[i - 1]);
        return gap;
    }

private:
    X11Session::ListenerId id_ = 0;
    QList<qint64> times_;
};

// Three clicks from one application into the other within 0.3 s: the palette adapts once,
// to the last.
TEST_F(TwoApplications, AQuickRunOfFrontChangesMakesOneAdaptation) {
    ASSERT_TRUE(focusAndFollow(int(probe.pid()), QStringLiteral("runebox-probe"))) << copy->output().toStdString();
    const QPoint here = x11test::frameOf(x11test::windowOfPid(int(probe.pid()))).center();
    const QPoint there = x11test::frameOf(x11test::windowOfPid(other.pid())).center();
    auto move = [](const QPoint& p) {
        return QStringList{QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y()), QStringLiteral("click"),
                           QStringLiteral("1")};
    };
    ActiveWindowChanges changes;
    // A loaded machine may spread the clicks further apart: then the run is tried again.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int before = Copy::state().value(QStringLiteral("frontAdaptations")).toInt();
        changes.clear();
        run(QStringLiteral("xdotool"), move(there) + move(here) + move(there));
        ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("front")) == QLatin1String("runebox-fakeapp"); }))
            << copy->output().toStdString();
        ASSERT_TRUE(rbxtest::waitFor([&changes] { return changes.count() >= 3; }, 5000)) << changes.count();
        if (changes.longestGap() < 300) {
            EXPECT_EQ(Copy::state().value(QStringLiteral("frontAdaptations")).toInt(), before + 1);
            return;
        }
        ASSERT_TRUE(focusAndFollow(int(probe.pid()), QStringLiteral("runebox-probe")));
    }
    FAIL() << "the window manager never made three changes within 0.3 s";
}

// The sheet's button of that name is clicked with the mouse, once the sheet has come to
// rest under the palette's top edge; a click the sheet did not take yet is repeated.
bool clickSheetButton(const QString& name) {
    auto rectOf = [&name] {
        const QVariantList r = qdbus_cast<QVariantList>(Copy::debugCall(QStringLiteral("ControlRect"), {name}));
        return r.size() == 4 ? QRect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt()) : QRect();
    };
    for (int attempt = 0; attempt < 5; ++attempt) {
        QRect before = rectOf();
        rbxtest::spinEventLoop(300);
        const QRect now = rectOf();
        if (now.isEmpty()) return attempt > 0;  // the sheet ended with the last click
        if (now != before) continue;
        x11test::pointTo(now.center());
        x11test::click();
        if (rbxtest::waitFor([&] { return Copy::state().value(QStringLiteral("sheet")).toString().isEmpty(); }, 3000))
            return true;
    }
    return false;
}

bool sheetIs(const QString& name) {
    return Copy::waitForState([&name](const QVariantMap& s) { return s.value(QStringLiteral("sheet")).toString() == name; });
}

// Without accessibility the font cannot be found: a palette started while an editor is in
// front asks once; "Deactivate" switches detection off for that application, the other
// button switches accessibility on.
class AccessibilityAlert : public ::testing::Test {
protected:
    AccessibilityAlert() : accessibility(false), app(QStringLiteral("editor"), CaretTree) {}
    // Starts the palette with detection on for the editor, and waits for its alert.
    ::testing::AssertionResult paletteAsks() {
        if (!accessibility.status.isRegistered() || !app.started())
            return ::testing::AssertionFailure() << "the accessibility services or the editor did not start";
        accessibility.registry.addApplication(app.service());
        detectFontsIn(QStringLiteral("runebox-fakeapp"));
        x11test::pointTo(awayFromThePalette);
        copy.emplace();
        if (!sheetIs(QStringLiteral("axAlert"))) return ::testing::AssertionFailure() << copy->output().toStdString();
        return ::testing::AssertionSuccess();
    }

    Accessibility accessibility;
    FakeApp app;
    std::optional<Copy> copy;
};

TEST_F(AccessibilityAlert, DeactivateSwitchesDetectionOffForTheApplication) {
    ASSERT_TRUE(paletteAsks());
    const QVariantMap fields = qdbus_cast<QVariantMap>(Copy::debugCall(QStringLiteral("SheetFields")));
    EXPECT_TRUE(fields.value(QStringLiteral("alertMessage")).toString().contains(QStringLiteral("runebox-fakeapp")))
        << fields.value(QStringLiteral("alertMessage")).toString().toStdString();
    ASSERT_TRUE(clickSheetButton(QStringLiteral("alertAlternateButton")));
    ASSERT_TRUE(sheetIs(QString()));
    EXPECT_TRUE(rbxtest::waitFor([] { return !storedApplications().contains(QStringLiteral("automatic")); }, 10000))
        << storedApplications().toStdString();
    // Detection is off: no alert again.
    rbxtest::spinEventLoop(1000);
    EXPECT_EQ(Copy::state().value(QStringLiteral("sheet")).toString(), QString());
    EXPECT_FALSE(accessibility.status.isEnabled());
}

TEST_F(AccessibilityAlert, OpenSystemSettingsSwitchesAccessibilityOnAndClosesThePalette) {
    ASSERT_TRUE(paletteAsks());
    ASSERT_TRUE(clickSheetButton(QStringLiteral("alertDefaultButton")));
    EXPECT_TRUE(rbxtest::waitFor([&] { return accessibility.status.isEnabled(); }, 10000));
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) { return !Copy::visible(s); })) << copy->output().toStdString();
}

// With font detection on for the program of the process in front, a palette started then
// shows `font`.
void paletteFollows(int pid, const QString& font) {
    const KXProcess::Ptr process = KXProcess::processWithPID(pid);
    ASSERT_TRUE(process);
    const QString name = process->name();
    detectFontsIn(name);
    x11test::pointTo(awayFromThePalette);
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    EXPECT_TRUE(Copy::waitForState([&name](const QVariantMap& s) { return s.value(QStringLiteral("front")) == name; }));
    EXPECT_TRUE(rbxtest::waitFor([&] { return fontShown() == font; }, 15000))
        << fontShown().toStdString() << "\n" << copy.output().toStdString();
}

// A GTK text editor whose font is set tells it through the desktop's own accessibility
// service, once that is switched on; the palette follows it.
TEST(FollowingTheFrontApplication, AGtkEditorsFontIsFollowed) {
    ASSERT_EQ(x11test::switchAccessibilityOn(), QString());
    x11test::FileEditor gtk(QStringLiteral("gtk"), QStringLiteral("/usr/bin/python3"),
                            {QStringLiteral(RUNEBOX_GTK_EDITOR)}, {QStringLiteral("DejaVu Serif Bold 14")});
    ASSERT_TRUE(gtk.started());
    paletteFollows(gtk.pid(), QStringLiteral("DejaVuSerif-Bold"));
}

// Mousepad with a font of its own chosen in its preferences.
TEST(FollowingTheFrontApplication, MousepadsFontIsFollowed) {
    const QString schema = QStringLiteral("org.xfce.mousepad.preferences.view");
    ASSERT_TRUE(setGSettingsKey(schema, QStringLiteral("use-default-monospace-font"), QStringLiteral("false")));
    ASSERT_TRUE(setGSettingsKey(schema, QStringLiteral("font-name"), QStringLiteral("DejaVu Serif Bold 14")));
    ASSERT_EQ(x11test::switchAccessibilityOn(), QString());
    QProcess mousepad;
    mousepad.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    mousepad.start(QStringLiteral("mousepad"), {QStringLiteral("--disable-server")});
    ASSERT_TRUE(mousepad.waitForStarted()) << mousepad.errorString().toStdString();
    const int pid = int(mousepad.processId());
    EXPECT_TRUE(rbxtest::waitFor([pid] { return processHasKeyboardFocus(pid); }, 15000));
    paletteFollows(pid, QStringLiteral("DejaVuSerif-Bold"));
    mousepad.terminate();
    if (!mousepad.waitForFinished(3000)) mousepad.kill();
    mousepad.waitForFinished(3000);
}

} // namespace

// The About sheet and the preferences of the real runebox program, opened by URL command
// and used with the pointer and keyboard of the X server: the user's guide opens with the
// desktop's opener, the diagnostics report reaches the clipboard listing the crash
// reports; three preferences changed and cancelled are as they were, and a change made
// by another program shows in the open sheet.
#include "FakeOpener.h"
#include "SheetDriving.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace x11test;

const QString Domain = QStringLiteral("org.runebox.Runebox");
const QPoint awayFromThePalette(1100, 80);

QString setting(const QString& key) {
    QString out;
    run(Tool, {QStringLiteral("defaults"), QStringLiteral("read"), Domain, key}, &out);
    return out.trimmed();
}
int writeSetting(const QString& key, const QString& value) {
    return run(Tool, {QStringLiteral("defaults"), QStringLiteral("write"), Domain, key, value});
}

bool fieldIs(const char* name, const QVariant& value) {
    return rbxtest::waitFor([&] { return sheetFields().value(QString::fromLatin1(name)) == value; }, 10000);
}

} // namespace

TEST(AboutSheet, OpensTheGuideAndCopiesTheReportWithItsCrashes) {
    QTemporaryDir state;
    const QString crashes = state.filePath(QStringLiteral("runebox/crashes"));
    ASSERT_TRUE(QDir().mkpath(crashes));
    QFile planted(crashes + QStringLiteral("/Runebox_2026-01-02-030405.crash"));
    ASSERT_TRUE(planted.open(QIODevice::WriteOnly));
    planted.close();
    FakeOpener opener;
    QProcessEnvironment env = opener.environment();
    env.insert(QStringLiteral("XDG_STATE_HOME"), state.path());
    pointTo(awayFromThePalette);
    Copy copy({}, env);
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();

    ASSERT_EQ(url(QStringLiteral("runebox://open?sheet=about")), 0);
    ASSERT_TRUE(waitForSheet(QStringLiteral("about"))) << copy.output().toStdString();
    // The project's one version with the build number, as --version gives them.
    EXPECT_EQ(sheetFields().value(QStringLiteral("versionField")).toString(),
              QStringLiteral(RUNEBOX_VERSION " (" RUNEBOX_BUILD_NUMBER ")"));
    EXPECT_TRUE(sheetFields().value(QStringLiteral("fontCountField")).toString().contains(QStringLiteral(" families; ")));
    screenshot(QStringLiteral("about"));

    ASSERT_TRUE(clickControl(QStringLiteral("helpButton")));
    QStringList opened = opener.opened(1);
    ASSERT_EQ(opened.size(), 1) << copy.output().toStdString();
    EXPECT_TRUE(opened[0].endsWith(QStringLiteral("/Runebox User's Guide.html"))) << opened[0].toStdString();
    EXPECT_TRUE(QFile::exists(opened[0]));
    // The URL command "help" opens the same guide.
    ASSERT_EQ(url(QStringLiteral("runebox://help")), 0);
    opened = opener.opened(2);
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[1], opened[0]);

    ASSERT_TRUE(clickControl(QStringLiteral("copyDiagnosticsReportButton")));
    ASSERT_TRUE(waitForSheet(QString()));
    QString report;
    ASSERT_TRUE(rbxtest::waitFor([&] {
        report = clipboardText();
        return report.contains(QStringLiteral("\nTaps:\n"));
    }, 10000)) << report.toStdString();
    const QStringList lines = report.split(u'\n');
    EXPECT_EQ(lines.value(5), QStringLiteral("one crash: 2026-01-02-030405")) << report.toStdString();
    EXPECT_TRUE(lines.value(4).startsWith(QStringLiteral("launched: "))) << report.toStdString();
    EXPECT_EQ(lines.value(7), QStringLiteral("Taps:"));
    EXPECT_TRUE(report.contains(QStringLiteral("\nwindow positions:\n")));
}

TEST(PreferencesSheet, ThreeChangesCancelledAreAsTheyWereAndOutsideChangesShow) {
    ASSERT_EQ(writeSetting(QStringLiteral("showTooltips"), QStringLiteral("NO")), 0);
    ASSERT_EQ(writeSetting(QStringLiteral("hexHtml"), QStringLiteral("NO")), 0);
    pointTo(awayFromThePalette);
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();

    ASSERT_EQ(url(QStringLiteral("runebox://open?sheet=pref&tab=upd")), 0);
    ASSERT_TRUE(waitForSheet(QStringLiteral("preferences"))) << copy.output().toStdString();
    EXPECT_TRUE(fieldIs("preferencesTabView", 2));
    // Another program's change shows in the open sheet.
    ASSERT_EQ(writeSetting(QStringLiteral("checkForBetaVersions"), QStringLiteral("YES")), 0);
    EXPECT_TRUE(fieldIs("checkForBetaVersionsButton", true)) << copy.output().toStdString();
    ASSERT_TRUE(clickControl(QStringLiteral("preferencesOKButton")));
    ASSERT_TRUE(waitForSheet(QString()));
    EXPECT_EQ(setting(QStringLiteral("checkForBetaVersions")), QStringLiteral("1"));

    ASSERT_EQ(url(QStringLiteral("runebox://open?sheet=pref&tab=view")), 0);
    ASSERT_TRUE(waitForSheet(QStringLiteral("preferences")));
    EXPECT_TRUE(fieldIs("preferencesTabView", 1));
    EXPECT_TRUE(fieldIs("showTooltipsButton", false));
    // Three changes, each in force at once.
    ASSERT_TRUE(clickCheckBox(QStringLiteral("showTooltipsButton")));
    ASSERT_TRUE(clickCheckBox(QStringLiteral("hexHtmlButton")));
    ASSERT_TRUE(clickCheckBox(QStringLiteral("hiliteRecentButton")));
    const QString hilite = setting(QStringLiteral("hilite recent characters"));
    EXPECT_TRUE(rbxtest::waitFor([] { return setting(QStringLiteral("showTooltips")) == QLatin1String("1"); }, 10000));
    EXPECT_EQ(setting(QStringLiteral("hexHtml")), QStringLiteral("1"));
    EXPECT_TRUE(sheetFields().value(QStringLiteral("htmlNumericButton")).isValid());
    screenshot(QStringLiteral("preferences-view"));
    ASSERT_TRUE(clickControl(QStringLiteral("preferencesCancelButton")));
    ASSERT_TRUE(waitForSheet(QString()));
    EXPECT_TRUE(rbxtest::waitFor([] { return setting(QStringLiteral("showTooltips")) == QLatin1String("0"); }, 10000))
        << setting(QStringLiteral("showTooltips")).toStdString();
    EXPECT_EQ(setting(QStringLiteral("hexHtml")), QStringLiteral("0"));
    EXPECT_NE(setting(QStringLiteral("hilite recent characters")), hilite);
    // The earlier OK's value stays.
    EXPECT_EQ(setting(QStringLiteral("checkForBetaVersions")), QStringLiteral("1"));

    // Escape cancels too, on the activation tab.
    ASSERT_EQ(url(QStringLiteral("runebox://open?sheet=pref&tab=act")), 0);
    ASSERT_TRUE(waitForSheet(QStringLiteral("preferences")));
    EXPECT_TRUE(fieldIs("preferencesTabView", 0));
    ASSERT_TRUE(clickCheckBox(QStringLiteral("animateWindowButton")));
    const QString animate = setting(QStringLiteral("animate window"));
    screenshot(QStringLiteral("preferences-activation"));
    pressKey(QStringLiteral("Escape"));
    ASSERT_TRUE(waitForSheet(QString()));
    EXPECT_TRUE(rbxtest::waitFor([&] { return setting(QStringLiteral("animate window")) != animate; }, 10000));
}

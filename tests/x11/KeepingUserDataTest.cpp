// Nothing the user has is lost by the running palette: links cannot remove favourites nor
// store text that would make the settings file unreadable, a settings file another
// program empties is written whole again, a full disk costs no setting
// and no layout file (the changes are reported as not yet saved and written once there is
// room, at the latest at quit), and the clipboard the palette gave back to the user
// outlives the palette. Each runs the real runebox program.
#include "ProbeClient.h"
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"
#include "common/SmallFileSystem.h"
#include "common/TestEnvironment.h"
#include "core/KXAppSupport.h"
#include "core/Plist.h"
#include "kxlib/KXAppSettings.h"
#include "platform/defaults/DefaultsDomain.h"
#include "platform/x11/ClipboardKeeper.h"
#include "platform/x11/X11Clipboard.h"

#include <QDBusArgument>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRect>
#include <gtest/gtest.h>

namespace {

using x11test::Copy;
using x11test::run;
using x11test::Runebox;
using x11test::Tool;
using x11test::url;

const QString Domain = QStringLiteral("org.runebox.Runebox");
const QByteArray Favourites = QByteArray::fromHex("000020AC000003A9");

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// The settings a user has before the palette starts.
void userSettings() {
    const QVariantMap values{{QStringLiteral("favoriteCharacters"), Favourites},
                             {QStringLiteral("sample"), QStringLiteral("my sample")},
                             {QStringLiteral("recentLines"), QStringLiteral("3")},
                             {QStringLiteral("launchCount"), QStringLiteral("41")}};
    ASSERT_TRUE(QDir().mkpath(platform::DefaultsDomain::folderPath()));
    ASSERT_TRUE(kx::plist::writeXmlFile(platform::DefaultsDomain::pathForDomain(Domain), values));
}

QVariantMap storedSettings() { return platform::DefaultsDomain::readDomain(Domain); }

TEST(KeepingUserData, LinksNeitherRemoveFavouritesNorStoreTextTheSettingsFileCannotCarry) {
    userSettings();
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();

    QString out;
    EXPECT_EQ(run(Runebox, {QStringLiteral("runebox://pref?sample=a%00b")}, &out), 1) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("U+0000"))) << out.toStdString();
    EXPECT_EQ(run(Runebox, {QStringLiteral("runebox://pref?favoriteCharacters=&global%20recent%20characters=")}, &out), 1);
    EXPECT_TRUE(out.contains(QStringLiteral("favoriteCharacters cannot be changed by a link"))) << out.toStdString();
    EXPECT_EQ(run(Runebox, {QStringLiteral("runebox://pref?selectedFont=x%01y&recentLines=6")}, &out), 1);
    EXPECT_TRUE(out.contains(QStringLiteral("U+0001"))) << out.toStdString();
    // A link changes all it names or nothing: not even the fit change of the same link.
    EXPECT_TRUE(out.contains(QStringLiteral("nothing was changed"))) << out.toStdString();
    EXPECT_EQ(run(Runebox, {QStringLiteral("runebox://pref?formattedSize=21&bogus=1")}, &out), 1);
    EXPECT_TRUE(out.contains(QStringLiteral("no setting named \"bogus\""))) << out.toStdString();
    EXPECT_EQ(storedSettings().value(QStringLiteral("recentLines")), QVariant(QStringLiteral("3")));
    EXPECT_FALSE(storedSettings().contains(QStringLiteral("formattedSize")));

    // The file stays readable and keeps everything.
    EXPECT_EQ(run(Tool, {QStringLiteral("defaults"), QStringLiteral("read"), Domain}, &out), 0) << out.toStdString();
    const QVariantMap stored = storedSettings();
    EXPECT_EQ(stored.value(QStringLiteral("favoriteCharacters")), QVariant(Favourites));
    EXPECT_EQ(stored.value(QStringLiteral("sample")), QVariant(QStringLiteral("my sample")));
    EXPECT_FALSE(stored.contains(QStringLiteral("selectedFont")));
    EXPECT_GE(stored.value(QStringLiteral("launchCount")).toString().toInt(), 41);
    const QStringList corrupt = QDir(platform::DefaultsDomain::folderPath()).entryList({QStringLiteral("*.corrupt-*")});
    EXPECT_TRUE(corrupt.isEmpty()) << corrupt.join(u' ').toStdString();
}

// A settings file emptied by another program under the running palette is damage, not
// the removal of every setting: the next change writes back all the palette holds, and
// the emptied file is kept aside.
TEST(KeepingUserData, ASettingsFileEmptiedUnderThePaletteIsWrittenWhole) {
    userSettings();
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    {
        QFile f(platform::DefaultsDomain::pathForDomain(Domain));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    }
    QString out;
    EXPECT_EQ(run(Runebox, {QStringLiteral("runebox://pref?recentLines=13")}, &out), 0) << out.toStdString();
    const QVariantMap stored = storedSettings();
    EXPECT_EQ(stored.value(QStringLiteral("recentLines")), QVariant(QStringLiteral("13")));
    EXPECT_EQ(stored.value(QStringLiteral("favoriteCharacters")), QVariant(Favourites));
    EXPECT_EQ(stored.value(QStringLiteral("sample")), QVariant(QStringLiteral("my sample")));
    const QStringList corrupt = QDir(platform::DefaultsDomain::folderPath()).entryList({QStringLiteral("*.corrupt-*")});
    EXPECT_EQ(corrupt.size(), 1) << corrupt.join(u' ').toStdString() << copy.output().toStdString();
}

TEST(KeepingUserData, AFullDiskCostsNoSettingNorLayoutAndChangesAreSavedOnceThereIsRoom) {
    userSettings();
    const QString settingsPath = platform::DefaultsDomain::pathForDomain(Domain);
    const QByteArray settingsBefore = contents(settingsPath);
    const QString layouts = KXAppSupport::supportFolderPath() + QStringLiteral("/Layouts");
    rbxtest::SmallFileSystem settingsFs(platform::DefaultsDomain::folderPath());
    if (!settingsFs.isMounted()) GTEST_SKIP() << settingsFs.skipReason().toStdString();
    rbxtest::SmallFileSystem layoutFs(layouts);
    ASSERT_TRUE(layoutFs.isMounted()) << layoutFs.skipReason().toStdString();
    {
        QFile f(settingsPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(settingsBefore);
    }
    // A layout of the user's own, with the line ends that the palette converts at start.
    QByteArray mine("Mine\n");
    for (int i = 0; i < 60; ++i) mine += "Group " + QByteArray::number(i) + "\n0041-005A\n";
    {
        QFile f(layouts + QStringLiteral("/Mine.txt"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(mine);
    }
    ASSERT_TRUE(settingsFs.fill());
    ASSERT_TRUE(layoutFs.fill());

    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    QString out;
    EXPECT_EQ(run(Runebox, {QStringLiteral("runebox://pref?recentLines=7")}, &out), 1) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("not yet saved"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("No space left on device"))) << out.toStdString();
    // The line-end conversion comes 5 s after the start and must not empty the layout.
    rbxtest::spinEventLoop(6500);
    EXPECT_EQ(contents(layouts + QStringLiteral("/Mine.txt")), mine);
    EXPECT_EQ(contents(settingsPath), settingsBefore);
    EXPECT_TRUE(copy.output().contains(QStringLiteral("could not convert line breaks of layout Mine.txt")))
        << copy.output().toStdString();

    // Room again: the change is written by the next try, everything else kept.
    settingsFs.free();
    ASSERT_TRUE(rbxtest::waitFor([] { return storedSettings().value(QStringLiteral("recentLines")) == QStringLiteral("7"); },
                                 15000))
        << copy.output().toStdString();
    EXPECT_EQ(storedSettings().value(QStringLiteral("favoriteCharacters")), QVariant(Favourites));

    // A change made while full and not retried yet is written at quit.
    ASSERT_TRUE(settingsFs.fill());
    EXPECT_EQ(run(Runebox, {QStringLiteral("runebox://pref?recentLines=9&sample=kept%20at%20quit")}, &out), 1);
    settingsFs.free();
    ASSERT_EQ(url(QStringLiteral("runebox://quit")), 0);
    ASSERT_TRUE(copy.process().waitForFinished(10000));
    const QVariantMap stored = storedSettings();
    EXPECT_EQ(stored.value(QStringLiteral("recentLines")), QVariant(QStringLiteral("9")));
    EXPECT_EQ(stored.value(QStringLiteral("sample")), QVariant(QStringLiteral("kept at quit")));
    EXPECT_EQ(stored.value(QStringLiteral("favoriteCharacters")), QVariant(Favourites));
}

TEST(KeepingUserData, TheClipboardGivenBackAfterAnInsertionOutlivesThePalette) {
    // Pasting, not typing, into the probe; and no clipboard manager in the session.
    {
        QFile f(KXAppSettings::settingsFolder() + QStringLiteral("/probe.plist"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("{ pluginVersion = 1; \"/runebox-probe\" = { directInsertion = 0; }; }");
    }
    ProbeClient probe({QStringLiteral("--no-clipboard-utility")});
    ASSERT_TRUE(probe.started());
    ASSERT_TRUE(probe.waitForKeyboardFocus());
    static const char userBytes[] = "\x01\x02\x00\x03 user bytes";
    const QByteArray binary(userBytes, sizeof userBytes - 1);
    probe.setClipboard({{QStringLiteral("text/plain"), QByteArray("the user's copy")},
                        {QStringLiteral("application/x-probe-binary"), binary}});

    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    ASSERT_TRUE(x11test::search(QStringLiteral("euro sign"))) << copy.output().toStdString();
    ASSERT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'€').isEmpty(); }, 15000)) << copy.output().toStdString();
    ASSERT_TRUE(Copy::clickCharacter(U'€')) << copy.output().toStdString();
    ASSERT_TRUE(probe.waitForText(QStringLiteral("€"))) << copy.output().toStdString();
    // The palette gives the user's clipboard back (and owns it from then on).
    ASSERT_TRUE(rbxtest::waitFor([&probe] { return probe.clipboardData(QStringLiteral("text/plain")) == "the user's copy"; },
                                 15000));

    ASSERT_EQ(url(QStringLiteral("runebox://quit")), 0);
    ASSERT_TRUE(copy.process().waitForFinished(10000));
    EXPECT_TRUE(copy.output().contains(QStringLiteral("the clipboard is kept by"))) << copy.output().toStdString();
    EXPECT_EQ(probe.clipboardData(QStringLiteral("text/plain")), QByteArray("the user's copy"));
    EXPECT_EQ(probe.clipboardData(QStringLiteral("application/x-probe-binary")), binary);

    // A new copy by the user replaces it for good.
    probe.setClipboard({{QStringLiteral("text/plain"), QByteArray("a newer copy")}});
    EXPECT_TRUE(rbxtest::waitFor([&probe] { return probe.clipboardData(QStringLiteral("text/plain")) == "a newer copy"; },
                                 10000));
}

TEST(KeepingUserData, TheClipboardKeeperServesItsTypesUntilAnotherOwnerTakesTheClipboard) {
    const QString file = rbxtest::privateHome() + QStringLiteral("/kept");
    const QList<kx::x11::KeptType> kept{
        {QStringLiteral("text/plain"), {QByteArray("kept text"), {}, 8}},
        {QStringLiteral("application/x-big"), {QByteArray(300 * 1024, 'b'), {}, 8}},
    };
    ASSERT_TRUE(kx::x11::writeKeptClipboard(file, kept));
    QProcess keeper;
    keeper.start(QStringLiteral(RUNEBOX_BINARY_DIR "/src/runebox-clipboard-keeper"), {file});
    ASSERT_TRUE(keeper.waitForStarted());
    kx::x11::X11Clipboard reader;
    ASSERT_TRUE(rbxtest::waitFor([&reader] {
        const auto types = reader.availableTypes(500);
        return types && types->contains(QStringLiteral("application/x-big"));
    }, 10000));
    EXPECT_FALSE(QFile::exists(file));  // read and removed
    EXPECT_EQ(reader.dataForType(QStringLiteral("text/plain"), 10000).value_or(kx::x11::ClipboardData{}).bytes, QByteArray("kept text"));
    EXPECT_EQ(reader.dataForType(QStringLiteral("application/x-big"), 10000).value_or(kx::x11::ClipboardData{}).bytes, QByteArray(300 * 1024, 'b'));
    EXPECT_EQ(keeper.state(), QProcess::Running);

    // Another owner: the keeper ends.
    kx::x11::X11Clipboard taker;
    taker.declareTypes({QStringLiteral("text/plain")}, [](const QString&) {
        return std::optional<kx::x11::ClipboardData>(kx::x11::ClipboardData{QByteArray("new"), {}, 8});
    });
    EXPECT_TRUE(rbxtest::waitFor([&keeper] { return keeper.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(keeper.exitCode(), 0);

    // A file that is not one of ours is refused.
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a kept clipboard");
    }
    keeper.start(QStringLiteral(RUNEBOX_BINARY_DIR "/src/runebox-clipboard-keeper"), {file});
    ASSERT_TRUE(keeper.waitForFinished(10000));
    EXPECT_EQ(keeper.exitCode(), 1);
    EXPECT_TRUE(taker.ownsClipboard());
}

} // namespace

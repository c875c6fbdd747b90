#include "kxlib/KXUtilities.h"

#include "common/TestEnvironment.h"
#include "core/Log.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>

using V = KXUtilities::SystemVersion;

TEST(KXUtilitiesVersions, StagesOrderAndNumbersCompareByValue) {
    const QStringList ascending = {QStringLiteral("5.2d1"), QStringLiteral("5.2a1"), QStringLiteral("5.2b1"),
                                   QStringLiteral("5.2b2"), QStringLiteral("5.2f1"), QStringLiteral("5.2"),
                                   QStringLiteral("5.2.1")};
    for (int i = 0; i < ascending.size(); ++i)
        for (int j = 0; j < ascending.size(); ++j)
            EXPECT_EQ(KXUtilities::compareVersion(ascending[i], ascending[j]), i < j ? -1 : (i > j ? 1 : 0))
                << ascending[i].toStdString() << " vs " << ascending[j].toStdString();
    EXPECT_EQ(KXUtilities::compareVersion(QStringLiteral("5.2b3"), QStringLiteral("5.2b10")), -1);
    EXPECT_EQ(KXUtilities::compareVersion(QStringLiteral("5.10"), QStringLiteral("5.9")), 1);
    EXPECT_EQ(KXUtilities::compareVersion(QStringLiteral("5.2"), QStringLiteral("5.2.0")), -1);
    // A letter outside the list ranks as "p".
    EXPECT_EQ(KXUtilities::compareVersion(QStringLiteral("5.2x1"), QStringLiteral("5.2p1")), 0);
    EXPECT_EQ(KXUtilities::compareVersion(QStringLiteral("5.2x1"), QStringLiteral("5.2d1")), -1);
    // Suffixes compare as numbers, also for system versions with long suffixes.
    EXPECT_EQ(KXUtilities::compareVersion(QStringLiteral("12b9"), QStringLiteral("12b100")), -1);
    EXPECT_EQ(KXUtilities::compareVersion(QStringLiteral("22.04"), QStringLiteral("22.4")), 0);
    EXPECT_EQ(KXUtilities::compareVersion(QString(), QStringLiteral("1")), -1);

    EXPECT_EQ(KXUtilities::plainVersionOf(QStringLiteral("5.2b3")), QStringLiteral("5.2"));
    EXPECT_EQ(KXUtilities::plainVersionOf(QStringLiteral("5.2.1")), QStringLiteral("5.2.1"));
    EXPECT_EQ(KXUtilities::plainVersionOf(QStringLiteral("beta")), QString());
}

TEST(KXUtilitiesVersions, SystemVersionFromOsReleaseOrKernel) {
    EXPECT_EQ(KXUtilities::systemVersionFrom(QStringLiteral("NAME=\"Debian\"\nVERSION_ID=\"12\"\n"), QStringLiteral("6.1.0")),
              (V{12, 0, 0}));
    EXPECT_EQ(KXUtilities::systemVersionFrom(QStringLiteral("VERSION_ID=24.04\n"), QString()), (V{24, 4, 0}));
    EXPECT_EQ(KXUtilities::systemVersionFrom(QStringLiteral("VERSION_ID='3.18.4'\n"), QString()), (V{3, 18, 4}));
    // Rolling distributions have no (numeric) VERSION_ID: the kernel decides.
    EXPECT_EQ(KXUtilities::systemVersionFrom(QStringLiteral("NAME=Arch\n"), QStringLiteral("6.9.7-arch1-1")), (V{6, 9, 7}));
    EXPECT_EQ(KXUtilities::systemVersionFrom(QStringLiteral("VERSION_ID=rolling\n"), QStringLiteral("6.1.112")), (V{6, 1, 99}));
    EXPECT_EQ(KXUtilities::systemVersionFrom(QString(), QStringLiteral("garbage")), (V{0, 0, 0}));
    EXPECT_EQ(KXUtilities::decimalVersion(V{10, 13, 0}), 101300);
    EXPECT_EQ(KXUtilities::decimalVersion(V{12, 0, 0}), 120000);

    const V running = KXUtilities::threePartVersion();
    EXPECT_EQ(KXUtilities::decimalSystemVersion(), KXUtilities::decimalVersion(running));
    const QString text = KXUtilities::systemVersionString();
    EXPECT_EQ(text.count(u'.'), running.patch ? 2 : 1);
    EXPECT_TRUE(text.startsWith(QString::number(running.major) + u'.'));
}

TEST(KXUtilitiesVersions, HttpsRuleAndTheAnswerOnLinux) {
    const QString address = QStringLiteral("https://updates.example.org/feed");
    // The rule as such.
    EXPECT_EQ(KXUtilities::safeHTTPSForSystem(address, 101299, QVariant()), QStringLiteral("http://updates.example.org/feed"));
    EXPECT_EQ(KXUtilities::safeHTTPSForSystem(address, 101300, QVariant()), address);
    EXPECT_EQ(KXUtilities::safeHTTPSForSystem(address, 101200, QVariant(99999)), QStringLiteral("http://updates.example.org/feed"));
    EXPECT_EQ(KXUtilities::safeHTTPSForSystem(address, 101200, QVariant(101100)), address);
    EXPECT_EQ(KXUtilities::safeHTTPSForSystem(address, 101200, QVariant(QStringLiteral("101201"))),
              QStringLiteral("http://updates.example.org/feed"));
    EXPECT_EQ(KXUtilities::safeHTTPSForSystem(address, 101200, QVariant(110000)), QStringLiteral("http://updates.example.org/feed"));
    EXPECT_EQ(KXUtilities::safeHTTPSForSystem(QStringLiteral("ftp://x"), 1, QVariant()), QStringLiteral("ftp://x"));
    // Here an https address always stays https, whatever the system version reads as.
    EXPECT_EQ(KXUtilities::safeHTTPS(address), address);
}

TEST(KXUtilitiesSystem, ProcessorLettersAndInstallationPaths) {
    EXPECT_EQ(KXUtilities::processorTypeLetterFor(QStringLiteral("x86_64")), QStringLiteral("I"));
    EXPECT_EQ(KXUtilities::processorTypeLetterFor(QStringLiteral("i686")), QStringLiteral("I"));
    EXPECT_EQ(KXUtilities::processorTypeLetterFor(QStringLiteral("aarch64")), QStringLiteral("A"));
    EXPECT_EQ(KXUtilities::processorTypeLetterFor(QStringLiteral("armv7l")), QStringLiteral("A"));
    EXPECT_EQ(KXUtilities::processorTypeLetterFor(QStringLiteral("riscv64")), QStringLiteral("riscv64"));
    EXPECT_FALSE(KXUtilities::processorType().isEmpty());

    EXPECT_TRUE(KXUtilities::isInstallationPath(QStringLiteral("/tmp/runebox-x1/bin/runebox"), QStringLiteral("/tmp")));
    EXPECT_TRUE(KXUtilities::isInstallationPath(QStringLiteral("/var/tmp/u/runebox"), QStringLiteral("/tmp")));
    EXPECT_FALSE(KXUtilities::isInstallationPath(QStringLiteral("/usr/bin/runebox"), QStringLiteral("/tmp")));
    EXPECT_FALSE(KXUtilities::isInstallationPath(QStringLiteral("/tmpfoo/runebox"), QStringLiteral("/tmp")));
    EXPECT_FALSE(KXUtilities::isInstallationPath(QStringLiteral("/usr/bin/runebox"), QStringLiteral("/")));
}

TEST(KXUtilitiesSystem, DoNotDisturbRanges) {
    // 22:00 to 07:00 wraps midnight.
    EXPECT_TRUE(KXUtilities::currentTimeInDNDRange(1320, 420, QTime(23, 30)));
    EXPECT_TRUE(KXUtilities::currentTimeInDNDRange(1320, 420, QTime(6, 59)));
    EXPECT_FALSE(KXUtilities::currentTimeInDNDRange(1320, 420, QTime(7, 0)));
    EXPECT_FALSE(KXUtilities::currentTimeInDNDRange(1320, 420, QTime(12, 0)));
    EXPECT_TRUE(KXUtilities::currentTimeInDNDRange(600, 660, QTime(10, 0)));
    EXPECT_FALSE(KXUtilities::currentTimeInDNDRange(600, 660, QTime(11, 0)));
    EXPECT_FALSE(KXUtilities::currentTimeInDNDRange(600, 600 + 1440, QTime(10, 0)));
    // Negative values count from the end of the day: -120 is 22:00.
    EXPECT_TRUE(KXUtilities::currentTimeInDNDRange(-120, 420, QTime(23, 0)));
}

namespace {

QString writeScript(const QTemporaryDir& dir, const QString& name, const QByteArray& body) {
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("#!/bin/sh\n" + body);
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

} // namespace

TEST(KXUtilitiesScripts, ArgumentsArriveUnchangedAndOutputIsCollected) {
    QTemporaryDir dir;
    QTemporaryDir privateTemp;
    const QByteArray savedTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", privateTemp.path().toUtf8());
    const QString script = writeScript(dir, QStringLiteral("echo.sh"),
                                       "pwd\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done\necho\necho err >&2\nread x || echo no-input\n");
    // Text that a shell would act on is passed on as plain arguments.
    const QString result = KXUtilities::runShellScript(
        script, {QStringLiteral("a b"), QStringLiteral("$(touch pwned)"), QStringLiteral("; rm -rf x"), QStringLiteral("\u00e9")}, 10);
    EXPECT_EQ(result, QDir::homePath() + QStringLiteral("\n[a b][$(touch pwned)][; rm -rf x][\u00e9]\nerr\nno-input\n"));
    EXPECT_FALSE(QFile::exists(QDir::home().filePath(QStringLiteral("pwned"))));
    // The temporary output file is removed.
    EXPECT_EQ(QDir::tempPath(), privateTemp.path());
    EXPECT_TRUE(QDir(privateTemp.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    qputenv("TMPDIR", savedTemp);
}

TEST(KXUtilitiesScripts, TimeOutsEndTheScriptAndFailuresAreReported) {
    kx::LogCapture log;
    QTemporaryDir dir;
    const QString slow = writeScript(dir, QStringLiteral("slow.sh"), "echo started\nexec sleep 30\n");
    // Long enough for a loaded machine to start the shell, far shorter than the script.
    const QString result = KXUtilities::runShellScript(slow, {QStringLiteral("p1")}, 2);
    EXPECT_EQ(result, QStringLiteral("started\n"));
    EXPECT_TRUE(log.contains(QStringLiteral("script timeout: slow.sh p1")));

    const QString missing = KXUtilities::runShellScript(dir.filePath(QStringLiteral("none.sh")), {}, 1);
    EXPECT_TRUE(missing.startsWith(QStringLiteral("script none.sh failed: "))) << missing.toStdString();

    // A tilde at the start means the home folder.
    const QString home = writeScript(dir, QStringLiteral("home.sh"), "echo at-home\n");
    QFile::copy(home, QDir::home().filePath(QStringLiteral("home.sh")));
    EXPECT_EQ(KXUtilities::runShellScript(QStringLiteral("~/home.sh"), {}, 10), QStringLiteral("at-home\n"));
}

TEST(KXUtilitiesScripts, CommandResultsUseArgumentLists) {
    EXPECT_EQ(KXUtilities::shellCommandResult(QStringLiteral("printf"), {QStringLiteral("%s|"), QStringLiteral("a b"), QStringLiteral("$HOME")}),
              QStringLiteral("a b|$HOME|"));
    EXPECT_EQ(KXUtilities::shellCommandResult(QStringLiteral("/no/such/program"), {}), QString());
    kx::LogCapture log;
    EXPECT_EQ(KXUtilities::shellCommandResult(QStringLiteral("sleep"), {QStringLiteral("30")}, 0.2), QString());
    EXPECT_TRUE(log.contains(QStringLiteral("command timeout: sleep 30")));
}

TEST(KXUtilitiesSystem, ModelDatesAndFileSystems) {
    EXPECT_EQ(KXUtilities::computerModelFrom(QByteArray("ThinkPad X1 Carbon Gen 9\n"), QByteArray()),
              QStringLiteral("ThinkPad X1 Carbon Gen 9"));
    // Boards without firmware tables name themselves in the device tree (NUL-ended).
    EXPECT_EQ(KXUtilities::computerModelFrom(QByteArray("  \n"), QByteArray("Raspberry Pi 4 Model B\0junk", 27)),
              QStringLiteral("Raspberry Pi 4 Model B"));
    EXPECT_EQ(KXUtilities::computerModelFrom(QByteArray(), QByteArray()), QString());

    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    // The date as written, whatever the time zone.
    const QByteArray tz = qgetenv("TZ");
    qputenv("TZ", "America/Los_Angeles");
    EXPECT_EQ(KXUtilities::localizedDateString(QStringLiteral("2024-03-05")), QStringLiteral("3/5/24"));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(KXUtilities::localizedDateString(QStringLiteral("2024-03-05")), QStringLiteral("05.03.24"));
    for (const char* bad : {"", "2024-3-5", "2024-02-30", "yesterday", "2024-03-05T00:00"})
        EXPECT_EQ(KXUtilities::localizedDateString(QString::fromLatin1(bad)), QString()) << bad;
    QLocale::setDefault(saved);
    if (tz.isNull()) qunsetenv("TZ"); else qputenv("TZ", tz);

    EXPECT_EQ(KXUtilities::fileSystemTypeFor(QStringLiteral("/proc")), QStringLiteral("proc"));
    kx::LogCapture log;
    EXPECT_EQ(KXUtilities::fileSystemTypeFor(QStringLiteral("/no/such/folder")), QString());
    EXPECT_TRUE(log.contains(QStringLiteral("FS Info /no/such/folder")));
    EXPECT_TRUE(log.contains(QStringLiteral("statfs err = %1").arg(ENOENT)));

    // The parent of a test owns no creator code.
    EXPECT_FALSE(KXUtilities::wasLaunchedByProcess(0x52627843));  // 'RbxC'
}

TEST(KXUtilitiesSystem, DoNotDisturbAndHighContrastFromTheDesktopSettings) {
    // A stand-in for gsettings that answers what a GNOME desktop would.
    QTemporaryDir bin;
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8() + ':' + savedPath);
    auto desktop = [&](const char* banners, const char* contrast) {
        writeScript(bin, QStringLiteral("gsettings"),
                    QByteArray("case \"$2 $3\" in\n"
                               "  'org.gnome.desktop.notifications show-banners') echo ") + banners + ";;\n"
                    "  'org.gnome.desktop.a11y.interface high-contrast') echo " + contrast + ";;\n"
                    "  *) echo \"No such key\" >&2; exit 1;;\n"
                    "esac\n");
    };
    desktop("false", "true");
    EXPECT_TRUE(KXUtilities::doNotDisturbMode());
    EXPECT_TRUE(KXUtilities::reducedTransparency());
    desktop("true", "false");
    EXPECT_FALSE(KXUtilities::doNotDisturbMode());
    EXPECT_FALSE(KXUtilities::reducedTransparency());
    // No such desktop: neither.
    QFile::remove(bin.filePath(QStringLiteral("gsettings")));
    qputenv("PATH", bin.path().toUtf8());
    EXPECT_FALSE(KXUtilities::doNotDisturbMode());
    EXPECT_FALSE(KXUtilities::reducedTransparency());
    qputenv("PATH", savedPath);
}

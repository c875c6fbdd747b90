// Replacing an installed copy by a downloaded one, all or nothing, and the arguments that
// hand the work over to the installer program.
#include "common/BundleFolder.h"
#include "common/TestEnvironment.h"
#include "update/BundleReplacement.h"
#include "update/Installer.h"
#include "update/KXInstallerInterface.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

void makeBundle(const QString& path, const QByteArray& program, const QByteArray& version) {
    ASSERT_TRUE(rbxtest::writeBundle(path, program, "runebox", version));
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

} // namespace

TEST(BundleReplacementTest, TheWholeFolderIsReplacedOrNothingIs) {
    QTemporaryDir temp;
    const QString apps = temp.path() + QStringLiteral("/apps");
    const QString target = apps + QStringLiteral("/Runebox.app");
    makeBundle(target, "old", "100");
    QFile(target + QStringLiteral("/only-in-the-old")).open(QIODevice::WriteOnly);
    const QString fresh = temp.path() + QStringLiteral("/new/Runebox.app");
    makeBundle(fresh, "new", "101");
    QDir().mkpath(fresh + QStringLiteral("/lib"));
    QFile lib(fresh + QStringLiteral("/lib/part"));
    ASSERT_TRUE(lib.open(QIODevice::WriteOnly));
    lib.close();
    ASSERT_EQ(::chmod(QFile::encodeName(lib.fileName()).constData(), 0640), 0);

    // Only a folder of its own is replaced: never a shared prefix holding the same data.
    EXPECT_EQ(update::checkReplaceableInstallation(target), QString());
    makeBundle(temp.path() + QStringLiteral("/prefix"), "x", "100");
    EXPECT_NE(update::checkReplaceableInstallation(temp.path() + QStringLiteral("/prefix")), QString());
    EXPECT_NE(update::checkReplaceableInstallation(apps + QStringLiteral("/Missing.app")), QString());
    EXPECT_NE(update::replaceBundle(fresh, temp.path() + QStringLiteral("/prefix"), QStringLiteral("101")), QString());
    EXPECT_EQ(contents(temp.path() + QStringLiteral("/prefix/bin/runebox")), QByteArray("x"));

    // Another version than the one offered: nothing changes.
    EXPECT_NE(update::replaceBundle(fresh, target, QStringLiteral("102")), QString());
    EXPECT_EQ(contents(target + QStringLiteral("/bin/runebox")), QByteArray("old"));

    ASSERT_EQ(update::replaceBundle(fresh, target, QStringLiteral("101")), QString());
    EXPECT_EQ(contents(target + QStringLiteral("/bin/runebox")), QByteArray("new"));
    EXPECT_TRUE(QFileInfo(target + QStringLiteral("/bin/runebox")).isExecutable());
    EXPECT_FALSE(QFileInfo::exists(target + QStringLiteral("/only-in-the-old")));
    struct stat st{};
    ASSERT_EQ(::stat(QFile::encodeName(target + QStringLiteral("/lib/part")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(entries(apps), QStringList{QStringLiteral("Runebox.app")});

    // A copy that cannot be copied whole (a special file in it): the installation stays.
    makeBundle(fresh, "newer", "101");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fresh + QStringLiteral("/share/pipe")).constData(), 0600), 0);
    EXPECT_NE(update::replaceBundle(fresh, target, QStringLiteral("101")), QString());
    EXPECT_EQ(contents(target + QStringLiteral("/bin/runebox")), QByteArray("new"));
    EXPECT_EQ(entries(apps), QStringList{QStringLiteral("Runebox.app")});
}

TEST(InstallerTest, ArgumentsOfTheHandOver) {
    KXInstallerInterface handOver;
    handOver.addArgument(QStringLiteral("Runebox"), QStringLiteral("productName"));
    handOver.addArgument(QString(), QStringLiteral("iconPath"));
    handOver.addArgument(QStringLiteral("/tmp/x/Runebox.app"), QStringLiteral("sourcePath"));
    handOver.addArgument(QStringLiteral("/opt/Runebox.app/"), QStringLiteral("targetPath"));
    handOver.addArgument(QStringLiteral("7"), QStringLiteral("completionQuit"));
    EXPECT_EQ(handOver.arguments(), (QStringList{QStringLiteral("-productName"), QStringLiteral("Runebox"),
                                                 QStringLiteral("-sourcePath"), QStringLiteral("/tmp/x/Runebox.app"),
                                                 QStringLiteral("-targetPath"), QStringLiteral("/opt/Runebox.app/"),
                                                 QStringLiteral("-completionQuit"), QStringLiteral("7")}));
    InstallerArguments parsed;
    ASSERT_EQ(InstallerArguments::parse(handOver.arguments() + QStringList{QStringLiteral("-unknown"), QStringLiteral("x")}, &parsed),
              QString());
    EXPECT_EQ(parsed.targetPath, QStringLiteral("/opt/Runebox.app"));
    EXPECT_EQ(parsed.completionQuit, 7.0);
    InstallerArguments bad;
    EXPECT_NE(InstallerArguments::parse({QStringLiteral("-sourcePath")}, &bad), QString());
    EXPECT_NE(InstallerArguments::parse({QStringLiteral("-sourcePath"), QStringLiteral("/a.app")}, &bad), QString());
    EXPECT_NE(InstallerArguments::parse({QStringLiteral("-sourcePath"), QStringLiteral("a.app"), QStringLiteral("-targetPath"),
                                         QStringLiteral("/b.app")}, &bad), QString());
}

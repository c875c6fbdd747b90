#include "core/KXAppSupport.h"
#include "core/Log.h"
#include "core/Plist.h"

#include "common/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {
void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}
QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

TEST(KXAppSupport, SupportFolderLivesInTheUsersDataFolder) {
    const QString path = KXAppSupport::supportFolderPath();
    EXPECT_EQ(path, rbxtest::privateHome() + QStringLiteral("/data/Runebox"));
    EXPECT_TRUE(QFileInfo(path).isDir());
}

TEST(KXAppSupport, SubfoldersAreMadeComponentByComponent) {
    const QString path = KXAppSupport::makeSupportSubfolder(QStringLiteral("Outer/Inner"));
    EXPECT_EQ(path, KXAppSupport::supportFolderPath() + QStringLiteral("/Outer/Inner"));
    EXPECT_TRUE(QFileInfo(path).isDir());
    // Climbing out of the support folder is not possible.
    EXPECT_EQ(KXAppSupport::makeSupportSubfolder(QStringLiteral("../../Escape")),
              KXAppSupport::supportFolderPath() + QStringLiteral("/Escape"));
}

TEST(KXAppSupport, AFileInTheWayIsMovedAsideNotDeleted) {
    const QString base = KXAppSupport::supportFolderPath();
    writeFile(base + QStringLiteral("/Blocked"), "precious");
    writeFile(base + QStringLiteral("/Blocked.moved-aside-1"), "older");
    kx::LogCapture capture;
    const QString path = KXAppSupport::makeSupportSubfolder(QStringLiteral("Blocked/Deeper"));
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_EQ(readBytes(base + QStringLiteral("/Blocked.moved-aside-1")), QByteArray("older"));
    EXPECT_EQ(readBytes(base + QStringLiteral("/Blocked.moved-aside-2")), QByteArray("precious"));
    EXPECT_TRUE(capture.contains(QStringLiteral("Blocked.moved-aside-2")));

    // The support folder itself.
    QDir(base).removeRecursively();
    writeFile(base, "not a folder");
    EXPECT_EQ(KXAppSupport::supportFolderPath(), base);
    EXPECT_TRUE(QFileInfo(base).isDir());
    EXPECT_EQ(readBytes(base + QStringLiteral(".moved-aside-1")), QByteArray("not a folder"));
    QFile::remove(base + QStringLiteral(".moved-aside-1"));
}

TEST(KXAppSupport, ALinkToAFolderIsFollowed) {
    const QString base = KXAppSupport::supportFolderPath();
    const QString target = rbxtest::privateHome() + QStringLiteral("/elsewhere");
    QDir().mkpath(target);
    ASSERT_TRUE(QFile::link(target, base + QStringLiteral("/Linked")));
    const QString path = KXAppSupport::makeSupportSubfolder(QStringLiteral("Linked/Inside"));
    EXPECT_TRUE(QFileInfo(target + QStringLiteral("/Inside")).isDir());
    EXPECT_TRUE(QFileInfo(base + QStringLiteral("/Linked")).isSymLink());
    EXPECT_EQ(path, base + QStringLiteral("/Linked/Inside"));
}

TEST(KXAppSupport, PreferencesFilesWithSystemFallback) {
    const QString name = QStringLiteral("Test Prefs.plist");
    EXPECT_FALSE(KXAppSupport::objectForKeyInPreferences(QStringLiteral("a"), name).isValid());

    // A system-wide file answers what the user's lacks.
    QVariantMap system;
    system.insert(QStringLiteral("a"), QStringLiteral("system a"));
    system.insert(QStringLiteral("b"), QStringLiteral("system b"));
    const QString systemFolder = KXAppSupport::systemSupportFolders().value(0);
    ASSERT_FALSE(systemFolder.isEmpty());
    ASSERT_TRUE(kx::plist::writeXmlFile(systemFolder + u'/' + name, system));
    EXPECT_EQ(KXAppSupport::objectForKeyInPreferences(QStringLiteral("a"), name).toString(),
              QStringLiteral("system a"));

    ASSERT_TRUE(KXAppSupport::setObjectForKeyInPreferences(QStringLiteral("user a"), QStringLiteral("a"), name));
    ASSERT_TRUE(KXAppSupport::setObjectForKeyInPreferences(qint64(3), QStringLiteral("n"), name));
    EXPECT_EQ(KXAppSupport::objectForKeyInPreferences(QStringLiteral("a"), name).toString(),
              QStringLiteral("user a"));
    EXPECT_EQ(KXAppSupport::objectForKeyInPreferences(QStringLiteral("b"), name).toString(),
              QStringLiteral("system b"));
    EXPECT_EQ(KXAppSupport::objectForKeyInPreferences(QStringLiteral("n"), name).toLongLong(), 3);

    ASSERT_TRUE(KXAppSupport::setObjectForKeyInPreferences(QVariant(), QStringLiteral("a"), name));
    EXPECT_EQ(KXAppSupport::objectForKeyInPreferences(QStringLiteral("a"), name).toString(),
              QStringLiteral("system a"));

    KXAppSupport::deletePreferencesFile(name);
    EXPECT_FALSE(QFileInfo::exists(KXAppSupport::supportFolderPath() + u'/' + name));
    EXPECT_FALSE(KXAppSupport::objectForKeyInPreferences(QStringLiteral("n"), name).isValid());
    QFile::remove(systemFolder + u'/' + name);
}

TEST(KXAppSupport, UnreadablePreferencesAreKeptAndNeverCrash) {
    const QString base = KXAppSupport::supportFolderPath();
    const QString name = QStringLiteral("Broken.plist");
    writeFile(base + u'/' + name, "{ unterminated = ");
    kx::LogCapture capture;
    EXPECT_FALSE(KXAppSupport::objectForKeyInPreferences(QStringLiteral("k"), name).isValid());
    ASSERT_TRUE(KXAppSupport::setObjectForKeyInPreferences(QStringLiteral("v"), QStringLiteral("k"), name));
    EXPECT_EQ(KXAppSupport::objectForKeyInPreferences(QStringLiteral("k"), name).toString(), QStringLiteral("v"));
    EXPECT_EQ(readBytes(base + u'/' + name + QStringLiteral(".unreadable-1")), QByteArray("{ unterminated = "));
    // A folder is not a preferences file and is not deleted.
    QDir().mkpath(base + QStringLiteral("/Folder.plist"));
    EXPECT_FALSE(KXAppSupport::objectForKeyInPreferences(QStringLiteral("k"), QStringLiteral("Folder.plist")).isValid());
    KXAppSupport::deletePreferencesFile(QStringLiteral("Folder.plist"));
    EXPECT_TRUE(QFileInfo(base + QStringLiteral("/Folder.plist")).isDir());
}

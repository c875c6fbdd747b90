#include "kxlib/KXLoginPrefs.h"

#include "kxlib/KXUtilities.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class LoginItems : public ::testing::Test {
protected:
    void SetUp() override {
        QDir(KXLoginPrefs::autostartFolder()).removeRecursively();
        QDir().mkpath(KXLoginPrefs::autostartFolder());
        me = QCoreApplication::applicationFilePath();
        namePart = QFileInfo(me).fileName().left(6);
    }
    void TearDown() override { QDir(KXLoginPrefs::autostartFolder()).removeRecursively(); }

    void writeEntry(const QString& file, const QString& exec) {
        QFile f(KXLoginPrefs::autostartFolder() + u'/' + file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=x\nExec=%1\n").arg(exec).toUtf8());
    }
    QStringList entries() const {
        return QDir(KXLoginPrefs::autostartFolder()).entryList({QStringLiteral("*.desktop")}, QDir::Files, QDir::Name);
    }
    QString otherCopy(const QString& folder) const { return folder + u'/' + QFileInfo(me).fileName(); }

    QString me;
    QString namePart;
};

} // namespace

TEST_F(LoginItems, StaleItemsOfOtherCopiesAreReplacedByOneForThisCopy) {
    writeEntry(QStringLiteral("a-old.desktop"), otherCopy(QStringLiteral("/opt/old")));
    writeEntry(QStringLiteral("b-older.desktop"), QStringLiteral("env A=1 \"%1\" %U").arg(otherCopy(QStringLiteral("/opt/older copy"))));
    writeEntry(QStringLiteral("editor.desktop"), QStringLiteral("/usr/bin/some-editor --minimized"));

    KXLoginPrefs::updateLoginItems(true, namePart, me);
    EXPECT_EQ(entries().size(), 2);
    EXPECT_TRUE(entries().contains(QStringLiteral("editor.desktop")));
    EXPECT_EQ(KXLoginPrefs::findAppInLoginItems(namePart), me);
    // Case is ignored when matching the name part.
    EXPECT_EQ(KXLoginPrefs::findAppInLoginItems(namePart.toUpper()), me);

    // Running it again changes nothing.
    const QStringList before = entries();
    KXLoginPrefs::updateMyselfInLoginItems(true, true, namePart);
    EXPECT_EQ(entries(), before);

    // Not wanted: this copy's item goes, the foreign one stays.
    KXLoginPrefs::updateLoginItems(false, namePart, me);
    EXPECT_EQ(entries(), QStringList{QStringLiteral("editor.desktop")});
    EXPECT_EQ(KXLoginPrefs::findAppInLoginItems(namePart), QString());
}

TEST_F(LoginItems, NotWantedAndAbsentAddsNothing) {
    KXLoginPrefs::updateLoginItems(false, namePart, me);
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_EQ(KXLoginPrefs::findAppInLoginItems(namePart), QString());
}

TEST_F(LoginItems, DeletingRemovesEveryItemOfThePath) {
    const QString path = otherCopy(QStringLiteral("/opt/x"));
    ASSERT_TRUE(KXLoginPrefs::addAppAsLoginItem(path));
    ASSERT_TRUE(KXLoginPrefs::addAppAsLoginItem(path));
    EXPECT_EQ(entries().size(), 2);
    writeEntry(QStringLiteral("z.desktop"), QStringLiteral("/opt/x/../x/") + QFileInfo(me).fileName());
    EXPECT_TRUE(KXLoginPrefs::deleteAppFromLoginItem(path));
    EXPECT_TRUE(entries().isEmpty());
}

TEST_F(LoginItems, WrittenEntriesStartTheProgramWithTheMarker) {
    QTemporaryDir dir;
    const QString odd = dir.path() + QStringLiteral("/we ird \"name\" $HOME `x` 100% \\ end");
    ASSERT_TRUE(KXLoginPrefs::addAppAsLoginItem(odd));
    ASSERT_EQ(entries().size(), 1);
    QFile f(KXLoginPrefs::autostartFolder() + u'/' + entries().first());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(text.startsWith(QStringLiteral("[Desktop Entry]\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nType=Application\n")));
    const qsizetype at = text.indexOf(QStringLiteral("\nExec=")) + 6;
    const QString exec = text.mid(at, text.indexOf(u'\n', at) - at);
    EXPECT_EQ(KXLoginPrefs::execArguments(exec),
              (QStringList{QStringLiteral("env"), QStringLiteral("RUNEBOX_LAUNCHED_AS_LOGIN_ITEM=1"), odd}));
    EXPECT_EQ(KXLoginPrefs::findAppInLoginItems(QStringLiteral("we ird")), odd);
}

TEST(LoginItemExec, ArgumentsFollowTheDesktopEntryRules) {
    EXPECT_EQ(KXLoginPrefs::execArguments(QStringLiteral("/usr/bin/app %U --flag")),
              (QStringList{QStringLiteral("/usr/bin/app"), QStringLiteral("--flag")}));
    EXPECT_EQ(KXLoginPrefs::execArguments(QStringLiteral("\"/a b/c\" \"\" 50%%")),
              (QStringList{QStringLiteral("/a b/c"), QString(), QStringLiteral("50%")}));
    EXPECT_EQ(KXLoginPrefs::execArguments(QStringLiteral("\"a\\\\\\\\b\" x\\sy")),
              (QStringList{QStringLiteral("a\\b"), QStringLiteral("x"), QStringLiteral("y")}));
    EXPECT_TRUE(KXLoginPrefs::execArguments(QString()).isEmpty());
}

TEST(LoginItemLaunch, TheMarkerIsReadOnceAndNotPassedOn) {
    qputenv(KXLoginPrefs::launchMarkerVariable().constData(), "1");
    EXPECT_TRUE(KXUtilities::wasLaunchedAsLoginItem());
    EXPECT_FALSE(qEnvironmentVariableIsSet(KXLoginPrefs::launchMarkerVariable().constData()));
    EXPECT_TRUE(KXUtilities::wasLaunchedAsLoginItem());
}

// The installation folders, the checks of a downloaded copy and the release-notes chain against a
// server on this machine.
#include "common/LocalHttpServer.h"
#include "common/TestEnvironment.h"
#include "update/InstallFolders.h"
#include "update/ReleaseNotes.h"
#include "update/UnpackedBundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using rbxtest::HttpAnswer;
using rbxtest::LocalHttpServer;

namespace {

struct Collected : update::NotesReceiver {
    void receive(const update::NotesPiece& p) override {
        if (p.kind == update::NotesPiece::LanguageNote) pieces << QStringLiteral("note");
        else if (p.kind == update::NotesPiece::Heading) pieces << QStringLiteral("# ") + p.text;
        else pieces << p.text;
    }
    QStringList pieces;
};

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(InstallFoldersTest, OnlyOurOwnFoldersAreRemoved) {
    QTemporaryDir temp;
    const QString made = update::makeInstallFolder(temp.path());
    ASSERT_FALSE(made.isEmpty());
    EXPECT_TRUE(update::isOwnInstallFolder(made, temp.path()));
    QDir().mkpath(made + QStringLiteral("/Runebox.app/bin"));
    // Another program's folder with the same item, and a link to a folder of ours.
    const QString foreign = temp.path() + QStringLiteral("/other-install-abcdef");
    QDir().mkpath(foreign + QStringLiteral("/Runebox.app"));
    const QString kept = temp.path() + QStringLiteral("/keep");
    writeFile(kept + QStringLiteral("/Runebox.app/precious"), "data");
    const QString link = update::installFolderPrefix(temp.path()) + QStringLiteral("link00");
    ASSERT_TRUE(QFile::link(kept, link));
    const QString inside = update::makeInstallFolder(temp.path());
    ASSERT_TRUE(QFile::link(kept, inside + QStringLiteral("/Runebox.app")));

    EXPECT_EQ(update::removeInstallationRelics(QStringLiteral("Runebox.app"), temp.path()), 1);
    EXPECT_FALSE(QFileInfo::exists(made));
    EXPECT_TRUE(QFileInfo::exists(foreign));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(kept + QStringLiteral("/Runebox.app/precious")));
    EXPECT_TRUE(QFileInfo::exists(inside));
    EXPECT_FALSE(update::removeInstallFolder(kept, temp.path()));
    EXPECT_TRUE(QFileInfo::exists(kept));
}

TEST(ReleaseNotesTest, TheChainWithItsLimits) {
    LocalHttpServer server;
    const QString base = server.baseUrl() + QStringLiteral("whatsnew/");
    server.serve(QStringLiteral("/whatsnew/103-DE.txt"), HttpAnswer::failure(404));
    server.serve(QStringLiteral("/whatsnew/103.txt"), HttpAnswer::text("102-EN\r\nFaster\r\n\r\nSmaller\r\n"));
    server.serve(QStringLiteral("/whatsnew/102-EN.txt"), HttpAnswer::text("100\nFixed\n"));
    Collected c;
    EXPECT_EQ(update::readReleaseNotes(QStringLiteral("103-DE"), base, QStringLiteral("100"), c), 2);
    EXPECT_EQ(c.pieces, (QStringList{QStringLiteral("note"), QStringLiteral("# 103"), QStringLiteral("\u2022\tFaster\n\u2022\tSmaller\n"),
                                     QStringLiteral("# 102-EN"), QStringLiteral("\u2022\tFixed\n")}));
    // 100 is the running version: never asked.
    EXPECT_EQ(server.countOf(QStringLiteral("/whatsnew/100.txt")), 0);
    // A file naming itself stops after one pass; an endless chain stops at the cap.
    server.serve(QStringLiteral("/whatsnew/110.txt"), HttpAnswer::text("110\nSame\n"));
    Collected self;
    EXPECT_EQ(update::readReleaseNotes(QStringLiteral("110"), base, QStringLiteral("100"), self), 1);
    for (int v = 200; v < 300; ++v)
        server.serve(QStringLiteral("/whatsnew/%1.txt").arg(v), HttpAnswer::text(QByteArray::number(v + 1) + "\nx\n"));
    Collected endless;
    EXPECT_EQ(update::readReleaseNotes(QStringLiteral("200"), base, QStringLiteral("100"), endless, 50), 50);
    // A key that tries to leave the folder stays one file name.
    server.serve(QStringLiteral("/whatsnew/120.txt"), HttpAnswer::text("130/../../secret\nx\n"));
    Collected escape;
    update::readReleaseNotes(QStringLiteral("120"), base, QStringLiteral("100"), escape);
    EXPECT_EQ(server.countOf(QStringLiteral("/secret.txt")), 0);
}

TEST(UnpackedBundleTest, AnInstallationTheUserMayNotChange) {
    QTemporaryDir install;
    QDir().mkpath(install.path() + QStringLiteral("/bin"));
    EXPECT_TRUE(update::canInstallInto(install.path()));
    EXPECT_FALSE(update::canInstallInto(install.path() + QStringLiteral("/missing")));
    if (::getuid() == 0) return;  // the superuser may change any folder
    QFile::setPermissions(install.path() + QStringLiteral("/bin"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    EXPECT_FALSE(update::canInstallInto(install.path()));
    QFile::setPermissions(install.path() + QStringLiteral("/bin"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// The download window, the installation folders, the checks of a downloaded copy and the release-notes chain against a
// server on this machine.
#include "common/LocalHttpServer.h"
#include "common/TestEnvironment.h"
#include "update/archive/ArchiveSignature.h"
#include "update/InstallFolders.h"
#include "update/KXDownloadController.h"
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

class DownloadTest : public ::testing::Test {
protected:
    // Outside an event loop a deferred deletion waits for one: deliver it here.
    static void cancelAndWait(QPointer<KXDownloadController>& d) {
        ASSERT_TRUE(d);
        d->cancel();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_TRUE(d.isNull());
    }
    void SetUp() override {
        folder = update::makeInstallFolder(temp.path());
        ASSERT_FALSE(folder.isEmpty());
    }
    // "Runebox.app.zip" made with Python's zipfile, holding the given files.
    QByteArray archive(const QMap<QString, QByteArray>& files) {
        QTemporaryDir src;
        for (auto it = files.begin(); it != files.end(); ++it) writeFile(src.path() + u'/' + it.key(), it.value());
        QFile::setPermissions(src.path() + QStringLiteral("/Runebox.app/bin/runebox"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        const QString zip = src.path() + QStringLiteral("/out.zip");
        const rbxtest::ProgramRun r = rbxtest::runProgram(
            QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("cd '%1' && python3 -m zipfile -c out.zip Runebox.app").arg(src.path())});
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        QFile f(zip);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    // The signature of the bytes with the tests' key, which a test build accepts.
    QString signatureOf(const QByteArray& bytes) {
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("a.zip")), bytes);
        const update::SignedArchive s = update::signArchive(dir.filePath(QStringLiteral("a.zip")),
                                                            rbxtest::testData(QStringLiteral("update/test-signing-key.pem")));
        EXPECT_TRUE(s.error.isEmpty()) << s.error.toStdString();
        return QString::fromLatin1(s.signature.toBase64());
    }
    KXDownloadController* start(const HttpAnswer& answer, const QString& installLocation, bool signedArchive = true) {
        server.serve(QStringLiteral("/Runebox.app.zip"), answer);
        KXDownloadController* d = KXDownloadController::downloadController();
        d->setDownloadURL(QUrl(server.baseUrl() + QStringLiteral("Runebox.app.zip")));
        d->setDownloadFolder(folder);
        d->setChecks({QStringLiteral("101"), QString(), signedArchive ? signatureOf(answer.body) : QString(),
                      installLocation, temp.path()});
        d->startDownload();
        return d;
    }
    QTemporaryDir temp;
    QString folder;
    LocalHttpServer server;
};

TEST_F(DownloadTest, AGoodCopyIsUnpackedAndStarted) {
    const QString marker = temp.path() + QStringLiteral("/started");
    HttpAnswer a = HttpAnswer::text(archive({{QStringLiteral("Runebox.app/bin/runebox"), ("#!/bin/sh\necho \"$PWD\" > '" + marker + "'\n").toUtf8()},
                                            {QStringLiteral("Runebox.app/share/runebox/Info.plist"),
                                             "<plist><dict><key>CFBundleExecutable</key><string>runebox</string>"
                                             "<key>CFBundleVersion</key><string>101</string></dict></plist>"}}));
    a.omitLength = true;
    a.pieces = 4;
    a.pauseMs = 50;
    QTemporaryDir install;
    QDir().mkpath(install.path() + QStringLiteral("/bin"));
    QPointer<KXDownloadController> d = start(a, install.path());
    bool indeterminate = false;
    EXPECT_TRUE(rbxtest::waitFor([&] {
        if (d && d->findChild<QProgressBar*>()->maximum() == 0) indeterminate = true;
        return d.isNull();
    }, 20000));
    EXPECT_TRUE(indeterminate);
    EXPECT_TRUE(rbxtest::waitFor([&] { return QFileInfo::exists(marker); }));
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/Runebox.app/bin/runebox")));
}

TEST_F(DownloadTest, FailuresLeaveNothingBehind) {
    const QString marker = temp.path() + QStringLiteral("/started");
    const QByteArray good = archive({{QStringLiteral("Runebox.app/bin/runebox"), ("#!/bin/sh\necho \"$PWD\" > '" + marker + "'\n").toUtf8()},
                                     {QStringLiteral("Runebox.app/share/runebox/Info.plist"),
                                      "<plist><dict><key>CFBundleExecutable</key><string>runebox</string>"
                                      "<key>CFBundleVersion</key><string>101</string></dict></plist>"}});
    // A good copy without its signature.
    QPointer<KXDownloadController> unsignedCopy = start(HttpAnswer::text(good), temp.path(), false);
    EXPECT_TRUE(rbxtest::waitFor([&] { return !QFileInfo::exists(folder); }, 20000));
    ASSERT_TRUE(unsignedCopy);
    EXPECT_EQ(unsignedCopy->findChild<QLabel*>(QStringLiteral("downloadMessage"))->text(), QStringLiteral("Download failed."));
    cancelAndWait(unsignedCopy);
    EXPECT_FALSE(QFileInfo::exists(marker));
    // A damaged archive.
    folder = update::makeInstallFolder(temp.path());
    QPointer<KXDownloadController> d = start(HttpAnswer::text("PK\x03\x04 not really a zip"), temp.path());
    EXPECT_TRUE(rbxtest::waitFor([&] { return !QFileInfo::exists(folder); }, 20000));
    ASSERT_TRUE(d);
    EXPECT_EQ(d->findChild<QLabel*>(QStringLiteral("downloadMessage"))->text(), QStringLiteral("Decompression failed."));
    cancelAndWait(d);
    // A copy of another program, and an installation the user may not change.
    const QByteArray other = archive({{QStringLiteral("Runebox.app/bin/runebox"), "#!/bin/sh\n"},
                                      {QStringLiteral("Runebox.app/share/runebox/Info.plist"),
                                       "<plist><dict><key>CFBundleExecutable</key><string>evil</string></dict></plist>"}});
    folder = update::makeInstallFolder(temp.path());
    d = start(HttpAnswer::text(other), temp.path());
    EXPECT_TRUE(rbxtest::waitFor([&] { return !QFileInfo::exists(folder); }, 20000));
    cancelAndWait(d);
    // The connection breaks off; then a cancelled download.
    folder = update::makeInstallFolder(temp.path());
    HttpAnswer broken = HttpAnswer::text(QByteArray(100000, 'z'));
    broken.breakOff = true;
    d = start(broken, temp.path());
    EXPECT_TRUE(rbxtest::waitFor([&] { return !QFileInfo::exists(folder); }, 20000));
    EXPECT_EQ(d->findChild<QLabel*>(QStringLiteral("downloadMessage"))->text(), QStringLiteral("Download failed."));
    cancelAndWait(d);
    folder = update::makeInstallFolder(temp.path());
    HttpAnswer slow = HttpAnswer::text(QByteArray(100000, 'z'));
    slow.pieces = 50;
    slow.pauseMs = 100;
    d = start(slow, temp.path());
    rbxtest::spinEventLoop(300);
    cancelAndWait(d);
    EXPECT_FALSE(QFileInfo::exists(folder));
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

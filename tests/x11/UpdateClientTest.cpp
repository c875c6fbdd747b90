// The update client of the real runebox program against an update server on this
// machine (the hidden setting "updateServer" points at it), used with the pointer and
// keyboard of the X server: "Check Now" in the preferences offers the new version, its
// release notes show, the download runs with a progress bar and hands over to the
// unpacked copy; the new-version alert's buttons; a cancelled download, a damaged
// archive and an installation the user may not change leave nothing behind and start
// nothing.
#include "SheetDriving.h"
#include "common/LocalHttpServer.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace x11test;
using rbxtest::HttpAnswer;
using rbxtest::LocalHttpServer;

const QString Domain = QStringLiteral("org.runebox.Runebox");
const QPoint awayFromThePalette(1100, 80);
const QString ArchivePath = QStringLiteral("/downloads/products/runeboxx/Runebox.app.zip");

int writeSetting(const QString& key, const QString& value) {
    return run(Tool, {QStringLiteral("defaults"), QStringLiteral("write"), Domain, key, value});
}
QString setting(const QString& key) {
    QString out;
    run(Tool, {QStringLiteral("defaults"), QStringLiteral("read"), Domain, key}, &out);
    return out.trimmed();
}

QVariantMap windowFields(const QString& window) {
    return qdbus_cast<QVariantMap>(Copy::debugCall(QStringLiteral("WindowFields"), {window}));
}
bool windowShows(const QString& window, const QString& field, const QString& text, int ms = 20000) {
    return rbxtest::waitFor([&] { return windowFields(window).value(field).toString().contains(text); }, ms);
}
bool sheetShows(const QString& field, const QString& text, int ms = 20000) {
    return rbxtest::waitFor([&] { return sheetFields().value(field).toString().contains(text); }, ms);
}

QByteArray feed(const QString& version) {
    return QStringLiteral("<?xml version=\"1.0\"?><XML_DIZ_INFO><Program_Info><Program_Version>%1</Program_Version>"
                          "<Program_Release_Year>2026</Program_Release_Year><Program_Release_Month>11</Program_Release_Month>"
                          "<Program_Release_Day>2</Program_Release_Day></Program_Info></XML_DIZ_INFO>")
        .arg(version)
        .toUtf8();
}

// A folder for one test: the update server, the program's temporary folder ("tmp") and
// the archive of version 101, whose program writes where it was started and with what.
class UpdateSession {
public:
    UpdateSession() {
        QDir(dir.path()).mkpath(QStringLiteral("tmp"));
        marker = dir.path() + QStringLiteral("/handed-over");
        server.serve(QStringLiteral("/vck/runeboxx.xml"), HttpAnswer::text(feed(QStringLiteral("101"))));
        server.serve(QStringLiteral("/whatsnew/runeboxx/101-EN.txt"),
                     HttpAnswer::text("100\nFinds characters by their shape\n\nSmaller downloads\n"));
    }
    QString tmp() const { return dir.path() + QStringLiteral("/tmp"); }
    QProcessEnvironment environment() const {
        QProcessEnvironment env;
        env.insert(QStringLiteral("TMPDIR"), tmp());
        return env;
    }
    // The zip archive "Runebox.app.zip" of the given files, made with Python's zipfile.
    QByteArray archive(const QByteArray& program, const QByteArray& executableName) const {
        QTemporaryDir src;
        const QString app = src.path() + QStringLiteral("/Runebox.app");
        QDir().mkpath(app + QStringLiteral("/bin"));
        QDir().mkpath(app + QStringLiteral("/share/runebox"));
        QFile exe(app + QStringLiteral("/bin/runebox"));
        EXPECT_TRUE(exe.open(QIODevice::WriteOnly));
        exe.write(program);
        exe.close();
        exe.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFile info(app + QStringLiteral("/share/runebox/Info.plist"));
        EXPECT_TRUE(info.open(QIODevice::WriteOnly));
        info.write("<plist><dict><key>CFBundleExecutable</key><string>" + executableName +
                   "</string><key>CFBundleVersion</key><string>101</string></dict></plist>");
        info.close();
        const rbxtest::ProgramRun r = rbxtest::runProgram(
            QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"), QStringLiteral("cd '%1' && python3 -m zipfile -c out.zip Runebox.app").arg(src.path())});
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        QFile zip(src.path() + QStringLiteral("/out.zip"));
        EXPECT_TRUE(zip.open(QIODevice::ReadOnly));
        return zip.readAll();
    }
    QByteArray goodArchive() const {
        return archive("#!/bin/sh\necho \"$PWD\" > '" + marker.toUtf8() + "'\n", "runebox");
    }
    // Served slowly, so that the progress shows (and a click can cancel it).
    void serveSlowly(const QByteArray& body) {
        HttpAnswer a = HttpAnswer::text(body);
        a.pieces = 50;
        a.pauseMs = 250;
        server.serve(ArchivePath, a);
    }
    // Serves the good archive slowly, points the program at the server and the pointer
    // away from where the palette opens.
    bool prepare() {
        serveSlowly(goodArchive());
        const bool written = writeSetting(QStringLiteral("updateServer"), server.baseUrl()) == 0;
        pointTo(awayFromThePalette);
        return written;
    }
    bool tmpIsEmpty() const { return QDir(tmp()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }

    QTemporaryDir dir;
    LocalHttpServer server;
    QString marker;
};

// Asks for a check through the URL command as another program would; the alert comes up.
bool checkAndAlert() {
    if (url(QStringLiteral("runebox://vcheck?background=1")) != 0) return false;
    return waitForSheet(QStringLiteral("versionAlert"));
}

} // namespace

TEST(UpdateClient, CheckNowOffersTheNewVersionWithItsNotesDownloadsItAndHandsItOver) {
    UpdateSession session;
    ASSERT_TRUE(session.prepare());
    Copy copy({}, session.environment());
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    // Nothing went to the server at start-up.
    EXPECT_TRUE(session.server.requestedPaths().isEmpty());

    ASSERT_EQ(url(QStringLiteral("runebox://open?sheet=pref&tab=upd")), 0);
    ASSERT_TRUE(waitForSheet(QStringLiteral("preferences"))) << copy.output().toStdString();
    EXPECT_TRUE(controlRect(QStringLiteral("updateDownloadButton")).isEmpty());
    ASSERT_TRUE(clickControl(QStringLiteral("checkUpdatesNowButton")));
    ASSERT_TRUE(sheetShows(QStringLiteral("updateStatusField"), QStringLiteral("New version 101 is available.")))
        << sheetFields().value(QStringLiteral("updateStatusField")).toString().toStdString() << copy.output().toStdString();
    EXPECT_TRUE(sheetFields().value(QStringLiteral("updateStatusField")).toString().contains(QStringLiteral(":\n")));
    EXPECT_EQ(session.server.countOf(QStringLiteral("/vck/runeboxx.xml")), 1);

    // The release notes, from the preferences.
    ASSERT_TRUE(clickControl(QStringLiteral("updateWhatsNewButton")));
    ASSERT_TRUE(waitForSheet(QString()));
    ASSERT_TRUE(windowShows(QStringLiteral("WhatsNew"), QStringLiteral("whatsNewText"), QStringLiteral("Smaller downloads")))
        << copy.output().toStdString();
    const QVariantMap notes = windowFields(QStringLiteral("WhatsNew"));
    EXPECT_TRUE(notes.value(QStringLiteral("whatsNewText")).toString().startsWith(QStringLiteral("101-EN\n\u2022\tFinds characters by their shape")));
    EXPECT_EQ(notes.value(QStringLiteral("whatsNewMessage")).toString(),
              QStringLiteral("runebox 101 contains the following improvements:"));
    EXPECT_EQ(notes.value(QStringLiteral("whatsNewSkipButton")), QVariant());
    EXPECT_EQ(session.server.countOf(QStringLiteral("/whatsnew/runeboxx/100.txt")), 0);
    screenshot(QStringLiteral("update-whatsnew"));

    // Downloaded with a progress bar, unpacked and handed over.
    ASSERT_TRUE(clickControl(QStringLiteral("whatsNewDownloadButton")));
    EXPECT_TRUE(windowShows(QStringLiteral("DownloadProgress"), QStringLiteral("downloadMessage"),
                            QStringLiteral("Downloading Runebox.")));
    bool partway = false;
    EXPECT_TRUE(rbxtest::waitFor([&] {
        const QVariantList bar =
            qdbus_cast<QVariantList>(windowFields(QStringLiteral("DownloadProgress")).value(QStringLiteral("downloadProgress")));
        partway = bar.size() == 2 && bar[1].toInt() == 100 && bar[0].toInt() > 0 && bar[0].toInt() < 100;
        return partway;
    }, 20000)) << copy.output().toStdString();
    ASSERT_TRUE(rbxtest::waitFor([&] { return QFile::exists(session.marker); }, 30000)) << copy.output().toStdString();
    QFile marker(session.marker);
    ASSERT_TRUE(marker.open(QIODevice::ReadOnly));
    const QString startedIn = QString::fromUtf8(marker.readAll()).trimmed();
    EXPECT_TRUE(startedIn.startsWith(session.tmp() + QStringLiteral("/runebox-install-"))) << startedIn.toStdString();
    EXPECT_TRUE(startedIn.endsWith(QStringLiteral("/Runebox.app"))) << startedIn.toStdString();
    EXPECT_TRUE(rbxtest::waitFor([&] { return windowFields(QStringLiteral("DownloadProgress")).isEmpty(); }));
    EXPECT_FALSE(Copy::visible(Copy::state()));
}

TEST(UpdateClient, TheAlertsAnswersAndDownloadsThatLeaveNothingBehind) {
    UpdateSession session;
    ASSERT_TRUE(session.prepare());
    Copy copy({}, session.environment());
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();

    // Return does not download: it answers "Not Now", which does nothing.
    ASSERT_TRUE(checkAndAlert()) << copy.output().toStdString();
    EXPECT_TRUE(sheetShows(QStringLiteral("alertMessage"), QStringLiteral("A newer version of runebox is available.")));
    EXPECT_TRUE(sheetShows(QStringLiteral("alertInformative"), QStringLiteral("The latest version of runebox is 101")));
    pointTo(controlRect(QStringLiteral("alertNotNowButton")).center());
    pressKey(QStringLiteral("Return"));
    ASSERT_TRUE(waitForSheet(QString()));
    rbxtest::spinEventLoop(500);
    EXPECT_TRUE(windowFields(QStringLiteral("DownloadProgress")).isEmpty());

    // "Download and Install", then "Cancel" half-way: the download folder goes.
    ASSERT_TRUE(checkAndAlert());
    ASSERT_TRUE(clickControl(QStringLiteral("alertDefaultButton")));
    ASSERT_TRUE(windowShows(QStringLiteral("DownloadProgress"), QStringLiteral("downloadMessage"), QStringLiteral("Downloading")));
    EXPECT_TRUE(rbxtest::waitFor([&] { return !session.tmpIsEmpty(); }));
    ASSERT_TRUE(clickControl(QStringLiteral("downloadButton")));
    EXPECT_TRUE(rbxtest::waitFor([&] { return windowFields(QStringLiteral("DownloadProgress")).isEmpty(); }));
    EXPECT_TRUE(rbxtest::waitFor([&] { return session.tmpIsEmpty(); })) << copy.output().toStdString();

    // A damaged archive: "Decompression failed.", nothing started, nothing left.
    session.server.serve(ArchivePath, HttpAnswer::text("PK\x03\x04 this is no archive"));
    ASSERT_TRUE(checkAndAlert());
    ASSERT_TRUE(clickControl(QStringLiteral("alertDefaultButton")));
    ASSERT_TRUE(windowShows(QStringLiteral("DownloadProgress"), QStringLiteral("downloadMessage"),
                            QStringLiteral("Decompression failed."))) << copy.output().toStdString();
    EXPECT_TRUE(session.tmpIsEmpty());
    ASSERT_TRUE(clickControl(QStringLiteral("downloadButton")));  // "Close"
    EXPECT_TRUE(rbxtest::waitFor([&] { return windowFields(QStringLiteral("DownloadProgress")).isEmpty(); }));

    // A copy of another program: refused after unpacking, removed, never started.
    session.server.serve(ArchivePath, HttpAnswer::text(session.archive(
        "#!/bin/sh\necho started > '" + session.marker.toUtf8() + "'\n", "other")));
    ASSERT_TRUE(checkAndAlert());
    ASSERT_TRUE(clickControl(QStringLiteral("alertDefaultButton")));
    ASSERT_TRUE(windowShows(QStringLiteral("DownloadProgress"), QStringLiteral("downloadMessage"),
                            QStringLiteral("damaged"))) << copy.output().toStdString();
    EXPECT_TRUE(session.tmpIsEmpty());
    ASSERT_TRUE(clickControl(QStringLiteral("downloadButton")));
    EXPECT_FALSE(QFile::exists(session.marker));

    // "Skip Version 101": the next check offers nothing.
    ASSERT_TRUE(checkAndAlert());
    ASSERT_TRUE(clickControl(QStringLiteral("alertAlternateButton")));
    ASSERT_TRUE(waitForSheet(QString()));
    EXPECT_EQ(setting(QStringLiteral("versionToSkip")), QStringLiteral("101"));
    const int feeds = session.server.countOf(QStringLiteral("/vck/runeboxx.xml"));
    ASSERT_EQ(url(QStringLiteral("runebox://vcheck?background=1")), 0);
    EXPECT_TRUE(rbxtest::waitFor([&] { return session.server.countOf(QStringLiteral("/vck/runeboxx.xml")) > feeds; }));
    rbxtest::spinEventLoop(1000);
    EXPECT_EQ(attachedSheet(), QString());
    EXPECT_FALSE(QFile::exists(session.marker));
}

TEST(UpdateClient, AnInstallationTheUserMayNotChangeIsLeftAsItIs) {
    UpdateSession session;
    ASSERT_TRUE(session.prepare());
    // This copy of the program is installed in a folder nobody may change.
    const QString bin = session.dir.path() + QStringLiteral("/installed/bin");
    ASSERT_TRUE(QDir().mkpath(bin));
    ASSERT_EQ(run(QStringLiteral("ln"), {Runebox, bin + QStringLiteral("/runebox")}), 0);
    ASSERT_EQ(run(QStringLiteral("chattr"), {QStringLiteral("+i"), bin}), 0);
    struct Unlock {
        QString path;
        ~Unlock() { run(QStringLiteral("chattr"), {QStringLiteral("-i"), path}); }
    } unlock{bin};
    QProcess copy;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(session.environment());
    env.insert(QStringLiteral("RUNEBOX_DEBUG_STATE"), QStringLiteral("1"));
    copy.setProcessEnvironment(env);
    copy.setProcessChannelMode(QProcess::MergedChannels);
    copy.start(bin + QStringLiteral("/runebox"), {});
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.readAll().toStdString();

    ASSERT_TRUE(checkAndAlert());
    ASSERT_TRUE(clickControl(QStringLiteral("alertDefaultButton")));
    ASSERT_TRUE(windowShows(QStringLiteral("DownloadProgress"), QStringLiteral("downloadMessage"),
                            QStringLiteral("cannot be installed"), 40000)) << copy.readAll().toStdString();
    EXPECT_TRUE(session.tmpIsEmpty());
    EXPECT_FALSE(QFile::exists(session.marker));
    EXPECT_EQ(QDir(bin).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("runebox")});
    copy.terminate();
    copy.waitForFinished(5000);
}

// The update client of the real runebox program against an update server on this
// machine (the hidden setting "updateServer" points at it), used with the pointer and
// keyboard of the X server: "Check Now" in the preferences offers the new version, its
// release notes show, the download runs with a progress bar and hands over to the
// unpacked copy; the new-version alert's buttons; a cancelled download, a damaged
// archive and an installation the user may not change leave nothing behind and start
// nothing. An installed copy (a folder "Runebox.app" of its own) is replaced by the
// installer, which starts the new one; a wrong checksum and a failed replacement leave it
// as it was. An archive that is not signed with the key the program holds, or that would
// unpack beyond its budget or outside its folder, is neither unpacked nor started. The
// download window comes back where the user left it.
#include "SheetDriving.h"
#include "common/BundleFolder.h"
#include "common/LocalHttpServer.h"
#include "common/ZipArchive.h"
#include "update/archive/UpdateKey.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <csignal>
#include <sys/stat.h>

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

QByteArray feed(const QString& version, const QByteArray& sha256 = {}, const QByteArray& signature = {}) {
    QString sums;
    if (!sha256.isEmpty())
        sums += QStringLiteral("<Program_Archive_SHA256>%1</Program_Archive_SHA256>").arg(QString::fromLatin1(sha256));
    if (!signature.isEmpty())
        sums += QStringLiteral("<Program_Archive_Ed25519>%1</Program_Archive_Ed25519>").arg(QString::fromLatin1(signature));
    return QStringLiteral("<?xml version=\"1.0\"?><XML_DIZ_INFO><Program_Info><Program_Version>%1</Program_Version>"
                          "<Program_Release_Year>2026</Program_Release_Year><Program_Release_Month>11</Program_Release_Month>"
                          "<Program_Release_Day>2</Program_Release_Day>%2</Program_Info></XML_DIZ_INFO>")
        .arg(version, sums)
        .toUtf8();
}

// The archive's signature as runebox-tool makes it with the key in the file.
QByteArray signatureOf(const QByteArray& archive,
                       const QString& key = QStringLiteral(RUNEBOX_TEST_DATA "/update/test-signing-key.pem")) {
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("archive.zip")));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(archive) == archive.size());
    f.close();
    QString out;
    EXPECT_EQ(run(Tool, {QStringLiteral("sign"), f.fileName(), key}, &out), 0);
    return out.trimmed().toLatin1();
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

// The processes whose program is `path`, or with `under` one in that folder (from /proc).
enum class Match { Program, Under };
QList<int> processesRunning(const QString& path, Match match = Match::Program) {
    QList<int> pids;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const int pid = entry.toInt(&ok);
        if (!ok) continue;
        const QString exe = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
        if (match == Match::Program ? exe == path : exe.startsWith(path + u'/')) pids << pid;
    }
    return pids;
}
bool processGone(int pid) { return !QFileInfo::exists(QStringLiteral("/proc/%1/exe").arg(pid)); }

// The visible top-level window of that title: its inside on the screen; empty when none.
QRect windowNamed(const QString& title) {
    QString ids;
    run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                                    QStringLiteral("^%1$").arg(title)}, &ids);
    const QString id = ids.split(u'\n', Qt::SkipEmptyParts).value(0).trimmed();
    if (id.isEmpty() || !id.at(0).isDigit()) return {};
    QString g;
    run(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), id}, &g);
    const QStringList pos = g.section(QStringLiteral("Position: "), 1).section(u' ', 0, 0).split(u',');
    const QStringList size = g.section(QStringLiteral("Geometry: "), 1).trimmed().split(u'x');
    if (pos.size() != 2 || size.size() != 2) return {};
    return QRect(pos[0].toInt(), pos[1].toInt(), size[0].toInt(), size[1].toInt());
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
        EXPECT_TRUE(rbxtest::writeBundle(src.path() + QStringLiteral("/Runebox.app"), program, executableName, "101"));
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
        const QByteArray good = goodArchive();
        server.serve(QStringLiteral("/vck/runeboxx.xml"), HttpAnswer::text(feed(QStringLiteral("101"), {}, signatureOf(good))));
        serveSlowly(good);
        const bool written = writeSetting(QStringLiteral("updateServer"), server.baseUrl()) == 0;
        pointTo(awayFromThePalette);
        return written;
    }
    bool tmpIsEmpty() const { return QDir(tmp()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }
    // Serves `archive` at once, offered by a feed that gives `sha256` and `signature` for it.
    void offer(const QByteArray& archive, const QByteArray& sha256, const QByteArray& signature) {
        server.serve(QStringLiteral("/vck/runeboxx.xml"), HttpAnswer::text(feed(QStringLiteral("101"), sha256, signature)));
        server.serve(ArchivePath, HttpAnswer::text(archive));
    }
    // The same signed with the tests' key, with the program pointed at the server.
    bool serveOffer(const QByteArray& archive, const QByteArray& sha256) {
        offer(archive, sha256, signatureOf(archive));
        pointTo(awayFromThePalette);
        return writeSetting(QStringLiteral("updateServer"), server.baseUrl()) == 0;
    }
    // This program installed as a folder of its own, "<dir>/apps/Runebox.app", with the
    // installer beside it (the bundle data comes from RUNEBOX_RESOURCES).
    QString apps() const { return dir.path() + QStringLiteral("/apps"); }
    QString installedCopy() const {
        const QString app = apps() + QStringLiteral("/Runebox.app");
        EXPECT_TRUE(QDir().mkpath(app + QStringLiteral("/bin")));
        EXPECT_TRUE(QDir().mkpath(app + QStringLiteral("/share/runebox")));
        EXPECT_EQ(run(QStringLiteral("ln"), {Runebox, app + QStringLiteral("/bin/runebox")}), 0);
        EXPECT_EQ(run(QStringLiteral("ln"), {Installer, app + QStringLiteral("/bin/runebox-installer")}), 0);
        EXPECT_TRUE(QFile::copy(QStringLiteral(RUNEBOX_SOURCE_RESOURCES "/Info.plist"),
                                app + QStringLiteral("/share/runebox/Info.plist")));
        return app;
    }
    // Starts the installed copy as the user would, with the debug state on the bus. Its
    // output, and that of the programs it starts, which outlive it, goes to a file.
    void start(QProcess& copy, const QString& app) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(environment());
        env.insert(QStringLiteral("RUNEBOX_DEBUG_STATE"), QStringLiteral("1"));
        copy.setProcessEnvironment(env);
        copy.setProcessChannelMode(QProcess::MergedChannels);
        copy.setStandardOutputFile(log());
        copy.start(app + QStringLiteral("/bin/runebox"), {});
    }
    QString log() const { return dir.path() + QStringLiteral("/output.log"); }
    std::string output() const { return contents(log()).toStdString(); }

    QTemporaryDir dir;
    LocalHttpServer server;
    QString marker;
};

// A file attribute (chattr's "i": nothing may change; "a": may only be added to) on a
// folder while the object lives.
class FolderAttribute {
public:
    FolderAttribute(const QString& folder, char attribute) : folder_(folder), attribute_(QChar::fromLatin1(attribute)) {
        set_ = run(QStringLiteral("chattr"), {u'+' + attribute_, folder_}) == 0;
    }
    ~FolderAttribute() {
        if (set_) run(QStringLiteral("chattr"), {u'-' + attribute_, folder_});
    }
    FolderAttribute(const FolderAttribute&) = delete;
    FolderAttribute& operator=(const FolderAttribute&) = delete;
    bool isSet() const { return set_; }

private:
    QString folder_;
    QString attribute_;
    bool set_ = false;
};

// Asks for a check through the URL command as another program would; the alert comes up.
bool checkAndAlert() {
    if (url(QStringLiteral("runebox://vcheck?background=1")) != 0) return false;
    return waitForSheet(QStringLiteral("versionAlert"));
}

// The archives of the new version are signed with the tests' key, which only a test
// build's programs accept.
class UpdateClient : public ::testing::Test {
protected:
    void SetUp() override {
        if (!update::isTestKeyBuild()) GTEST_SKIP() << "a release build accepts only updates signed with the release key";
    }
};

} // namespace

TEST_F(UpdateClient, CheckNowOffersTheNewVersionWithItsNotesDownloadsItAndHandsItOver) {
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
    // The shell makes the file before it writes the line: the line is complete with its end.
    ASSERT_TRUE(rbxtest::waitFor([&] { return contents(session.marker).endsWith('\n'); }, 30000))
        << copy.output().toStdString();
    const QString startedIn = QString::fromUtf8(contents(session.marker)).trimmed();
    EXPECT_TRUE(startedIn.startsWith(session.tmp() + QStringLiteral("/runebox-install-"))) << startedIn.toStdString();
    EXPECT_TRUE(startedIn.endsWith(QStringLiteral("/Runebox.app"))) << startedIn.toStdString();
    EXPECT_TRUE(rbxtest::waitFor([&] { return windowFields(QStringLiteral("DownloadProgress")).isEmpty(); }));
    EXPECT_FALSE(Copy::visible(Copy::state()));
}

TEST_F(UpdateClient, TheAlertsAnswersAndDownloadsThatLeaveNothingBehind) {
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
    session.offer("PK\x03\x04 this is no archive", {}, signatureOf("PK\x03\x04 this is no archive"));
    ASSERT_TRUE(checkAndAlert());
    ASSERT_TRUE(clickControl(QStringLiteral("alertDefaultButton")));
    ASSERT_TRUE(windowShows(QStringLiteral("DownloadProgress"), QStringLiteral("downloadMessage"),
                            QStringLiteral("Decompression failed."))) << copy.output().toStdString();
    EXPECT_TRUE(session.tmpIsEmpty());
    ASSERT_TRUE(clickControl(QStringLiteral("downloadButton")));  // "Close"
    EXPECT_TRUE(rbxtest::waitFor([&] { return windowFields(QStringLiteral("DownloadProgress")).isEmpty(); }));

    // A copy of another program: refused after unpacking, removed, never started.
    const QByteArray other = session.archive("#!/bin/sh\necho started > '" + session.marker.toUtf8() + "'\n", "other");
    session.offer(other, {}, signatureOf(other));
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

// Each of these archives ends in "Download failed.": nothing of it is unpacked or
// started, and its download folder goes.
TEST_F(UpdateClient, ArchivesUnsignedBadlySignedOverTheirBudgetOrLeavingTheFolderAreRefused) {
    UpdateSession session;
    const QByteArray good = session.goodArchive();
    const QByteArray starts = "#!/bin/sh\necho started > '" + session.marker.toUtf8() + "'\n";
    const rbxtest::ZipEntry program{QStringLiteral("Runebox.app/bin/runebox"), starts, 0100755};
    const rbxtest::ZipEntry info{QStringLiteral("Runebox.app/share/runebox/Info.plist"),
                                 "<plist><dict><key>CFBundleExecutable</key><string>runebox</string>"
                                 "<key>CFBundleVersion</key><string>101</string></dict></plist>"};
    // A small archive that unpacks to 256 MiB, far more than 20 times its size.
    const QByteArray bomb =
        rbxtest::zipArchive({program, info, {QStringLiteral("Runebox.app/share/runebox/names"), {}, 0100644, qint64(256) << 20}});
    const QByteArray escape = rbxtest::zipArchive({program, info, {QStringLiteral("Runebox.app/../../../escaped.sh"), starts, 0100755}});
    ASSERT_FALSE(bomb.isEmpty());
    ASSERT_LT(bomb.size(), 1 << 20);
    ASSERT_FALSE(escape.isEmpty());
    const struct {
        const char* what;
        QByteArray archive;
        QByteArray signature;
    } cases[] = {
        {"unsigned", good, {}},
        {"signed with another key", good, signatureOf(good, QStringLiteral(RUNEBOX_TEST_DATA "/update/other-signing-key.pem"))},
        {"signed for other bytes", good, signatureOf(escape)},
        {"a zip bomb", bomb, signatureOf(bomb)},
        {"a name that leaves the folder", escape, signatureOf(escape)},
    };
    session.offer(good, {}, {});
    pointTo(awayFromThePalette);
    ASSERT_EQ(writeSetting(QStringLiteral("updateServer"), session.server.baseUrl()), 0);
    Copy copy({}, session.environment());
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        session.offer(c.archive, {}, c.signature);
        ASSERT_TRUE(checkAndAlert()) << copy.output().toStdString();
        ASSERT_TRUE(clickControl(QStringLiteral("alertDefaultButton")));
        ASSERT_TRUE(windowShows(QStringLiteral("DownloadProgress"), QStringLiteral("downloadMessage"),
                                QStringLiteral("Download failed."), 40000)) << copy.output().toStdString();
        EXPECT_TRUE(session.tmpIsEmpty());
        ASSERT_TRUE(clickControl(QStringLiteral("downloadButton")));  // "Close"
        EXPECT_TRUE(rbxtest::waitFor([&] { return windowFields(QStringLiteral("DownloadProgress")).isEmpty(); }));
        EXPECT_FALSE(QFile::exists(session.marker));
        EXPECT_FALSE(QFile::exists(session.dir.filePath(QStringLiteral("escaped.sh"))));
        EXPECT_FALSE(QFile::exists(session.tmp() + QStringLiteral("/escaped.sh")));
    }
}

// "Release Notes" in the alert shows the new version's notes, with the palette out of
// their way and nothing downloaded; the notes' own button skips the version.
TEST_F(UpdateClient, TheAlertsReleaseNotesButtonShowsTheNotes) {
    UpdateSession session;
    ASSERT_TRUE(session.prepare());
    Copy copy({}, session.environment());
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    ASSERT_TRUE(checkAndAlert()) << copy.output().toStdString();
    ASSERT_TRUE(clickControl(QStringLiteral("alertOtherButton")));
    ASSERT_TRUE(waitForSheet(QString()));
    ASSERT_TRUE(windowShows(QStringLiteral("WhatsNew"), QStringLiteral("whatsNewText"), QStringLiteral("Smaller downloads")))
        << copy.output().toStdString();
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) { return !Copy::visible(s); }));
    EXPECT_TRUE(windowFields(QStringLiteral("DownloadProgress")).isEmpty());
    ASSERT_TRUE(clickControl(QStringLiteral("whatsNewSkipButton")));
    EXPECT_TRUE(rbxtest::waitFor([] { return setting(QStringLiteral("versionToSkip")) == QLatin1String("101"); }));
    EXPECT_TRUE(session.tmpIsEmpty());
}

TEST_F(UpdateClient, AnInstallationTheUserMayNotChangeIsLeftAsItIs) {
    UpdateSession session;
    ASSERT_TRUE(session.prepare());
    // This copy of the program is installed in a folder nobody may change.
    const QString installed = session.dir.path() + QStringLiteral("/installed");
    const QString bin = installed + QStringLiteral("/bin");
    ASSERT_TRUE(QDir().mkpath(bin));
    ASSERT_EQ(run(QStringLiteral("ln"), {Runebox, bin + QStringLiteral("/runebox")}), 0);
    const FolderAttribute unchangeable(bin, 'i');
    ASSERT_TRUE(unchangeable.isSet());
    QProcess copy;
    session.start(copy, installed);
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << session.output();

    ASSERT_TRUE(checkAndAlert());
    ASSERT_TRUE(clickControl(QStringLiteral("alertDefaultButton")));
    ASSERT_TRUE(windowShows(QStringLiteral("DownloadProgress"), QStringLiteral("downloadMessage"),
                            QStringLiteral("cannot be installed"), 40000)) << session.output();
    EXPECT_TRUE(session.tmpIsEmpty());
    EXPECT_FALSE(QFile::exists(session.marker));
    EXPECT_EQ(QDir(bin).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("runebox")});
    copy.terminate();
    copy.waitForFinished(5000);
}

namespace {

// Ends a copy that the installer started (not a child of the test): asks it to quit as
// another program would, and waits until it is gone.
void quitStartedCopy(int pid) {
    url(QStringLiteral("runebox://quit"));
    if (!rbxtest::waitFor([&] { return processGone(pid); }, 15000)) ::kill(pid, SIGKILL);
}

ino_t inodeOf(const QString& path) {
    struct stat st{};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

} // namespace

TEST_F(UpdateClient, TheInstallerReplacesTheInstalledCopyAndStartsTheNewOne) {
    UpdateSession session;
    // The new copy's program notes where it was started and goes on as this program.
    const QByteArray archive =
        session.archive("#!/bin/sh\necho \"$PWD $$\" > '" + session.marker.toUtf8() + "'\nexec '" + Runebox.toUtf8() + "'\n",
                        "runebox");
    ASSERT_TRUE(session.serveOffer(archive, QCryptographicHash::hash(archive, QCryptographicHash::Sha256).toHex()));
    const QString app = session.installedCopy();
    QProcess old;
    session.start(old, app);
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << session.output();

    // "Check Now" and "Download and Install" in the preferences' update tab.
    ASSERT_EQ(url(QStringLiteral("runebox://open?sheet=pref&tab=upd")), 0);
    ASSERT_TRUE(waitForSheet(QStringLiteral("preferences")));
    ASSERT_TRUE(clickControl(QStringLiteral("checkUpdatesNowButton")));
    ASSERT_TRUE(sheetShows(QStringLiteral("updateStatusField"), QStringLiteral("New version 101 is available.")))
        << session.output();
    ASSERT_TRUE(clickControl(QStringLiteral("updateDownloadButton")));

    // The installer has the old copy quit, puts the new one in its place and starts it there.
    ASSERT_TRUE(rbxtest::waitFor([&] { return contents(session.marker).endsWith('\n'); }, 60000)) << session.output();
    EXPECT_TRUE(old.state() == QProcess::NotRunning || old.waitForFinished(10000)) << session.output();
    const QStringList started = QString::fromUtf8(contents(session.marker)).trimmed().split(u' ');
    ASSERT_EQ(started.size(), 2);
    EXPECT_EQ(started[0], app);
    const int startedPid = started[1].toInt();
    EXPECT_TRUE(contents(app + QStringLiteral("/bin/runebox")).startsWith("#!/bin/sh"));
    EXPECT_TRUE(contents(app + QStringLiteral("/share/runebox/Info.plist")).contains("<string>101</string>"));
    EXPECT_EQ(QDir(session.apps()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{QStringLiteral("Runebox.app")});
    EXPECT_TRUE(rbxtest::waitFor([&] { return session.tmpIsEmpty(); }));
    // The started copy is up and tells the installer so, which then ends.
    EXPECT_TRUE(Copy::waitForState(Copy::shownAndPainted, 30000)) << session.output();
    EXPECT_TRUE(rbxtest::waitFor([&] { return processesRunning(session.dir.path(), Match::Under).isEmpty(); }, 30000));
    quitStartedCopy(startedPid);
}

TEST_F(UpdateClient, AReplacementThatFailsLeavesTheInstalledCopyWholeAndRunning) {
    UpdateSession session;
    ASSERT_TRUE(session.serveOffer(session.goodArchive(), {}));
    const QString app = session.installedCopy();
    const QByteArray info = contents(app + QStringLiteral("/share/runebox/Info.plist"));
    // The installation's folder may be added to but not moved: the last step fails.
    const FolderAttribute onlyAddedTo(app, 'a');
    ASSERT_TRUE(onlyAddedTo.isSet());
    QProcess old;
    session.start(old, app);
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << session.output();
    ASSERT_TRUE(checkAndAlert());
    ASSERT_TRUE(clickControl(QStringLiteral("alertDefaultButton")));

    // The installer says so; once the user has read it, the old copy runs again.
    QRect failure;
    ASSERT_TRUE(rbxtest::waitFor([&] { return !(failure = windowNamed(QStringLiteral("Runebox Installer"))).isEmpty(); }, 60000))
        << session.output();
    EXPECT_TRUE(old.state() == QProcess::NotRunning || old.waitForFinished(10000)) << session.output();
    EXPECT_EQ(inodeOf(app + QStringLiteral("/bin/runebox")), inodeOf(Runebox));
    EXPECT_EQ(inodeOf(app + QStringLiteral("/bin/runebox-installer")), inodeOf(Installer));
    EXPECT_EQ(contents(app + QStringLiteral("/share/runebox/Info.plist")), info);
    EXPECT_EQ(QDir(session.apps()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{QStringLiteral("Runebox.app")});
    EXPECT_TRUE(session.tmpIsEmpty());
    EXPECT_FALSE(QFile::exists(session.marker));
    screenshot(QStringLiteral("installer-failure"));
    const QList<int> installer = processesRunning(app + QStringLiteral("/bin/runebox-installer"));
    ASSERT_EQ(installer.size(), 1);
    EXPECT_TRUE(rbxtest::waitFor([&] { return activePid() == installer.first(); }));
    pressKey(QStringLiteral("Return"));
    EXPECT_TRUE(rbxtest::waitFor([&] { return windowNamed(QStringLiteral("Runebox Installer")).isEmpty(); }, 10000));
    EXPECT_TRUE(rbxtest::waitFor([&] { return processesRunning(app + QStringLiteral("/bin/runebox-installer")).isEmpty(); }));
    QList<int> again;
    EXPECT_TRUE(rbxtest::waitFor([&] { return !(again = processesRunning(app + QStringLiteral("/bin/runebox"))).isEmpty(); }));
    EXPECT_TRUE(Copy::waitForState(Copy::shownAndPainted, 30000)) << session.output();
    for (const int pid : again) quitStartedCopy(pid);
}

TEST_F(UpdateClient, AWrongChecksumInstallsNothingAndTheWindowComesBackWhereItWasLeft) {
    UpdateSession session;
    ASSERT_TRUE(session.serveOffer(session.goodArchive(), QByteArray(64, '0')));
    Copy copy({}, session.environment());
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    ASSERT_TRUE(checkAndAlert());
    ASSERT_TRUE(clickControl(QStringLiteral("alertDefaultButton")));
    ASSERT_TRUE(windowShows(QStringLiteral("DownloadProgress"), QStringLiteral("downloadMessage"), QStringLiteral("Download failed.")))
        << copy.output().toStdString();
    EXPECT_TRUE(session.tmpIsEmpty());
    EXPECT_FALSE(QFile::exists(session.marker));

    // The user drags the window by its title bar, then closes it.
    const X11Session::Window id = windowOfPid(int(copy.process().processId()));
    ASSERT_NE(id, 0u);
    const QRect window = frameOf(id);
    const QRect button = controlRect(QStringLiteral("downloadButton"));
    ASSERT_TRUE(window.contains(button)) << window.x() << "," << window.y() << " " << button.x() << "," << button.y();
    const QPoint grip(window.center().x(), window.top() - 10);
    pointTo(grip);
    rbxtest::spinEventLoop(100);
    xdo({QStringLiteral("mousedown"), QStringLiteral("1")});
    for (int step = 1; step <= 10; ++step) {
        rbxtest::spinEventLoop(50);
        pointTo(grip + QPoint(-140, 110) * step / 10);
    }
    rbxtest::spinEventLoop(100);
    xdo({QStringLiteral("mouseup"), QStringLiteral("1")});
    QRect moved;
    ASSERT_TRUE(rbxtest::waitFor([&] {
        const QRect before = controlRect(QStringLiteral("downloadButton"));
        rbxtest::spinEventLoop(150);
        moved = controlRect(QStringLiteral("downloadButton"));
        return moved == before && moved.y() > button.y() + 80;
    })) << "window " << window.x() << "," << window.y() << " button " << button.x() << "," << button.y() << " now "
        << moved.x() << "," << moved.y();
    ASSERT_TRUE(clickControl(QStringLiteral("downloadButton")));
    ASSERT_TRUE(rbxtest::waitFor([&] { return windowFields(QStringLiteral("DownloadProgress")).isEmpty(); }));
    EXPECT_FALSE(setting(QStringLiteral("Download Window Location")).isEmpty());

    // The next download's window opens there.
    ASSERT_TRUE(checkAndAlert());
    ASSERT_TRUE(clickControl(QStringLiteral("alertDefaultButton")));
    ASSERT_TRUE(windowShows(QStringLiteral("DownloadProgress"), QStringLiteral("downloadMessage"), QStringLiteral("Download failed.")));
    EXPECT_TRUE(rbxtest::waitFor([&] { return controlRect(QStringLiteral("downloadButton")) == moved; }))
        << "button at " << controlRect(QStringLiteral("downloadButton")).x() << "," << controlRect(QStringLiteral("downloadButton")).y()
        << " instead of " << moved.x() << "," << moved.y();
    ASSERT_TRUE(clickControl(QStringLiteral("downloadButton")));
}

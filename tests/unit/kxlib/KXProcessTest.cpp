// Processes without a desktop: identity, the cache, versions, hashing, quitting with
// the pid-reuse guard.
#include "common/TestEnvironment.h"
#include "kxlib/KXProcess.h"
#include "kxlib/ProcFs.h"
#include "core/Bundle.h"
#include "core/Log.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

struct Child {
    QProcess p;
    explicit Child(const QString& program, const QStringList& args) {
        p.start(program, args);
        p.waitForStarted();
    }
    ~Child() {
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished();
        }
    }
    int pid() const { return int(p.processId()); }
};

TEST(KXProcess, CurrentProcessAndCache) {
    auto me = KXProcess::currentProcess();
    ASSERT_TRUE(me);
    EXPECT_EQ(me->unixPID(), int(getpid()));
    EXPECT_EQ(me->name(), QStringLiteral("test_kxlib"));
    EXPECT_EQ(me->appName(), QStringLiteral("test_kxlib"));
    EXPECT_EQ(KXProcess::currentProcess(), me);
    // The same serial number gives the same object.
    EXPECT_EQ(KXProcess::processWithSerialNumber(me->serialNumber()), me);
    EXPECT_EQ(KXProcess::processWithPID(int(getpid())), me);
    EXPECT_TRUE(me->isStillRunning());
    EXPECT_EQ(me->serialNumber().low, quint32(getpid()));
    EXPECT_EQ(me->hash(), me->serialNumber().high + me->serialNumber().low);
    // A serial number with another start time is some other (ended) process.
    KXProcess::SerialNumber other = me->serialNumber();
    other.high += 1;
    EXPECT_EQ(KXProcess::processWithSerialNumber(other), nullptr);
    EXPECT_EQ(KXProcess::processWithPID(-5), nullptr);
    EXPECT_GE(me->cpuTime(), 0.0);
    EXPECT_GT(me->secondsRunning(), -1.0);
    EXPECT_TRUE(KXProcess::allProcesses().contains(me));
}

TEST(KXProcess, NoDesktopMeansNoFrontAndBackgroundOnly) {
    const QByteArray saved = qgetenv("DISPLAY");
    qunsetenv("DISPLAY");
    EXPECT_EQ(KXProcess::frontProcess(), nullptr);
    auto me = KXProcess::currentProcess();
    EXPECT_TRUE(me->isBackgroundOnly());
    EXPECT_FALSE(me->isFrontProcess());
    EXPECT_FALSE(me->setFrontProcess());
    EXPECT_FALSE(me->setHidden(true));
    EXPECT_EQ(me->platform(), QStringLiteral("Carbon"));
    EXPECT_EQ(me->signatureString(), QStringLiteral("?\?\?\?"));  // no session bus here
    EXPECT_EQ(KXProcess::processWithSignatureString(QStringLiteral("ABCD")), nullptr);
    EXPECT_EQ(KXProcess::processWithSignatureString(QStringLiteral("ABC")), nullptr);
    const QString report = KXProcess::processListForDiagnosticsReport();
    EXPECT_TRUE(report.startsWith(QStringLiteral("Foreground processes:\nnone\n\nBackground processes:\n")));
    EXPECT_TRUE(report.contains(me->detailedDescription()));
    if (!saved.isEmpty()) qputenv("DISPLAY", saved);
}

TEST(KXProcess, VersionComparison) {
    EXPECT_TRUE(KXProcess::versionIsAtLeast(QStringLiteral("2.7.3"), QStringLiteral("2.7.3")));
    EXPECT_TRUE(KXProcess::versionIsAtLeast(QStringLiteral("2.10"), QStringLiteral("2.7.3")));
    EXPECT_FALSE(KXProcess::versionIsAtLeast(QStringLiteral("2.7"), QStringLiteral("2.7.3")));
    EXPECT_FALSE(KXProcess::versionIsAtLeast(QStringLiteral("2.6.9"), QStringLiteral("2.7.3")));
    EXPECT_TRUE(KXProcess::versionIsAtLeast(QStringLiteral("2.7.0"), QStringLiteral("2.7")));
    EXPECT_TRUE(KXProcess::versionIsAtLeast(QString(), QString()));
    // Our own version, name and identifier come from the bundle.
    auto me = KXProcess::currentProcess();
    EXPECT_EQ(me->version(), kx::Bundle::mainBundle().shortVersionString());
    EXPECT_EQ(me->majorVersionNumber(), kx::Bundle::mainBundle().shortVersionString().section(QLatin1Char('.'), 0, 0).toInt());
    EXPECT_TRUE(me->isAtLeastVersion(QStringLiteral("0.9")));
    EXPECT_EQ(me->identifier(), kx::Bundle::mainBundle().bundleIdentifier());
    EXPECT_EQ(me->displayName(), kx::Bundle::mainBundle().bundleName());
    EXPECT_EQ(me->infoDictionary().value(QStringLiteral("CFBundleIdentifier")).toString(), kx::Bundle::mainBundle().bundleIdentifier());
    // Another program has no version of its own to tell.
    Child c(QStringLiteral("sleep"), {QStringLiteral("30")});
    EXPECT_EQ(KXProcess::processWithPID(c.pid())->version(), QStringLiteral("1.0"));
}

TEST(KXProcess, PlatformNamesJavaProgramsEvenWithWindows) {
    // A Java program with a window takes the settings of Java programs.
    EXPECT_EQ(KXProcess::platformOf(QString(), QStringLiteral("java"), true), QStringLiteral("Java"));
    EXPECT_EQ(KXProcess::platformOf(QStringLiteral("org.example.Java.Tool"), QStringLiteral("x"), true),
              QStringLiteral("Java"));
    EXPECT_EQ(KXProcess::platformOf(QStringLiteral("org.gnome.gedit"), QStringLiteral("gedit"), true),
              QStringLiteral("Cocoa"));
    EXPECT_EQ(KXProcess::platformOf(QString(), QStringLiteral("javac-helper"), false), QStringLiteral("Carbon"));
    // A program without a window here (no desktop in unit tests).
    Child c(QStringLiteral("sleep"), {QStringLiteral("30")});
    EXPECT_EQ(KXProcess::processWithPID(c.pid())->platform(), QStringLiteral("Carbon"));
}

TEST(KXProcess, IdentifierLookupAndHashByName) {
    Child c(QStringLiteral("sleep"), {QStringLiteral("30")});
    auto p = KXProcess::processWithPID(c.pid());
    ASSERT_TRUE(p);
    EXPECT_EQ(p->name(), QStringLiteral("sleep"));
    EXPECT_EQ(p->identifier(), QString());
    EXPECT_TRUE(p->path().endsWith(QLatin1String("/sleep")));
    // No identifier, signature '?\?\?\?': the hash is made from the name.
    EXPECT_EQ(p->hashString(),
              QString::fromLatin1(QCryptographicHash::hash("name:sleep", QCryptographicHash::Md5).toHex()));
    EXPECT_EQ(p->description(), QStringLiteral("Process \"sleep\" (?\?\?\?) 1.0"));
    EXPECT_EQ(p->detailedDescription(), QStringLiteral("sleep V1.0 (?\?\?\?/)"));
    EXPECT_EQ(p->signatureHexString(), QStringLiteral("3F3F3F3F"));
    const auto found = KXProcess::processWithIdentifier(QStringLiteral("sleep"));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->name(), QStringLiteral("sleep"));
    EXPECT_EQ(KXProcess::processWithIdentifier(QStringLiteral("no-such-program-xyz")), nullptr);
    EXPECT_EQ(KXProcess::processWithIdentifier(QString()), nullptr);
    auto me = KXProcess::currentProcess();
    EXPECT_EQ(p->compare(*me), -1);  // "sleep" < "test_kxlib"
    EXPECT_EQ(me->compare(*p), 1);
    EXPECT_FALSE(p->isSameProcess(*me));
    p->setInfo(QStringLiteral("v"), QStringLiteral("k"));
    p->setInfo(5);
    EXPECT_EQ(p->infoForKey(QStringLiteral("k")).toString(), QStringLiteral("v"));
    EXPECT_EQ(p->info().toInt(), 5);
    p->setInfo(QVariant(), QStringLiteral("k"));
    EXPECT_FALSE(p->infoForKey(QStringLiteral("k")).isValid());
}

TEST(KXProcess, QuitWithTermThenKill) {
    kx::LogCapture log;
    {
        Child c(QStringLiteral("sleep"), {QStringLiteral("30")});
        auto p = KXProcess::processWithPID(c.pid());
        ASSERT_TRUE(p);
        EXPECT_TRUE(p->quitRunningApplicationWithTimeout(2.0));
        EXPECT_FALSE(p->isStillRunning());
        EXPECT_TRUE(log.contains(QStringLiteral("quit Process \"sleep\" (?\?\?\?) 1.0: terminated after")));
        // Gone: nothing more to do, and nothing sent to whoever gets the pid next.
        EXPECT_FALSE(p->quitRunningApplicationWithTimeout(0.1));
        EXPECT_TRUE(log.contains(QStringLiteral("cannot quit Process \"sleep\" (?\?\?\?) 1.0: no process found")));
        EXPECT_FALSE(p->forceQuit());
    }
    log.clear();
    {
        // Ignores SIGTERM: the second stage kills it.
        Child c(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("trap '' TERM; while :; do sleep 0.05; done")});
        ASSERT_TRUE(rbxtest::waitFor([&] { return kx::proc::readStat(c.pid()).has_value(); }));
        QThread::msleep(100);  // let the shell set its trap
        auto p = KXProcess::processWithPID(c.pid());
        ASSERT_TRUE(p);
        EXPECT_TRUE(p->quitRunningApplicationWithTimeout(0.3));
        EXPECT_TRUE(log.contains(QStringLiteral("force-quit Process \"sh\"")));
        EXPECT_FALSE(p->isStillRunning());
    }
}

TEST(KXProcess, StaleObjectNeverSignalsANewProcessWithItsPid) {
    Child c(QStringLiteral("sleep"), {QStringLiteral("30")});
    const auto st = kx::proc::readStat(c.pid());
    ASSERT_TRUE(st);
    // An object for an earlier process that had the same pid.
    KXProcess stale(c.pid(), st->startTime - 1);
    EXPECT_FALSE(stale.isStillRunning());
    EXPECT_FALSE(stale.forceQuit());
    EXPECT_FALSE(stale.quitRunningApplicationWithTimeout(0.05));
    rbxtest::spinEventLoop(50);
    EXPECT_TRUE(kx::proc::isRunning(c.pid(), st->startTime));
    EXPECT_EQ(c.p.state(), QProcess::Running);
}

} // namespace

// Processes on a real desktop: launches, front switches and terminations are announced;
// the front process is the owner of the active window; identity from desktop entries.
#include "common/ScopedInstance.h"
#include "common/TestEnvironment.h"
#include "kxlib/DesktopEntries.h"
#include "kxlib/KXNotificationCenter.h"
#include "kxlib/KXProcess.h"
#include "kxlib/KXUtilities.h"
#include "core/Log.h"
#include "platform/dbus/FourCharCode.h"
#include "platform/x11/Ewmh.h"
#include "platform/x11/X11Session.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QWidget>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

struct Change {
    QString change;
    int pid;
};

class ProcessChanges {
public:
    ProcessChanges() {
        m_token = KXNotificationCenter::defaultCenter().addObserver(
            KXProcess::ChangeNotification, KXProcess::notificationObject(), [this](const KXNotification& n) {
                m_seen.append({n.userInfo.value(QStringLiteral("change")).toString(),
                               n.userInfo.value(QStringLiteral("pid")).toInt()});
            });
    }
    ~ProcessChanges() { KXNotificationCenter::defaultCenter().removeObserver(m_token); }
    bool waitFor(const QString& change, int pid) {
        return rbxtest::waitFor([&] { return has(change, pid); }, 15000);
    }
    bool has(const QString& change, int pid) const {
        for (const Change& c : m_seen)
            if (c.change == change && c.pid == pid) return true;
        return false;
    }
    void clear() { m_seen.clear(); }

private:
    QList<Change> m_seen;
    KXNotificationCenter::Token m_token;
};

QProcess* startProbe(const QString& title, const QString& signature = QString()) {
    auto* p = new QProcess;
    p->setProcessChannelMode(QProcess::ForwardedChannels);
    QStringList args{QStringLiteral("--probe-window"), title};
    if (!signature.isEmpty()) args << QStringLiteral("--signature") << signature;
    p->start(QCoreApplication::applicationFilePath(), args);
    return p;
}

// Shows a window of our own and answers its id once the window manager manages it
// (0 when it does not).
X11Session::Window showOwnWindow(QWidget& own, const QString& title) {
    own.setWindowTitle(title);
    own.resize(100, 100);
    own.show();
    const auto id = X11Session::Window(own.winId());
    X11Session& s = X11Session::shared();
    return rbxtest::waitFor([&] { return ewmh::clientList(s).contains(id); }, 15000) ? id : 0;
}

TEST(KXProcessOnDesktop, LaunchFrontSwitchAndEndAreAnnounced) {
    // A desktop entry that names the probe by its window class.
    const QString apps = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications");
    QDir().mkpath(apps);
    QFile entry(apps + QStringLiteral("/org.runebox.Probe.desktop"));
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nName=Runebox Probe\nExec=probe\nStartupWMClass=RuneboxProbe\n");
    entry.close();
    rbxtest::ScopedInstance<kx::DesktopEntries> entries;  // read again

    X11Session& s = X11Session::shared();
    ASSERT_TRUE(ewmh::isSupported(s));
    ProcessChanges changes;
    KXProcess::startWatching();
    const int countBefore = KXProcess::applicationLaunchEndCount();

    std::unique_ptr<QProcess> probe(startProbe(QStringLiteral("probe one")));
    ASSERT_TRUE(probe->waitForStarted());
    const int pid = int(probe->processId());
    ASSERT_TRUE(changes.waitFor(QStringLiteral("started"), pid));

    auto p = KXProcess::processWithPID(pid);
    ASSERT_TRUE(p);
    EXPECT_FALSE(p->isBackgroundOnly());
    EXPECT_EQ(p->platform(), QStringLiteral("Cocoa"));
    EXPECT_EQ(p->identifier(), QStringLiteral("org.runebox.Probe"));
    EXPECT_EQ(p->displayName(), QStringLiteral("Runebox Probe"));
    EXPECT_EQ(KXProcess::processWithIdentifier(QStringLiteral("org.runebox.Probe")), p);
    // Its window came to the front (the launch is announced before).
    ASSERT_TRUE(rbxtest::waitFor([&] { return KXProcess::frontProcess() == p; }, 10000));

    // Our own window is never the application in front: activated, it announces nothing
    // and the probe stays in front. Another application's window is announced.
    changes.clear();
    QWidget own;
    const auto ownId = showOwnWindow(own, QStringLiteral("own"));
    ASSERT_NE(ownId, 0u);
    ASSERT_TRUE(ewmh::activateWindow(s, ownId));
    ASSERT_TRUE(rbxtest::waitFor([&] { return ewmh::activeWindow(s) == ownId; }, 10000));
    EXPECT_EQ(KXProcess::frontProcess(), p);
    EXPECT_FALSE(KXProcess::currentProcess()->isFrontProcess());
    std::unique_ptr<QProcess> second(startProbe(QStringLiteral("probe two")));
    ASSERT_TRUE(second->waitForStarted());
    const int secondPid = int(second->processId());
    ASSERT_TRUE(changes.waitFor(QStringLiteral("front"), secondPid));
    EXPECT_FALSE(changes.has(QStringLiteral("front"), int(getpid())));
    EXPECT_FALSE(changes.has(QStringLiteral("started"), int(getpid())));  // our own window is no launch

    changes.clear();
    ASSERT_TRUE(p->setFrontProcess());
    ASSERT_TRUE(changes.waitFor(QStringLiteral("front"), pid));
    EXPECT_EQ(KXProcess::frontProcess(), p);
    EXPECT_TRUE(p->isFrontProcess());
    EXPECT_FALSE(KXProcess::currentProcess()->isFrontProcess());
    EXPECT_TRUE(KXProcess::processListForDiagnosticsReport().contains(p->detailedDescription()));

    // Ending it is announced, and the cache forgets it.
    probe->terminate();
    ASSERT_TRUE(changes.waitFor(QStringLiteral("ended"), pid));
    probe->waitForFinished();
    EXPECT_FALSE(p->isStillRunning());
    EXPECT_EQ(KXProcess::applicationLaunchEndCount(), countBefore + 3);  // two launches, one end
    second->terminate();
    second->waitForFinished();
    EXPECT_NE(KXProcess::processWithSerialNumber(p->serialNumber()), p);
}

TEST(KXProcessOnDesktop, CreatorCodeEventsAndQuit) {
    ProcessChanges changes;
    KXProcess::startWatching();
    // No desktop entry names the probe here.
    QFile::remove(qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications/org.runebox.Probe.desktop"));
    rbxtest::ScopedInstance<kx::DesktopEntries> entries;  // read again
    std::unique_ptr<QProcess> probe(startProbe(QStringLiteral("probe two"), QStringLiteral("PrBe")));
    ASSERT_TRUE(probe->waitForStarted());
    const int pid = int(probe->processId());
    ASSERT_TRUE(changes.waitFor(QStringLiteral("started"), pid));
    auto p = KXProcess::processWithPID(pid);
    ASSERT_TRUE(p);
    // Found by its creator code; without a desktop entry it hashes by that code.
    ASSERT_TRUE(rbxtest::waitFor([&] { return KXProcess::processWithSignatureString(QStringLiteral("PrBe")) == p; }, 15000));
    EXPECT_EQ(p->identifier(), QString());
    EXPECT_EQ(p->signatureString(), QStringLiteral("PrBe"));
    EXPECT_EQ(p->hashString(),
              QString::fromLatin1(QCryptographicHash::hash("sig:PrBe", QCryptographicHash::Md5).toHex()));
    // Events to the process: answered, not handled, and sent without waiting.
    constexpr quint32 RbxC = fourcc::make('R', 'b', 'x', 'C');
    EXPECT_EQ(p->sendAppleEventClass(RbxC, fourcc::make('p', 'i', 'n', 'g'), 5.0), 0);
    EXPECT_EQ(p->sendAppleEventClass(RbxC, fourcc::make('n', 'o', 'n', 'e'), 5.0), -1708);
    EXPECT_EQ(p->sendAppleEventClass(RbxC, fourcc::make('p', 'i', 'n', 'g')), 0);
    EXPECT_EQ(p->sendAppleEventClass(RbxC, fourcc::make('p', 'i', 'n', 'g'), QStringLiteral("text")), 0);
    EXPECT_TRUE(p->quitRunningApplicationWithTimeout(4.0));
    EXPECT_TRUE(changes.waitFor(QStringLiteral("ended"), pid));
    probe->waitForFinished();
}


TEST(KXProcessOnDesktop, SwitchingAwayAndBackReturnsTheFrontWithinASecond) {
    X11Session& s = X11Session::shared();
    ASSERT_TRUE(ewmh::isSupported(s));
    KXProcess::startWatching();
    // Our own window is what takes the front for a moment.
    QWidget own;
    const auto ownId = showOwnWindow(own, QStringLiteral("own for the switch"));
    ASSERT_NE(ownId, 0u);

    std::unique_ptr<QProcess> probe(startProbe(QStringLiteral("probe three")));
    ASSERT_TRUE(probe->waitForStarted());
    const int pid = int(probe->processId());
    ASSERT_TRUE(rbxtest::waitFor([&] {
        auto front = KXProcess::frontProcess();
        if (front && front->unixPID() == pid) return true;
        if (auto p = KXProcess::processWithPID(pid)) p->setFrontProcess();
        return false;
    }, 15000));
    const auto p = KXProcess::processWithPID(pid);

    for (const bool deferReturn : {false, true}) {
        kx::LogCapture log;
        KXUtilities::launchMicro(deferReturn);
        EXPECT_TRUE(log.contains(QStringLiteral("wait count (Micro) = "))) << deferReturn;
        // It left the front: the wait ended before its 500 steps.
        EXPECT_FALSE(log.contains(QStringLiteral("wait count (Micro) = 500"))) << deferReturn;
        EXPECT_TRUE(rbxtest::waitFor([&] { return p->isFrontProcess(); }, 5000)) << deferReturn;
    }

    // Our own window active: the application in front is still the probe, never our own
    // process.
    ASSERT_TRUE(ewmh::activateWindow(s, ownId));
    ASSERT_TRUE(rbxtest::waitFor([&] { return ewmh::activeWindow(s) == ownId; }, 15000));
    EXPECT_FALSE(KXProcess::currentProcess()->isFrontProcess());
    EXPECT_EQ(KXProcess::frontProcess(), p);
    probe->terminate();
    probe->waitForFinished();
}

} // namespace

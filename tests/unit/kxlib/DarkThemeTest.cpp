// The desktop's dark style read from a portal served on a private session bus.

#include "kxlib/KXUtilities.h"

#include "common/ScopedInstance.h"
#include "common/PrivateBus.h"
#include "common/TestEnvironment.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <atomic>
#include <optional>
#include <gtest/gtest.h>

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");

// A private dbus-daemon for this test process, made on first use; its address becomes
// the session bus before anything in the process connects to one. Empty when none can
// be started. The daemon ends when the tests are done (and with the process).
rbxtest::PrivateBus*& sharedBus() {
    static rbxtest::PrivateBus* bus = nullptr;
    return bus;
}

QString privateBusAddress() {
    static bool tried = false;
    if (!tried) {
        tried = true;
        sharedBus() = new rbxtest::PrivateBus;
        if (sharedBus()->isRunning()) qputenv("DBUS_SESSION_BUS_ADDRESS", sharedBus()->address().toUtf8());
    }
    return sharedBus() ? sharedBus()->address() : QString();
}

class EndSharedBus : public ::testing::Environment {
public:
    void TearDown() override {
        delete sharedBus();
        sharedBus() = nullptr;
    }
};
[[maybe_unused]] ::testing::Environment* const endSharedBus = ::testing::AddGlobalTestEnvironment(new EndSharedBus);

struct PortalState {
    std::atomic<int> scheme{0};
    std::atomic<bool> doubleWrap{true};
};

// Lives on the serving thread, where its calls are delivered.
class PortalObject : public QDBusVirtualObject {
public:
    explicit PortalObject(PortalState& s) : scheme(s.scheme), doubleWrap(s.doubleWrap) {}
    std::atomic<int>& scheme;
    std::atomic<bool>& doubleWrap;
    bool handleMessage(const QDBusMessage& m, const QDBusConnection& c) override {
        if (m.interface() != kInterface || m.member() != QLatin1String("Read") || m.arguments().size() != 2) return false;
        if (m.arguments()[0].toString() != QLatin1String("org.freedesktop.appearance") ||
            m.arguments()[1].toString() != QLatin1String("color-scheme")) {
            c.send(m.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"), QStringLiteral("no such key")));
            return true;
        }
        const QVariant value = QVariant::fromValue(uint(scheme.load()));
        const QVariant once = QVariant::fromValue(QDBusVariant(value));
        c.send(m.createReply(doubleWrap ? QVariant::fromValue(QDBusVariant(once)) : once));
        return true;
    }
    QString introspect(const QString&) const override { return QString(); }
};

// Serves the portal from its own thread and connection, so that blocking calls from the
// test's thread are answered.
class FakePortal : public QThread {
public:
    explicit FakePortal(int scheme) { state_.scheme = scheme; }
    ~FakePortal() override {
        quit();
        wait();
    }
    bool startServing() {
        start();
        return rbxtest::waitFor([&] { return ready_.load() != 0; }, 5000) && ready_ == 1;
    }
    void setScheme(int s, bool announce) {
        state_.scheme = s;
        if (!announce) return;
        QDBusMessage signal = QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("SettingChanged"));
        signal << QStringLiteral("org.freedesktop.appearance") << QStringLiteral("color-scheme")
               << QVariant::fromValue(QDBusVariant(QVariant::fromValue(uint(s))));
        QDBusConnection(QStringLiteral("fake-portal")).send(signal);
    }
    PortalState state_;

protected:
    void run() override {
        {
            PortalObject object(state_);
            QDBusConnection bus = QDBusConnection::connectToBus(privateBusAddress(), QStringLiteral("fake-portal"));
            const bool ok = bus.isConnected() && bus.registerService(kService) &&
                            bus.registerVirtualObject(kPath, &object);
            ready_ = ok ? 1 : 2;
            if (ok) exec();
            bus.unregisterObject(kPath);
            bus.unregisterService(kService);
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-portal"));
    }

private:
    std::atomic<int> ready_{0};
};

// A fallback whose answer the test sets.
class TestFallback : public KXAppearanceFallback {
public:
    bool isDark() const override { return dark; }
    bool dark = false;
};

class DarkTheme : public ::testing::Test {
protected:
    void SetUp() override {
        if (privateBusAddress().isEmpty()) GTEST_SKIP() << "no dbus-daemon";
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected());
        KXUtilities::resetAppearanceCache();
    }
    void TearDown() override { KXUtilities::resetAppearanceCache(); }
    // Installs a fallback that answers `dark`.
    void setFallback(bool dark) {
        auto f = std::make_shared<TestFallback>();
        f->dark = dark;
        fallback_.emplace(std::move(f));
    }

private:
    std::optional<rbxtest::ScopedInstance<KXAppearanceFallback>> fallback_;
};

} // namespace

TEST_F(DarkTheme, NoPortalMeansLightUnlessTheFallbackSaysDark) {
    EXPECT_FALSE(KXUtilities::darkMenuTheme());
    EXPECT_FALSE(KXUtilities::darkAppearance());
    setFallback(true);
    EXPECT_TRUE(KXUtilities::darkAppearance());
    EXPECT_FALSE(KXUtilities::darkMenuTheme());
}

TEST_F(DarkTheme, PortalAnswerDecides) {
    FakePortal portal(1);
    ASSERT_TRUE(portal.startServing());
    setFallback(false);
    EXPECT_TRUE(KXUtilities::darkMenuTheme());
    EXPECT_TRUE(KXUtilities::darkAppearance());

    // "Prefer light" and "no preference" are both light; a singly wrapped answer is read too.
    portal.state_.doubleWrap = false;
    for (int scheme : {2, 0}) {
        portal.setScheme(scheme, false);
        KXUtilities::resetAppearanceCache();
        EXPECT_FALSE(KXUtilities::darkMenuTheme()) << scheme;
    }
    // With an answer from the portal the fallback is not asked.
    setFallback(true);
    EXPECT_FALSE(KXUtilities::darkAppearance());
}

TEST_F(DarkTheme, ChangesAnnouncedByThePortalAreFollowed) {
    FakePortal portal(0);
    ASSERT_TRUE(portal.startServing());
    EXPECT_FALSE(KXUtilities::darkMenuTheme());
    portal.setScheme(1, true);
    EXPECT_TRUE(rbxtest::waitFor([] { return KXUtilities::darkMenuTheme(); }));
    portal.setScheme(2, true);
    EXPECT_TRUE(rbxtest::waitFor([] { return !KXUtilities::darkMenuTheme(); }));
}

// Events between programs on a session bus: codes and names, checking what arrives,
// replies, errors, time-outs, sending without reply, signature names and the
// single-instance hand-over.
#include "common/PrivateBus.h"

#include <gtest/gtest.h>
#include "common/TestEnvironment.h"
#include "core/Log.h"
#include "platform/dbus/AppleEvent.h"
#include "platform/dbus/AppleEventBridge.h"
#include "platform/dbus/AppleEventSender.h"
#include "platform/dbus/FourCharCode.h"
#include "platform/dbus/SignatureNames.h"
#include "platform/dbus/SingleInstance.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <future>
#include <stdexcept>
#include <unistd.h>

using namespace appleevent;

namespace {

constexpr quint32 kClass = fourcc::make('R', 'b', 'x', 'C');
constexpr quint32 kID = fourcc::make('t', 'e', 's', 't');
constexpr quint32 kSig = fourcc::make('A', 'B', 'C', 'D');

// Runs a blocking call on a worker thread while the main thread serves the bus.
template <typename F>
auto offMain(F fn) {
    auto fut = std::async(std::launch::async, std::move(fn));
    rbxtest::waitFor([&] { return fut.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 15000);
    return fut.get();
}

TEST(FourCharCode, TextAndCodes) {
    EXPECT_EQ(fourcc::fromText(QStringLiteral("ABCD")), 0x41424344u);
    EXPECT_EQ(fourcc::fromText(QStringLiteral("----")), 0x2D2D2D2Du);
    EXPECT_EQ(fourcc::toText(0x47555246u), QStringLiteral("GURF"));
    EXPECT_EQ(fourcc::toText(fourcc::make('a', 'e', 'v', 't')), QStringLiteral("aevt"));
    EXPECT_EQ(fourcc::toHex(0x0a0b0c0du), QStringLiteral("0A0B0C0D"));
    EXPECT_EQ(fourcc::fromText(QStringLiteral("©xyz")), 0xA978797Au);  // Latin-1 is fine
    EXPECT_FALSE(fourcc::fromText(QStringLiteral("ABC")));
    EXPECT_FALSE(fourcc::fromText(QStringLiteral("ABCDE")));
    EXPECT_FALSE(fourcc::fromText(QStringLiteral("AB\nD")));
    EXPECT_FALSE(fourcc::fromText(QStringLiteral("AB\u20ACD")));  // outside Latin-1
    EXPECT_TRUE(fourcc::toText(0x41420A44u).isEmpty());
}

TEST(AppleEvent, SignatureBusNames) {
    EXPECT_EQ(signatureBusName(kSig), QStringLiteral("org.runebox.sig.x41424344"));
    EXPECT_EQ(signatureBusName(0x00000001u), QStringLiteral("org.runebox.sig.x00000001"));
    EXPECT_EQ(signatureOfBusName(QStringLiteral("org.runebox.sig.x41424344")), kSig);
    EXPECT_FALSE(signatureOfBusName(QStringLiteral("org.runebox.sig.x4142434")));
    EXPECT_FALSE(signatureOfBusName(QStringLiteral("org.runebox.sig.x414243444")));
    EXPECT_FALSE(signatureOfBusName(QStringLiteral("org.runebox.sig.x4142434G")));
    EXPECT_FALSE(signatureOfBusName(QStringLiteral("org.runebox.sig.x4142434F")));  // upper case is not ours
    EXPECT_FALSE(signatureOfBusName(QStringLiteral("org.runebox.Runebox")));
}

TEST(AppleEvent, ParameterValidation) {
    EXPECT_EQ(validateParameters({}), QString());
    EXPECT_EQ(validateParameters({{QStringLiteral("----"), QStringLiteral("text")},
                                  {QStringLiteral("snam"), 5},
                                  {QStringLiteral("data"), QByteArray("x")},
                                  {QStringLiteral("list"), QStringList{QStringLiteral("a")}},
                                  {QStringLiteral("flag"), true}}),
              QString());
    EXPECT_NE(validateParameters({{QStringLiteral("toolong"), 1}}), QString());
    EXPECT_NE(validateParameters({{QStringLiteral("----"), QString(MaxStringLength + 1, u'x')}}), QString());
    EXPECT_NE(validateParameters({{QStringLiteral("----"), QVariantMap{{QStringLiteral("a"), 1}}}}), QString());
    QVariantMap many;
    for (int i = 0; i <= MaxParameters; ++i) many.insert(QStringLiteral("k%1").arg(i, 3, 10, QLatin1Char('0')), i);
    EXPECT_NE(validateParameters(many), QString());
}

class AppleEventBus : public ::testing::Test {
protected:
    void SetUp() override {
        if (!bus.isRunning()) GTEST_SKIP() << "dbus-daemon not available";
        server = bus.connect(QStringLiteral("server"));
        client = bus.connect(QStringLiteral("client"));
        ASSERT_TRUE(server.isConnected());
        ASSERT_TRUE(client.isConnected());
        ASSERT_TRUE(bridge.exportOn(server));
        ASSERT_TRUE(registerSignature(kSig, server));
    }
    rbxtest::PrivateBus bus;
    QDBusConnection server{QString()}, client{QString()};
    AppleEventBridge bridge;
};

TEST_F(AppleEventBus, RoundTripWithDirectParameterAndSender) {
    Event seen;
    bridge.setHandler(kClass, kID, [&](const Event& e) {
        seen = e;
        return QVariantMap{{DirectParameter, e.directParameter().toString().toUpper()}};
    });
    const SendResult r = offMain([&] {
        return sendToSignature(kSig, kClass, kID, {{DirectParameter, QStringLiteral("hello")}}, 5000, client);
    });
    ASSERT_TRUE(r.ok) << r.errorMessage.toStdString();
    EXPECT_EQ(r.reply.value(DirectParameter).toString(), QStringLiteral("HELLO"));
    EXPECT_EQ(seen.eventClass, kClass);
    EXPECT_EQ(seen.eventID, kID);
    EXPECT_EQ(seen.sender, client.baseService());
    EXPECT_EQ(seen.senderPid, uint(getpid()));
}

TEST_F(AppleEventBus, BadCallsGetErrorsAndNeverReachHandlers) {
    int calls = 0;
    bridge.setHandler(kClass, kID, [&](const Event&) { ++calls; return QVariantMap{}; });
    kx::LogCapture log;
    auto raw = [&](const QList<QVariant>& args) {
        QDBusMessage m = QDBusMessage::createMethodCall(signatureBusName(kSig), ObjectPath, Interface, Method);
        m.setArguments(args);
        return offMain([&] { return client.call(m, QDBus::Block, 5000); });
    };
    // Not four characters.
    QDBusMessage r = raw({QStringLiteral("RbxCx"), QStringLiteral("test"), QVariantMap{}});
    EXPECT_EQ(r.errorName(), ErrorInvalidArgs);
    // A parameter of a type we do not take.
    r = raw({QStringLiteral("RbxC"), QStringLiteral("test"),
             QVariantMap{{QStringLiteral("----"), QVariant::fromValue(QDBusObjectPath(QStringLiteral("/x")))}}});
    EXPECT_EQ(r.errorName(), ErrorInvalidArgs);
    // Wrong argument types altogether.
    r = raw({QStringLiteral("RbxC"), 5, QVariantMap{}});
    EXPECT_EQ(r.type(), QDBusMessage::ErrorMessage);
    // No handler for this event.
    const SendResult nh = offMain([&] {
        return sendToSignature(kSig, kClass, fourcc::make('n', 'o', 'n', 'e'), {}, 5000, client);
    });
    EXPECT_FALSE(nh.ok);
    EXPECT_EQ(nh.errorName, ErrorNotHandled);
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(log.contains(QStringLiteral("refused a call")));
}

TEST_F(AppleEventBus, ThrowingHandlerGivesAnErrorReply) {
    bridge.setHandler(kClass, kID, [](const Event&) -> QVariantMap { throw std::runtime_error("boom"); });
    kx::LogCapture log;
    const SendResult r = offMain([&] { return sendToSignature(kSig, kClass, kID, {}, 5000, client); });
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errorName, ErrorHandlerFailed);
    EXPECT_EQ(r.errorMessage, QStringLiteral("boom"));
    EXPECT_TRUE(log.contains(QStringLiteral("boom")));
}

TEST_F(AppleEventBus, TimeOutAndNoReply) {
    int calls = 0;
    bridge.setHandler(kClass, kID, [&](const Event&) {
        ++calls;
        QThread::msleep(600);
        return QVariantMap{};
    });
    QElapsedTimer t;
    t.start();
    const SendResult r = offMain([&] { return sendToSignature(kSig, kClass, kID, {}, 150, client); });
    EXPECT_FALSE(r.ok);
    EXPECT_LT(t.elapsed(), 2000);
    ASSERT_TRUE(rbxtest::waitFor([&] { return calls == 1; }));

    bridge.setHandler(kClass, kID, [&](const Event&) { ++calls; return QVariantMap{}; });
    EXPECT_TRUE(postToSignature(kSig, kClass, kID, {{DirectParameter, 1}}, client));
    EXPECT_TRUE(rbxtest::waitFor([&] { return calls == 2; }));
    // Nobody owns this signature: the message goes nowhere, nothing hangs.
    const SendResult nobody =
        offMain([&] { return sendToSignature(fourcc::make('N', 'o', 'n', 'e'), kClass, kID, {}, 2000, client); });
    EXPECT_FALSE(nobody.ok);
}

TEST_F(AppleEventBus, SignatureOwnersAndNamesOfAPid) {
    EXPECT_EQ(signatureOwnerPid(kSig, client), uint(getpid()));
    EXPECT_EQ(signatureOwnerPid(fourcc::make('N', 'o', 'n', 'e'), client), 0u);
    EXPECT_FALSE(registerSignature(kSig, client));  // taken by the server
    EXPECT_TRUE(registerSignature(fourcc::make('A', 'A', 'A', 'A'), client));
    EXPECT_EQ(signaturesOfPid(uint(getpid()), client), (QList<quint32>{0x41414141u, kSig}));
    const QStringList names = busNamesOfPid(uint(getpid()), client);
    ASSERT_GE(names.size(), 4);
    EXPECT_EQ(names.value(0), QStringLiteral("org.runebox.sig.x41414141"));
    EXPECT_EQ(names.value(1), QStringLiteral("org.runebox.sig.x41424344"));
    EXPECT_TRUE(names.contains(server.baseService()));
    EXPECT_TRUE(names.contains(client.baseService()));
    EXPECT_TRUE(busNamesOfPid(0x7ffffff0u, client).isEmpty());
    unregisterSignature(kSig, server);
    EXPECT_EQ(signatureOwnerPid(kSig, client), 0u);
}

TEST_F(AppleEventBus, SingleInstanceHandsUrlsToTheFirstCopy) {
    QStringList received;
    constexpr quint32 GURL = fourcc::make('G', 'U', 'R', 'L');
    bridge.setHandler(GURL, GURL, [&](const Event& e) {
        received << e.directParameter().toString();
        return QVariantMap{};
    });
    EXPECT_EQ(singleinstance::claim(server), singleinstance::Claim::Owned);
    EXPECT_EQ(singleinstance::claim(client), singleinstance::Claim::Taken);
    const bool ok = offMain([&] {
        return singleinstance::handOver({QStringLiteral("runebox://open"), QStringLiteral("runebox://set?a=1")},
                                        5000, client);
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(received, (QStringList{QStringLiteral("runebox://open"), QStringLiteral("runebox://set?a=1")}));
}

TEST_F(AppleEventBus, ALaterHandlerRepliesWhenItAnswers) {
    // The handler keeps the answer and gives it from the event loop: the sender waits
    // for that reply, not for the end of the bus call.
    bool answered = false;
    bridge.setLaterHandler(kClass, kID, [&](const Event& e, AppleEventBridge::Answer answer) {
        QTimer::singleShot(300, [&answered, text = e.directParameter().toString(), answer] {
            answered = true;
            answer({{DirectParameter, text + QStringLiteral(" done")}});
        });
    });
    const SendResult r = offMain([&] {
        return sendToSignature(kSig, kClass, kID, {{DirectParameter, QStringLiteral("work")}}, 5000, client);
    });
    ASSERT_TRUE(r.ok) << r.errorMessage.toStdString();
    EXPECT_TRUE(answered);
    EXPECT_EQ(r.reply.value(DirectParameter).toString(), QStringLiteral("work done"));

    // A later handler that never answers leaves the sender to its time-out.
    bridge.setLaterHandler(kClass, kID, [](const Event&, AppleEventBridge::Answer) {});
    const SendResult silent = offMain([&] { return sendToSignature(kSig, kClass, kID, {}, 300, client); });
    EXPECT_FALSE(silent.ok);
    // An ordinary handler takes the place of the later one.
    bridge.setHandler(kClass, kID, [](const Event&) { return QVariantMap{{QStringLiteral("okay"), 1}}; });
    const SendResult now = offMain([&] { return sendToSignature(kSig, kClass, kID, {}, 5000, client); });
    ASSERT_TRUE(now.ok);
    EXPECT_EQ(now.reply.value(QStringLiteral("okay")).toInt(), 1);
}

TEST_F(AppleEventBus, HandOverReportsWhatTheFirstCopyRefused) {
    constexpr quint32 GURL = fourcc::make('G', 'U', 'R', 'L');
    bridge.setHandler(GURL, GURL, [&](const Event& e) {
        if (e.directParameter().toString().contains(QStringLiteral("bad")))
            return QVariantMap{{ErrorNumberKey, -50}, {ErrorStringKey, QStringLiteral("no setting named \"bad\"")}};
        return QVariantMap{};
    });
    ASSERT_EQ(singleinstance::claim(server), singleinstance::Claim::Owned);
    QStringList problems;
    const bool ok = offMain([&] {
        return singleinstance::handOver({QStringLiteral("runebox://pref?good=1"), QStringLiteral("runebox://pref?bad=1"),
                                         QStringLiteral("runebox://x?") + QString(200, u'a')},
                                        5000, client, &problems);
    });
    EXPECT_FALSE(ok);
    ASSERT_EQ(problems.size(), 1);
    EXPECT_EQ(problems[0], QStringLiteral("runebox://pref?bad=1 was refused: no setting named \"bad\""));

    // A URL that cannot arrive is reported with the bus's reason, cut to 100 characters.
    bridge.setHandler(GURL, GURL, {});
    problems.clear();
    const QString longURL = QStringLiteral("runebox://open?") + QString(300, u'b');
    EXPECT_FALSE(offMain([&] { return singleinstance::handOver({longURL}, 5000, client, &problems); }));
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].startsWith(longURL.left(100) + QStringLiteral("... did not reach the running copy: ")))
        << problems[0].toStdString();
}

TEST(SingleInstance, NoBusIsReported) {
    const QDBusConnection none(QStringLiteral("rbxtest-not-connected"));
    EXPECT_EQ(singleinstance::claim(none), singleinstance::Claim::NoBus);
    EXPECT_FALSE(singleinstance::handOver({QStringLiteral("runebox://open")}, 100, none));
    EXPECT_FALSE(registerSignature(kSig, none));
    EXPECT_EQ(signatureOwnerPid(kSig, none), 0u);
    EXPECT_FALSE(send(QStringLiteral("org.x"), kClass, kID, {}, 100, none).ok);
    EXPECT_FALSE(post(QStringLiteral("org.x"), kClass, kID, {}, none));
    AppleEventBridge b;
    EXPECT_FALSE(b.exportOn(none));
}

} // namespace

// The update check against a server on this machine: the feed, the stored results, the
// pings, skipping, the status line, the schedule and its gates, and the network rules.
#include "common/LocalHttpServer.h"
#include "common/TestEnvironment.h"
#include "core/FoundationValues.h"
#include "core/Log.h"
#include "kxlib/StoreFixture.h"
#include "kxlib/KXNetwork.h"
#include "kxlib/KXUtilities.h"
#include "update/PadFeed.h"
#include "update/RbxVersionChecker.h"
#include "update/UpdateNetwork.h"

#include <gtest/gtest.h>

using rbxtest::HttpAnswer;
using rbxtest::LocalHttpServer;
namespace key = rbx::key;

namespace {

QByteArray feed(const QByteArray& version, const QByteArray& requirements = "Linux 1.0 or later") {
    return "<?xml version=\"1.0\"?><XML_DIZ_INFO><Program_Info><Program_Version>" + version +
           "</Program_Version><Program_Release_Year>2026</Program_Release_Year><Program_Release_Month>3"
           "</Program_Release_Month><Program_Release_Day>7</Program_Release_Day><Program_System_Requirements>" +
           requirements + "</Program_System_Requirements></Program_Info></XML_DIZ_INFO>";
}

// Counts a checker's signals and keeps the last alert.
struct Heard {
    explicit Heard(KXVersionChecker& c) {
        QObject::connect(&c, &KXVersionChecker::newVersionAlert, &c, [this](const NewVersionAlert& a) { ++alerts; alert = a; });
        QObject::connect(&c, &KXVersionChecker::checkStarted, &c, [this](bool user) { started << user; });
        QObject::connect(&c, &KXVersionChecker::checkFinished, &c, [this] { ++finished; });
    }
    int alerts = 0;
    NewVersionAlert alert;
    QList<bool> started;
    int finished = 0;
};

struct FakeActivity : UpdateActivity {
    double idle = -1;
    bool fullScreen = false;
    double idleTime() override { return idle; }
    bool fullScreenMode() override { return fullScreen; }
};

class UpdateCheckTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        store = &launch();
        store->setString(server.baseUrl(), key::updateServer.qname());
        server.serve(QStringLiteral("/downloads/products/runeboxx/monce/100"), HttpAnswer::text("7"));
        server.serve(QStringLiteral("/downloads/products/runeboxx/once/100"), HttpAnswer::text("42"));
        checker = std::make_unique<RbxVersionChecker>(*store, activity);
        heard = std::make_unique<Heard>(*checker);
    }
    // A check as the user asks for it, waited for.
    void checkAndWait(bool user = true) {
        const int before = heard->finished;
        checker->checkNow(user);
        ASSERT_TRUE(rbxtest::waitFor([&] { return heard->finished > before; }, 20000));
    }
    void serveFeed(const HttpAnswer& answer) { server.serve(QStringLiteral("/vck/runeboxx.xml"), answer); }

    LocalHttpServer server;
    RbxDefaults* store = nullptr;
    std::shared_ptr<FakeActivity> activity = std::make_shared<FakeActivity>();
    std::unique_ptr<RbxVersionChecker> checker;
    std::unique_ptr<Heard> heard;
};

} // namespace

TEST(PadFeedTest, CollectsLeafTextsOnly) {
    const QVariantMap f = update::parsePadFeed(
        "<a>lost<Program_Info>parent text<Program_Version> 5.4b2 \n</Program_Version>after child"
        "<Program_Version>5.5</Program_Version><Other>x</Other></Program_Info></a>");
    EXPECT_EQ(f.value(QStringLiteral("Program_Version")).toString(), QStringLiteral("5.5"));
    EXPECT_FALSE(f.contains(QStringLiteral("Program_Info")));
    EXPECT_FALSE(f.contains(QStringLiteral("a")));
    EXPECT_EQ(f.value(QStringLiteral("Other")).toString(), QStringLiteral("x"));
    // A parse error keeps what was collected before it.
    const QVariantMap broken = update::parsePadFeed("<a><Program_Version>7</Program_Version><b></a>");
    EXPECT_EQ(broken.value(QStringLiteral("Program_Version")).toString(), QStringLiteral("7"));
    // Entities are never expanded: a document type declaration ends the parse.
    const QVariantMap laughs = update::parsePadFeed(
        "<?xml version=\"1.0\"?><!DOCTYPE a [<!ENTITY x \"xxxxxxxxxx\"><!ENTITY y \"&x;&x;&x;&x;&x;&x;\">]>"
        "<a><Program_Version>&y;</Program_Version></a>");
    EXPECT_FALSE(laughs.contains(QStringLiteral("Program_Version")));
}

TEST(PadFeedTest, MinimumSystemAndReleaseDate) {
    EXPECT_EQ(update::minimumSystemVersion(QStringLiteral("macOS 10.13 or later")), QStringLiteral("10.13"));
    EXPECT_EQ(update::minimumSystemVersion(QStringLiteral("any")), QString());
    QVariantMap f{{QStringLiteral("Program_Release_Year"), QStringLiteral("2024")},
                  {QStringLiteral("Program_Release_Month"), QStringLiteral("3")},
                  {QStringLiteral("Program_Release_Day"), QStringLiteral("7")}};
    EXPECT_EQ(update::releaseDate(f), QStringLiteral("2024-03-07"));
    f[QStringLiteral("Program_Release_Day")] = QStringLiteral("0");
    EXPECT_EQ(update::releaseDate(f), QString());
}

TEST(UpdateNetworkTest, HttpsOnlyExceptToThisMachine) {
    EXPECT_TRUE(update::isPermittedAddress(QUrl(QStringLiteral("https://updates.example/x"))));
    EXPECT_TRUE(update::isPermittedAddress(QUrl(QStringLiteral("http://127.0.0.1:8080/x"))));
    EXPECT_TRUE(update::isPermittedAddress(QUrl(QStringLiteral("http://[::1]/x"))));
    EXPECT_TRUE(update::isPermittedAddress(QUrl(QStringLiteral("http://127.9.8.7/x"))));
    EXPECT_TRUE(update::isPermittedAddress(QUrl(QStringLiteral("http://[::ffff:127.0.0.1]/x"))));
    EXPECT_TRUE(update::isPermittedAddress(QUrl(QStringLiteral("http://LocalHost/x"))));
    EXPECT_FALSE(update::isPermittedAddress(QUrl(QStringLiteral("http://128.0.0.1/x"))));
    EXPECT_FALSE(update::isPermittedAddress(QUrl(QStringLiteral("http://[::2]/x"))));
    EXPECT_FALSE(update::isPermittedAddress(QUrl(QStringLiteral("http://updates.example/x"))));
    EXPECT_FALSE(update::isPermittedAddress(QUrl(QStringLiteral("ftp://127.0.0.1/x"))));
    EXPECT_FALSE(update::isPermittedAddress(QUrl(QStringLiteral("file:///etc/passwd"))));
    // Never from https down to http, not even to this machine.
    EXPECT_FALSE(update::isPermittedRedirect(QUrl(QStringLiteral("https://a.example/")), QUrl(QStringLiteral("http://127.0.0.1/"))));
    EXPECT_TRUE(update::isPermittedRedirect(QUrl(QStringLiteral("http://127.0.0.1/")), QUrl(QStringLiteral("https://a.example/"))));
    // An https address stays https whatever the system.
    EXPECT_EQ(KXUtilities::safeHTTPS(QStringLiteral("https://a.example/f")), QStringLiteral("https://a.example/f"));
}

TEST(UpdateNetworkTest, FetchesUnderTheRules) {
    LocalHttpServer server;
    const QByteArray body(5000, 'x');
    HttpAnswer noLength = HttpAnswer::text(body);
    noLength.omitLength = true;
    noLength.pieces = 3;
    noLength.pauseMs = 20;
    server.serve(QStringLiteral("/plain"), noLength);
    server.serve(QStringLiteral("/moved"), HttpAnswer::redirect("/plain"));
    server.serve(QStringLiteral("/away"), HttpAnswer::redirect("http://updates.example/plain"));
    server.serve(QStringLiteral("/down"), HttpAnswer::failure(500));
    HttpAnswer stall = HttpAnswer::text("never");
    stall.stall = true;
    server.serve(QStringLiteral("/stall"), stall);
    const QUrl base(server.baseUrl());

    const update::Fetched plain = update::fetch(base.resolved(QUrl(QStringLiteral("plain"))));
    ASSERT_TRUE(plain.data);
    EXPECT_EQ(*plain.data, body);
    EXPECT_EQ(server.requests().first().headers.value("accept-encoding"), QByteArray("identity"));
    const update::Fetched moved = update::fetch(base.resolved(QUrl(QStringLiteral("moved"))));
    ASSERT_TRUE(moved.data);
    EXPECT_EQ(*moved.data, body);
    // Redirected to plain http on another host: refused, never asked.
    kx::LogCapture log;
    EXPECT_FALSE(update::fetch(base.resolved(QUrl(QStringLiteral("away")))).data);
    EXPECT_TRUE(log.contains(QStringLiteral("redirect refused: ")));
    EXPECT_FALSE(update::fetch(base.resolved(QUrl(QStringLiteral("down")))).data);
    EXPECT_FALSE(update::fetch(base.resolved(QUrl(QStringLiteral("plain"))), 1000).data);  // too long
    const update::Fetched stalled = update::fetch(base.resolved(QUrl(QStringLiteral("stall"))), 1 << 20, 400);
    EXPECT_FALSE(stalled.data);
    EXPECT_FALSE(update::fetch(QUrl(QStringLiteral("http://updates.example/plain"))).data);
}

namespace {
struct Streamed : rbx::network::DownloadReceiver {
    void downloadLength(qint64 t) override { total = t; }
    bool downloadData(const QByteArray& d) override {
        ++pieces;
        data += d;
        return true;
    }
    void downloadEnded(const QString& e, const QString& r) override {
        ended = true;
        error = e;
        refused = r;
    }
    qint64 total = -2;
    int pieces = 0;
    QByteArray data;
    bool ended = false;
    QString error, refused;
};

Streamed streamed(const QUrl& url, qint64 maxBytes = 1 << 20, int timeoutMs = update::TransferTimeoutMs) {
    Streamed s;
    auto download = kx::download(update::makeRequest(url, maxBytes, timeoutMs), s);
    EXPECT_TRUE(download);
    EXPECT_TRUE(rbxtest::waitFor([&] { return s.ended; }, 10000));
    return s;
}
} // namespace

TEST(UpdateNetworkTest, StreamsUnderTheSameRules) {
    LocalHttpServer server;
    const QByteArray body(300000, 'y');
    HttpAnswer slow = HttpAnswer::text(body);
    slow.pieces = 4;
    slow.pauseMs = 30;
    server.serve(QStringLiteral("/big"), slow);
    server.serve(QStringLiteral("/moved"), HttpAnswer::redirect("/big"));
    server.serve(QStringLiteral("/away"), HttpAnswer::redirect("http://updates.example/big"));
    server.serve(QStringLiteral("/down"), HttpAnswer::failure(404));
    HttpAnswer stall = HttpAnswer::text("never");
    stall.stall = true;
    server.serve(QStringLiteral("/stall"), stall);
    const QUrl base(server.baseUrl());

    // Through a redirect, in several pieces, with the length announced.
    const Streamed moved = streamed(base.resolved(QUrl(QStringLiteral("moved"))));
    EXPECT_TRUE(moved.error.isEmpty()) << moved.error.toStdString();
    EXPECT_EQ(moved.total, body.size());
    EXPECT_GT(moved.pieces, 1);
    EXPECT_EQ(moved.data, body);
    EXPECT_EQ(server.requests().last().headers.value("accept-encoding"), QByteArray("identity"));
    // A refused redirect, a failure's body, a cap and a stall: an error, no content.
    const Streamed away = streamed(base.resolved(QUrl(QStringLiteral("away"))));
    EXPECT_FALSE(away.error.isEmpty());
    EXPECT_TRUE(away.refused.endsWith(QStringLiteral(" -> http://updates.example/big")));
    EXPECT_TRUE(away.data.isEmpty());
    const Streamed down = streamed(base.resolved(QUrl(QStringLiteral("down"))));
    EXPECT_FALSE(down.error.isEmpty());
    EXPECT_TRUE(down.data.isEmpty());
    EXPECT_EQ(streamed(base.resolved(QUrl(QStringLiteral("big"))), 1000).error, QStringLiteral("answer too long"));
    EXPECT_FALSE(streamed(base.resolved(QUrl(QStringLiteral("stall"))), 1 << 20, 400).error.isEmpty());
    // Dropping a download stops it without a word.
    Streamed dropped;
    kx::download(update::makeRequest(base.resolved(QUrl(QStringLiteral("big"))), 1 << 20), dropped).reset();
    rbxtest::spinEventLoop(300);
    EXPECT_FALSE(dropped.ended);
}

TEST_F(UpdateCheckTest, AUserCheckStoresTheNewVersionAndOffersIt) {
    serveFeed(HttpAnswer::text(feed("101b2")));
    checkAndWait();
    EXPECT_EQ(store->stringForKey(key::lastCurrentVersion), QStringLiteral("101b2"));
    EXPECT_EQ(store->stringForKey(key::lastReleaseDate), QStringLiteral("2026-03-07"));
    const QDateTime last = kx::ns::dateFromDescription(store->stringForKey(key::lastUpdateCheck));
    ASSERT_TRUE(last.isValid());
    EXPECT_LT(qAbs(last.secsTo(QDateTime::currentDateTimeUtc())), 60);
    EXPECT_TRUE(checker->updateAvailable());
    ASSERT_EQ(heard->alerts, 1);
    const NewVersionAlert& alert = heard->alert;
    EXPECT_EQ(alert.message, QStringLiteral("A newer version of runebox is available."));
    EXPECT_TRUE(alert.informative.startsWith(QStringLiteral("The latest version of runebox is 101b2 (released on ")));
    EXPECT_TRUE(alert.informative.contains(QStringLiteral("You have version 100.\n\nTo disable further checks")));
    EXPECT_EQ(alert.skip, QStringLiteral("Skip Version 101b2"));
    EXPECT_EQ(heard->started, QList<bool>{true});
    EXPECT_TRUE(checker->versionStatusMessage().endsWith(
        QStringLiteral(": New version 101b2 is available. You have version 100.")));
    // The pings went out once each, with this version; their answers are kept.
    EXPECT_EQ(server.countOf(QStringLiteral("/downloads/products/runeboxx/monce/100")), 1);
    EXPECT_EQ(server.countOf(QStringLiteral("/downloads/products/runeboxx/once/100")), 1);
    EXPECT_EQ(store->stringForKey(QStringLiteral("V#100")), QStringLiteral("42"));
    EXPECT_EQ(store->stringForKey(key::monce), QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM")));
    checkAndWait();
    EXPECT_EQ(server.countOf(QStringLiteral("/downloads/products/runeboxx/monce/100")), 1);
    EXPECT_EQ(server.countOf(QStringLiteral("/downloads/products/runeboxx/once/100")), 1);
    EXPECT_EQ(server.countOf(QStringLiteral("/vck/runeboxx.xml")), 2);
}

TEST_F(UpdateCheckTest, TheArchiveChecksumAndSignatureGoWithTheVersion) {
    const QByteArray sum = QByteArray(64, 'A');
    const QByteArray signature = QByteArray(64, '\x5a').toBase64();
    QByteArray withSum = feed("101");
    withSum.replace("</Program_Info>", "<Program_Archive_SHA256> " + sum + " </Program_Archive_SHA256>"
                                       "<Program_Archive_Ed25519>" + signature + "</Program_Archive_Ed25519></Program_Info>");
    serveFeed(HttpAnswer::text(withSum));
    checkAndWait();
    EXPECT_EQ(checker->archiveSHA256(), QString(64, u'a'));
    EXPECT_EQ(checker->archiveSignature(), QString::fromLatin1(signature));
    // A feed without them removes those of the version before.
    serveFeed(HttpAnswer::text(feed("102")));
    checkAndWait();
    EXPECT_EQ(checker->archiveSHA256(), QString());
    EXPECT_EQ(checker->archiveSignature(), QString());
    EXPECT_FALSE(store->objectForKey(key::lastArchiveSHA256.qname()).isValid());
    EXPECT_FALSE(store->objectForKey(key::lastArchiveEd25519.qname()).isValid());
}

TEST_F(UpdateCheckTest, SkippingAVersionUntilANewerOneComes) {
    serveFeed(HttpAnswer::text(feed("101")));
    checkAndWait();
    ASSERT_EQ(heard->alerts, 1);
    checker->alertEnded(NewVersionAlert::SkipReturn);
    EXPECT_EQ(store->stringForKey(key::versionToSkip), QStringLiteral("101"));
    checkAndWait();
    EXPECT_EQ(heard->alerts, 1);
    serveFeed(HttpAnswer::text(feed("102")));
    checkAndWait();
    EXPECT_EQ(heard->alerts, 2);
    EXPECT_EQ(store->stringForKey(key::versionToSkip), QString());
    // The same or an older version clears the skipped one and offers nothing.
    store->setString(QStringLiteral("99"), key::versionToSkip.qname());
    serveFeed(HttpAnswer::text(feed("100")));
    checkAndWait();
    EXPECT_EQ(heard->alerts, 2);
    EXPECT_EQ(store->stringForKey(key::versionToSkip), QString());
    EXPECT_TRUE(checker->versionStatusMessage().endsWith(QStringLiteral(": runebox 100 is up-to-date.")));
}

TEST_F(UpdateCheckTest, FailuresAndFeedsThatOfferNothing) {
    // A version that needs a newer system is stored as "".
    serveFeed(HttpAnswer::text(feed("101", "Linux 99.9 or later")));
    checkAndWait();
    EXPECT_EQ(store->objectForKey(key::lastCurrentVersion.qname()), QVariant(QString("")));
    EXPECT_TRUE(checker->versionStatusMessage().startsWith(QStringLiteral("Last check on ")));
    EXPECT_TRUE(checker->versionStatusMessage().endsWith(QStringLiteral(".")));
    EXPECT_FALSE(checker->versionStatusMessage().contains(u':', Qt::CaseSensitive) &&
                 checker->versionStatusMessage().count(u':') > 1);
    // A failed feed removes the results but still notes the check.
    serveFeed(HttpAnswer::failure(503));
    checkAndWait();
    EXPECT_FALSE(store->objectForKey(key::lastCurrentVersion.qname()).isValid());
    EXPECT_FALSE(store->objectForKey(key::lastReleaseDate.qname()).isValid());
    EXPECT_TRUE(checker->versionStatusMessage().endsWith(QStringLiteral(" failed.")));
    // Hostile entries: an element name and a version that are no version, a huge feed.
    serveFeed(HttpAnswer::text("<a><Program_Version>../../../bin/sh'; rm -rf ~</Program_Version>"
                               "<Program_Release_Year>-5</Program_Release_Year></a>"));
    checkAndWait();
    EXPECT_EQ(store->stringForKey(key::lastCurrentVersion), QStringLiteral("../../../bin/sh'; rm -rf ~"));
    EXPECT_FALSE(store->objectForKey(key::lastReleaseDate.qname()).isValid());
    serveFeed(HttpAnswer::text(feed(QByteArray(3 << 20, '9'))));
    checkAndWait();
    EXPECT_FALSE(store->objectForKey(key::lastCurrentVersion.qname()).isValid());
    EXPECT_EQ(heard->alerts, 0);
    // The feed's address is never turned into plain http to another machine.
    store->setString(QStringLiteral("http://updates.example/"), key::updateServer.qname());
    EXPECT_TRUE(checker->padURL().startsWith(QStringLiteral("http://updates.example/")));
    checkAndWait();
    EXPECT_FALSE(store->objectForKey(key::lastCurrentVersion.qname()).isValid());
}

TEST_F(UpdateCheckTest, AutomaticChecksAreThrottledButNotTheFirst) {
    serveFeed(HttpAnswer::text(feed("100")));
    checkAndWait(false);  // the first automatic check of the process runs
    EXPECT_EQ(server.countOf(QStringLiteral("/vck/runeboxx.xml")), 1);
    checkAndWait(false);
    EXPECT_EQ(server.countOf(QStringLiteral("/vck/runeboxx.xml")), 1);
    checkAndWait(true);  // the user's is never throttled
    EXPECT_EQ(server.countOf(QStringLiteral("/vck/runeboxx.xml")), 2);
}

TEST_F(UpdateCheckTest, TheSchedule) {
    // Never: no timer.
    checker->updateTimer();
    EXPECT_EQ(checker->pendingDelay(), -1);
    // Weekly, last check a day ago with a result: six days to go.
    store->setInteger(2, key::updateInterval.qname());
    store->setString(kx::ns::dateDescription(QDateTime::currentDateTimeUtc().addDays(-1)), key::lastUpdateCheck.qname());
    store->setString(QStringLiteral("100"), key::lastCurrentVersion.qname());
    checker->updateTimer();
    EXPECT_NEAR(checker->pendingDelay(), 6 * 86400, 5);
    // The last feed failed: 29.5 hours after the last check.
    store->removeObjectForKey(key::lastCurrentVersion.qname());
    checker->updateTimer();
    EXPECT_NEAR(checker->pendingDelay(), 106200 - 86400, 5);
    // Never checked (or a date that does not parse): at launch plus 2.5 s.
    store->setString(QStringLiteral("yesterday"), key::lastUpdateCheck.qname());
    checker->updateTimer();
    EXPECT_GT(checker->pendingDelay(), 1.5);
    EXPECT_LE(checker->pendingDelay(), 2.5);
    // Eleven computations raise the smallest delay to a minute, thirty-one to a day.
    for (int i = 0; i < 8; ++i) checker->updateTimer();
    EXPECT_EQ(checker->pendingDelay(), 60);
    for (int i = 0; i < 20; ++i) checker->updateTimer();
    EXPECT_EQ(checker->pendingDelay(), 86400);
}

TEST_F(UpdateCheckTest, TheScheduleFollowsTheSettingsAndWaitsForAnIdleUser) {
    checker->start();
    store->setInteger(1, key::updateInterval.qname());
    ASSERT_TRUE(rbxtest::waitFor([&] { return checker->pendingDelay() > 0; }));
    store->setInteger(0, key::updateInterval.qname());
    ASSERT_TRUE(rbxtest::waitFor([&] { return checker->pendingDelay() == -1; }));
    ASSERT_TRUE(rbxtest::waitFor([&] { return !checker->isBusy(); }, 20000));

    // Idle 30 s at the first firing: again after 90 s; at the next one 115 s are needed.
    activity->idle = 30;
    checker->checkTimerFired();
    EXPECT_EQ(checker->pendingDelay(), 90);
    checker->checkTimerFired();
    EXPECT_EQ(checker->pendingDelay(), 85);
    // Another application fills the screen: postponed by five minutes.
    activity->idle = 200;
    activity->fullScreen = true;
    checker->checkTimerFired();
    EXPECT_EQ(checker->pendingDelay(), 300);
    EXPECT_FALSE(checker->isBusy());
    // Unless the user wants checks in full screen too.
    store->setBool(false, key::checkForUpdatesInFullScreenMode.qname());
    serveFeed(HttpAnswer::text(feed("100")));
    const int before = heard->finished;
    checker->checkTimerFired();
    EXPECT_TRUE(rbxtest::waitFor([&] { return heard->finished > before; }, 20000));
}

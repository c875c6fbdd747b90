// URL commands: query parameters, dispatch with the prefix fallback, result pages in a
// private folder, the get-URL event.
#include "common/TestEnvironment.h"
#include "kxlib/KXURLHandler.h"
#include "kxlib/URLExtensions.h"
#include "core/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/stat.h>

namespace {

QVariantMap params(const QString& url) { return kx::url::parameterDictionary(QUrl(url, QUrl::StrictMode)); }

TEST(URLParameters, SplitsAndDecodes) {
    EXPECT_EQ(params(QStringLiteral("runebox://x?a=1&b=&=c&d")),
              (QVariantMap{{QStringLiteral("a"), QStringLiteral("1")}, {QStringLiteral("b"), QString()}}));
    EXPECT_EQ(params(QStringLiteral("runebox://x?n%C3%A4me=v%20x+y&k=1=2")),
              (QVariantMap{{QString::fromUtf8("näme"), QStringLiteral("v x+y")}, {QStringLiteral("k"), QStringLiteral("1=2")}}));
    EXPECT_EQ(params(QStringLiteral("runebox://x?a=1&a=2")), (QVariantMap{{QStringLiteral("a"), QStringLiteral("2")}}));
    // Bytes that are no UTF-8 make the part undecodable: it is left out.
    EXPECT_EQ(params(QStringLiteral("runebox://x?a=%FF&b=2")), (QVariantMap{{QStringLiteral("b"), QStringLiteral("2")}}));
    EXPECT_TRUE(params(QStringLiteral("runebox://x")).isEmpty());
    EXPECT_TRUE(params(QStringLiteral("runebox://x?")).isEmpty());
    EXPECT_EQ(kx::url::percentDecoded(QStringLiteral("%41%42c")), QStringLiteral("ABc"));
    EXPECT_FALSE(kx::url::percentDecoded(QStringLiteral("%zz")));
    EXPECT_FALSE(kx::url::percentDecoded(QStringLiteral("ab%4")));
    EXPECT_FALSE(kx::url::percentDecoded(QStringLiteral("%")));
    EXPECT_EQ(kx::url::parameterDictionaryOfQuery(QStringLiteral("x=%zz&y=1")),
              (QVariantMap{{QStringLiteral("y"), QStringLiteral("1")}}));
}

class URLCommands : public ::testing::Test {
protected:
    URLCommands() : h(QVariantList{}) {
        h.setOpener([this](const QString& path) {
            opened << path;
            return true;
        });
    }
    KXURLHandler h;
    QStringList opened;
};

TEST_F(URLCommands, HostIsLowerCasedAndPrefixesFallBack) {
    QStringList calls;
    auto record = [&](const QString& name) {
        return [&calls, name](const QUrl& u) { calls << name + QLatin1Char(':') + u.host(); return QVariant(); };
    };
    h.unregisterCommand(QStringLiteral("*"));
    h.registerCommand(QStringLiteral("VCheck"), record(QStringLiteral("vcheck")));
    h.registerCommand(QStringLiteral("op*"), record(QStringLiteral("op*")));
    EXPECT_EQ(h.resolveCommand(QStringLiteral("VCheck")), QStringLiteral("vcheck"));
    EXPECT_EQ(h.resolveCommand(QStringLiteral("open")), QStringLiteral("op*"));
    EXPECT_EQ(h.resolveCommand(QStringLiteral("o")), QString());
    EXPECT_EQ(h.resolveCommand(QString()), QString());
    h.handleURL(QStringLiteral("runebox://VCheck?x=1"));
    h.handleURL(QStringLiteral("runebox://open"));
    h.handleURL(QStringLiteral("runebox://quit"));  // nothing registered reaches it
    EXPECT_EQ(calls, (QStringList{QStringLiteral("vcheck:vcheck"), QStringLiteral("op*:open")}));
    // A longer prefix is tried first, "*" last.
    h.registerCommand(QStringLiteral("ope*"), record(QStringLiteral("ope*")));
    h.registerCommand(QStringLiteral("*"), record(QStringLiteral("*")));
    EXPECT_EQ(h.resolveCommand(QStringLiteral("open")), QStringLiteral("ope*"));
    EXPECT_EQ(h.resolveCommand(QStringLiteral("quit")), QStringLiteral("*"));
    h.registerCommand(QStringLiteral("ope*"), KXURLHandler::Command());
    EXPECT_FALSE(h.isRegistered(QStringLiteral("ope*")));
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(URLCommands, BoundTargetsAndFailingCommands) {
    int calls = 0;
    auto* target = new QObject;
    h.registerCommand(QStringLiteral("t"), target, [&](const QUrl&) { ++calls; return QVariant(); });
    h.handleURL(QStringLiteral("runebox://t"));
    delete target;
    h.handleURL(QStringLiteral("runebox://t"));
    EXPECT_EQ(calls, 1);
    h.registerCommand(QStringLiteral("t"), nullptr, [&](const QUrl&) { ++calls; return QVariant(); });
    EXPECT_FALSE(h.isRegistered(QStringLiteral("t")));

    kx::LogCapture log;
    h.registerCommand(QStringLiteral("boom"), [](const QUrl&) -> QVariant { throw std::runtime_error("bad"); });
    EXPECT_EQ(h.handleURL(QStringLiteral("runebox://boom")), QString());
    EXPECT_TRUE(log.contains(QStringLiteral("URL command boom failed: bad")));
    // Not a URL, or far too long: refused before any command.
    h.registerCommand(QStringLiteral("x"), [&](const QUrl&) { ++calls; return QVariant(); });
    h.handleURL(QStringLiteral("runebox://x?a=%zz"));
    h.handleURL(QStringLiteral("runebox://x?a=") + QString(70000, u'a'));
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(log.contains(QStringLiteral("not a valid URL")));
}

TEST_F(URLCommands, DefaultCommandLogsTheParts) {
    kx::LogCapture log;
    h.handleURL(QStringLiteral("runebox://someone@whatever:99/p;q?a=1#frag"));
    EXPECT_TRUE(log.contains(QStringLiteral("url = runebox://someone@whatever:99/p;q?a=1#frag")));
    EXPECT_TRUE(log.contains(QStringLiteral("host = whatever")));
    EXPECT_TRUE(log.contains(QStringLiteral("scheme = runebox")));
    EXPECT_TRUE(log.contains(QStringLiteral("parameterString = q")));
    EXPECT_TRUE(log.contains(QStringLiteral("port = 99")));
    EXPECT_TRUE(log.contains(QStringLiteral("fragment = frag")));
    EXPECT_TRUE(log.contains(QStringLiteral("user = someone")));
    EXPECT_TRUE(log.contains(QStringLiteral("query = a=1")));
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(URLCommands, ResultPagesAreEscapedUniqueAndPrivate) {
    h.registerCommand(QStringLiteral("show"), [](const QUrl&) {
        return QVariant(QStringLiteral("Title:\r\r<script>alert(1)</script> & more"));
    });
    const QString first = h.handleURL(QStringLiteral("runebox://show"));
    const QString second = h.handleURL(QStringLiteral("runebox://show"));
    ASSERT_FALSE(first.isEmpty());
    EXPECT_NE(first, second);
    EXPECT_EQ(opened, (QStringList{first, second}));
    EXPECT_TRUE(QFileInfo(first).fileName().startsWith(QLatin1String("runebox-")));
    EXPECT_TRUE(first.endsWith(QLatin1String(".html")));
    QFile f(first);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(f.readAll());
    EXPECT_FALSE(html.contains(QLatin1String("<script>")));
    EXPECT_TRUE(html.contains(QLatin1String("Title:\n\n&lt;script&gt;alert(1)&lt;/script&gt; &amp; more")));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(QFileInfo(first).path()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // A prepared document goes out as it is.
    h.registerCommand(QStringLiteral("doc"), [](const QUrl&) {
        return QVariant::fromValue(KXURLResultPage{QStringLiteral("<p><b>bold</b></p>")});
    });
    const QString doc = h.handleURL(QStringLiteral("runebox://doc"));
    QFile d(doc);
    ASSERT_TRUE(d.open(QIODevice::ReadOnly));
    EXPECT_EQ(d.readAll(), QByteArray("<p><b>bold</b></p>"));
}

TEST_F(URLCommands, OthersFolderIsNeverUsedForPages) {
    // A runtime folder whose "runebox-pages" others can read: not ours to use.
    QTemporaryDir runtime;
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    QDir().mkpath(runtime.path() + QStringLiteral("/runebox-pages"));
    ::chmod(QFile::encodeName(runtime.path() + QStringLiteral("/runebox-pages")).constData(), 0755);
    KXURLHandler other{QVariantList{}};
    const QString folder = other.pageFolder();
    qputenv("XDG_RUNTIME_DIR", saved);
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_NE(folder, runtime.path() + QStringLiteral("/runebox-pages"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(URLCommands, GetURLEventDispatchesAfterTheReply) {
    QStringList hosts;
    h.registerCommand(QStringLiteral("open"), [&](const QUrl& u) { hosts << u.host(); return QVariant(); });
    appleevent::Event e;
    e.params.insert(appleevent::DirectParameter, QStringLiteral("runebox://open"));
    h.handleOpenLocationAppleEvent(e);
    EXPECT_TRUE(hosts.isEmpty());
    EXPECT_TRUE(rbxtest::waitFor([&] { return hosts.size() == 1; }));
    // A direct parameter that is no text is ignored.
    e.params.insert(appleevent::DirectParameter, 5);
    h.handleOpenLocationAppleEvent(e);
    rbxtest::spinEventLoop(30);
    EXPECT_EQ(hosts.size(), 1);
}

TEST_F(URLCommands, RefusalsAreReportedWithTheirReasons) {
    kx::LogCapture log;
    h.unregisterCommand(QStringLiteral("*"));
    h.registerCommand(QStringLiteral("pref"), [](const QUrl& u) {
        return u.hasQuery() ? KXURLHandler::refused(QStringLiteral("no setting named \"x\"")) : QVariant();
    });
    EXPECT_EQ(h.dispatchURL(QStringLiteral("runebox://pref")).refusal, QString());
    const KXURLHandler::Outcome refused = h.dispatchURL(QStringLiteral("runebox://pref?x=1"));
    EXPECT_EQ(refused.refusal, QStringLiteral("no setting named \"x\""));
    EXPECT_TRUE(refused.page.isEmpty());
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(h.dispatchURL(QStringLiteral("runebox://pref?a=%zz")).refusal.startsWith(QStringLiteral("not a valid URL")));
    EXPECT_EQ(h.dispatchURL(QStringLiteral("runebox://pref?a=") + QString(100000 - 17, u'a')).refusal,
              QStringLiteral("the URL has 100000 characters, more than 65536"));
    EXPECT_EQ(h.dispatchURL(QStringLiteral("runebox://nonsense")).refusal, QStringLiteral("no command \"nonsense\""));
    EXPECT_EQ(h.dispatchURL(QString()).refusal, QStringLiteral("no URL"));
    EXPECT_TRUE(log.contains(QStringLiteral("URL command refused: no command \"nonsense\"")));

    // The get-URL event answers once the URL was dispatched: nothing, or the refusal.
    QList<QVariantMap> answers;
    auto answer = [&answers](const QVariantMap& reply) { answers << reply; };
    appleevent::Event e;
    e.params.insert(appleevent::DirectParameter, QStringLiteral("runebox://pref?x=1"));
    h.handleOpenLocationAppleEvent(e, answer);
    EXPECT_TRUE(answers.isEmpty());
    e.params.insert(appleevent::DirectParameter, QStringLiteral("runebox://pref"));
    h.handleOpenLocationAppleEvent(e, answer);
    ASSERT_TRUE(rbxtest::waitFor([&] { return answers.size() == 2; }));
    EXPECT_EQ(answers[0].value(appleevent::ErrorNumberKey).toInt(), -50);
    EXPECT_EQ(answers[0].value(appleevent::ErrorStringKey).toString(), QStringLiteral("no setting named \"x\""));
    EXPECT_TRUE(answers[1].isEmpty());
    e.params.insert(appleevent::DirectParameter, 5);
    h.handleOpenLocationAppleEvent(e, answer);
    ASSERT_EQ(answers.size(), 3);
    EXPECT_EQ(answers[2].value(appleevent::ErrorStringKey).toString(), QStringLiteral("no URL"));
}

TEST(KXURLHandlerShared, MadeFromTheBundlesURLTypes) {
    KXURLHandler* h = KXURLHandler::handler();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(KXURLHandler::handler(), h);
    EXPECT_TRUE(h->schemes().contains(QStringLiteral("runebox")));
    EXPECT_TRUE(h->isRegistered(QStringLiteral("*")));
}

} // namespace

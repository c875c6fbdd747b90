// One running copy per session: a second `runebox URL` and `runebox-tool url URL` hand
// the URL to the first copy, which dispatches it as a URL command; a second `runebox`
// without URLs asks the first to open its palette.
#include "RuneboxPrograms.h"
#include "common/TestEnvironment.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

using x11test::run;
using x11test::Runebox;
using x11test::Tool;
const QString ServiceName = QStringLiteral("org.runebox.Runebox");

bool nameOwned() {
    const QDBusReply<bool> r = QDBusConnection::sessionBus().interface()->isServiceRegistered(ServiceName);
    return r.isValid() && r.value();
}

class FirstCopy {
public:
    FirstCopy() {
        m_p.setProcessChannelMode(QProcess::MergedChannels);
        m_p.start(Runebox, {});
    }
    ~FirstCopy() {
        m_p.terminate();
        if (!m_p.waitForFinished(5000)) {
            m_p.kill();
            m_p.waitForFinished();
        }
    }
    QString output() {
        m_out += QString::fromUtf8(m_p.readAll());
        return m_out;
    }
    bool waitForOutput(const QString& text) {
        return rbxtest::waitFor([&] { return output().contains(text); }, 15000);
    }
    QProcess& process() { return m_p; }

private:
    QProcess m_p;
    QString m_out;
};

TEST(UrlHandOver, SecondCopyHandsItsUrlToTheFirst) {
    ASSERT_FALSE(nameOwned());
    FirstCopy first;
    ASSERT_TRUE(first.process().waitForStarted());
    ASSERT_TRUE(rbxtest::waitFor(nameOwned, 15000)) << first.output().toStdString();

    QString out;
    EXPECT_EQ(run(Runebox, {QStringLiteral("runebox://Pref?x=1&name=a%20b")}, &out), 0) << out.toStdString();
    // The first copy's "pref" command names the parameters it refused.
    EXPECT_TRUE(first.waitForOutput(QStringLiteral("pref: no setting named \"name\""))) << first.output().toStdString();
    EXPECT_TRUE(first.output().contains(QStringLiteral("pref: no setting named \"x\"")));
    EXPECT_EQ(first.process().state(), QProcess::Running);

    // The same through the maintenance tool.
    EXPECT_EQ(run(Tool, {QStringLiteral("url"), QStringLiteral("runebox://vcheck")}, &out), 0) << out.toStdString();
    EXPECT_TRUE(first.waitForOutput(QStringLiteral("vcheck:"))) << first.output().toStdString();

    // A second copy without a URL leaves the first alone.
    EXPECT_EQ(run(Runebox, {}, &out), 0);
    EXPECT_TRUE(out.contains(QStringLiteral("another copy is running")));
    EXPECT_EQ(first.process().state(), QProcess::Running);
}

TEST(UrlHandOver, ToolReportsWhenNoCopyRuns) {
    ASSERT_FALSE(nameOwned());
    QString out;
    EXPECT_EQ(run(Tool, {QStringLiteral("url"), QStringLiteral("runebox://open")}, &out), 1);
    EXPECT_TRUE(out.contains(QStringLiteral("not running")));
    EXPECT_EQ(run(Tool, {QStringLiteral("url")}, &out), 2);
}

TEST(UrlHandOver, FirstCopyDispatchesItsOwnUrl) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(Runebox, {QStringLiteral("runebox://pref?hello=1")});
    QString out;
    EXPECT_TRUE(rbxtest::waitFor([&] {
        out += QString::fromUtf8(p.readAll());
        return out.contains(QStringLiteral("pref: no setting named \"hello\""));
    }, 15000)) << out.toStdString();
    p.terminate();
    p.waitForFinished();
}

} // namespace

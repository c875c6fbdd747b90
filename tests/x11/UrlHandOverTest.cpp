// One running copy per session: a second `runebox URL` and `runebox-tool url URL` hand
// the URL to the first copy, which dispatches it as a URL command and answers what it
// refused; a second `runebox` without URLs asks the first to open its palette. The
// command line's own options are answered without any copy.
#include "RuneboxPrograms.h"
#include "common/TestEnvironment.h"
#include "platform/defaults/DefaultsDomain.h"

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
    // "vcheck" below asks a closed port on this machine, not the project's server.
    ASSERT_EQ(run(Tool, {QStringLiteral("defaults"), QStringLiteral("write"), QStringLiteral("org.runebox.Runebox"),
                         QStringLiteral("updateServer"), QStringLiteral("http://127.0.0.1:9/")}),
              0);
    FirstCopy first;
    ASSERT_TRUE(first.process().waitForStarted());
    ASSERT_TRUE(rbxtest::waitFor(nameOwned, 15000)) << first.output().toStdString();

    QString out;
    // Neither parameter names a setting: the hand-over reports the refusal.
    EXPECT_EQ(run(Runebox, {QStringLiteral("runebox://Pref?x=1&name=a%20b")}, &out), 1) << out.toStdString();
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

// Runs a program; its exit code, standard output and standard error apart.
rbxtest::ProgramRun runApart(const QString& program, const QStringList& args) {
    return rbxtest::runProgram(program, args, rbxtest::Channels::Separate, 30000);
}

TEST(UrlHandOver, RefusedUrlsAreReportedOnBothRoads) {
    FirstCopy first;
    ASSERT_TRUE(rbxtest::waitFor(nameOwned, 15000)) << first.output().toStdString();

    const QString longURL = QStringLiteral("runebox://pref?sample=") + QString(100000 - 22, u'a');
    ASSERT_EQ(longURL.size(), 100000);
    const struct {
        QString url;
        QString reason;
    } refused[] = {
        {QStringLiteral("runebox://pref?nonsense=1"), QStringLiteral("was refused: no setting named \"nonsense\"")},
        {QStringLiteral("runebox://pref?recentLines=banana"),
         QStringLiteral("was refused: \"banana\" is no value for recentLines")},
        {QStringLiteral("runebox://pref?sample=%zz"), QStringLiteral("was refused: not a valid URL")},
        // A view the palette has not.
        {QStringLiteral("runebox://pref?view=13"),
         QStringLiteral("was refused: \"13\" is no value for view, which holds one of 1, 2, 3, 10, 11, 12")},
        {longURL, QStringLiteral("was refused: the URL has 100000 characters")},
        {QStringLiteral("runebox://nonsense"), QStringLiteral("was refused: no command \"nonsense\"")},
    };
    for (const auto& r : refused) {
        for (const QStringList& command : {QStringList{Runebox, r.url}, QStringList{Tool, QStringLiteral("url"), r.url}}) {
            const rbxtest::ProgramRun p = runApart(command[0], command.mid(1));
            EXPECT_EQ(p.code, 1) << r.url.left(60).toStdString() << ": " << p.err.toStdString();
            EXPECT_TRUE(p.err.contains(r.reason)) << r.url.left(60).toStdString() << ": " << p.err.toStdString();
            EXPECT_LT(p.err.size(), 1000);  // the long URL is cut
        }
    }
    // What the copy took goes through with status 0, and took effect.
    rbxtest::ProgramRun p = runApart(Runebox, {QStringLiteral("runebox://pref?recentLines=3")});
    EXPECT_EQ(p.code, 0) << p.err.toStdString();
    EXPECT_TRUE(p.err.isEmpty()) << p.err.toStdString();
    p = runApart(Tool, {QStringLiteral("defaults"), QStringLiteral("read"), QStringLiteral("org.runebox.Runebox"),
                        QStringLiteral("recentLines")});
    EXPECT_EQ(p.out, QStringLiteral("3\n"));
    // Numbers are stored with their type.
    EXPECT_EQ(platform::DefaultsDomain::readDomain(QStringLiteral("org.runebox.Runebox")).value(QStringLiteral("recentLines")).typeId(),
              QMetaType::LongLong);
    EXPECT_EQ(runApart(Runebox, {QStringLiteral("runebox://pref?relativeFontSize=40.5")}).code, 0);
    EXPECT_EQ(platform::DefaultsDomain::readDomain(QStringLiteral("org.runebox.Runebox")).value(QStringLiteral("relativeFontSize")),
              QVariant(40.5));
    EXPECT_EQ(first.process().state(), QProcess::Running);
}

TEST(CommandLine, HelpVersionAndUnknownOptions) {
    // With a copy running, --help still answers for itself.
    FirstCopy first;
    ASSERT_TRUE(rbxtest::waitFor(nameOwned, 15000)) << first.output().toStdString();
    rbxtest::ProgramRun p = runApart(Runebox, {QStringLiteral("--help")});
    EXPECT_EQ(p.code, 0);
    EXPECT_TRUE(p.out.startsWith(QStringLiteral("usage: runebox"))) << p.out.toStdString();
    EXPECT_FALSE(p.err.contains(QStringLiteral("another copy is running")));
    p = runApart(Runebox, {QStringLiteral("--version")});
    EXPECT_EQ(p.code, 0);
    // The project's version and build number, as About shows them.
    EXPECT_EQ(p.out, QStringLiteral("Runebox " RUNEBOX_VERSION " (" RUNEBOX_BUILD_NUMBER ")\n"));
    p = runApart(Runebox, {QStringLiteral("--bogus")});
    EXPECT_EQ(p.code, 2);
    EXPECT_TRUE(p.err.contains(QStringLiteral("runebox: unknown option --bogus"))) << p.err.toStdString();
    EXPECT_TRUE(p.err.contains(QStringLiteral("usage: runebox")));
    p = runApart(Runebox, {QStringLiteral("runebox://open"), QStringLiteral("notes.txt")});
    EXPECT_EQ(p.code, 2);
    EXPECT_TRUE(p.err.contains(QStringLiteral("neither an option nor a runebox URL: notes.txt"))) << p.err.toStdString();
    EXPECT_EQ(first.process().state(), QProcess::Running);
}

TEST(CommandLine, HelpNeedsNoDisplay) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    p.setProcessEnvironment(env);
    p.start(Runebox, {QStringLiteral("--help")});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(p.readAllStandardOutput().startsWith("usage: runebox"));
}

} // namespace

// One running copy per session: a second `runebox URL` and `runebox-tool url URL` hand
// the URL to the first copy, which dispatches it as a URL command and answers what it
// refused; a second `runebox` without URLs asks the first to open its palette. The
// command line's own options are answered without any copy.
#include "RuneboxPrograms.h"
#include "common/TestEnvironment.h"
#include "platform/defaults/DefaultsDomain.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFileInfo>
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
        // A link changes all it names or nothing.
        {QStringLiteral("runebox://pref?formattedSize=21&bogus=1"), QStringLiteral("no setting named \"bogus\"; nothing was changed")},
        // Nor can it choose where the names are read from.
        {QStringLiteral("runebox://pref?unicodeFolder=%2Ftmp"), QStringLiteral("unicodeFolder cannot be changed by a link")},
        {QStringLiteral("runebox://set?insert=bogus"), QStringLiteral("\"bogus\" is no insert mode")},
        // A per-application settings file stays in its folder and names a script of the
        // bundle only.
        {QStringLiteral("runebox://appsetting?name=../evil&signature=/xterm&directInsertion=1"),
         QStringLiteral("invalid name in URL: the name \"../evil\" is not the name of one file")},
        {QStringLiteral("runebox://appsetting?name=.hidden&signature=/xterm&directInsertion=1"),
         QStringLiteral("the name \".hidden\" begins with \".\"")},
        {QStringLiteral("runebox://appsetting?name=&signature=/xterm&directInsertion=1"), QStringLiteral("the name is empty")},
        {QStringLiteral("runebox://appsetting?name=e&directInsertion=1"), QStringLiteral("missing signature in URL")},
        {QStringLiteral("runebox://appsetting?name=e&signature=/xterm&fdScript=../../../../../../../../tmp/x"),
         QStringLiteral("fdScript refused: the name \"../../../../../../../../tmp/x.sh\" leads outside its folder")},
        {QStringLiteral("runebox://open?sheet=shape&file=%2Fetc%2Fpasswd"), QStringLiteral("\"/etc/passwd\" is not a shape file")},
    };
    for (const auto& r : refused) {
        for (const QStringList& command : {QStringList{Runebox, r.url}, QStringList{Tool, QStringLiteral("url"), r.url}}) {
            const rbxtest::ProgramRun p = runApart(command[0], command.mid(1));
            EXPECT_EQ(p.code, 1) << r.url.left(60).toStdString() << ": " << p.err.toStdString();
            EXPECT_TRUE(p.err.contains(r.reason)) << r.url.left(60).toStdString() << ": " << p.err.toStdString();
            EXPECT_LT(p.err.size(), 1000);  // the long URL is cut
        }
    }
    const QString appSettings = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Runebox/Application Settings");
    EXPECT_EQ(QDir(appSettings).entryList(QDir::Files | QDir::Hidden), QStringList()) << appSettings.toStdString();
    EXPECT_FALSE(QFileInfo::exists(qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Runebox/evil.plist")));
    EXPECT_FALSE(rbxtest::runProgram(Tool, {QStringLiteral("defaults"), QStringLiteral("read"), QStringLiteral("org.runebox.Runebox"),
                                            QStringLiteral("formattedSize")}, rbxtest::Channels::Separate, 30000)
                     .out.startsWith(QStringLiteral("21")));
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
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    p.start(Runebox, {QStringLiteral("--help")});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(p.readAllStandardOutput().startsWith("usage: runebox"));
    // A wrong argument is answered as with a display; the toolkit's own options (and their
    // values) are not taken for wrong ones.
    for (const QStringList& args : {QStringList{QStringLiteral("--bogus")}, QStringList{QStringLiteral("notes.txt")},
                                    QStringList{QStringLiteral("-style"), QStringLiteral("fusion"), QStringLiteral("-x")}}) {
        p.start(Runebox, args);
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << args.join(u' ').toStdString();
        EXPECT_EQ(p.exitCode(), 2) << args.join(u' ').toStdString();
        const QByteArray err = p.readAllStandardError();
        EXPECT_TRUE(err.contains("usage: runebox")) << err.toStdString();
        EXPECT_FALSE(err.contains("fusion") || err.contains("-style")) << err.toStdString();
    }
    // Without anything to show the palette on, the program says so.
    p.start(Runebox, {});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(p.readAllStandardError().contains("no X display"));
    // The maintenance tool's usage, asked for, is its output.
    p.start(Tool, {QStringLiteral("--help")});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(p.readAllStandardOutput().startsWith("usage: runebox-tool COMMAND"));
    EXPECT_TRUE(p.readAllStandardError().isEmpty());
}

} // namespace

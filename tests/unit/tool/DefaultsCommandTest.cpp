#include "kxlib/KXDefaultObserver.h"
#include "common/ScopedInstance.h"
#include "kxlib/RbxDefaults.h"
#include "core/Plist.h"
#include "platform/defaults/DefaultsDomain.h"

#include "common/TestEnvironment.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct ToolResult {
    int exitCode = -1;
    QString out, err;
};

// Runs runebox-tool as a separate process; the event loop keeps running meanwhile so
// that the store's file watcher can do its work.
ToolResult runTool(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(RUNEBOX_BINARY_DIR "/tools/runebox-tool"), args);
    ToolResult r;
    if (!p.waitForStarted(10000)) return r;
    rbxtest::waitFor([&] { return p.state() == QProcess::NotRunning || p.waitForFinished(10); }, 30000);
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

class Recorder : public KXDefaultObserver {
public:
    void defaultChanged(const QString& key) override { keys << key; }
    QStringList keys;
};

} // namespace

TEST(DefaultsCommand, WritesByTheToolReachTheRunningStore) {
    QTemporaryDir resources;
    {
        QFile f(resources.path() + QStringLiteral("/UserDefaults.plist"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(kx::plist::writeXml(QVariantMap{{QStringLiteral("magnify"), true}}));
    }
    const QString domain = QStringLiteral("test.tool");
    rbxtest::ScopedInstance<RbxDefaults> installed(RbxDefaults::open(domain, resources.path()));
    RbxDefaults& store = *installed;
    Recorder observer;
    store.addObserver(&observer);
    EXPECT_TRUE(store.boolForKey(QStringLiteral("magnify")));
    store.setString(QStringLiteral("mine"), QStringLiteral("selectedFont"));

    ToolResult r = runTool({QStringLiteral("defaults"), QStringLiteral("write"), domain, QStringLiteral("magnify"),
                            QStringLiteral("NO")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_TRUE(rbxtest::waitFor([&] { return observer.keys.contains(QStringLiteral("magnify")); }));
    EXPECT_FALSE(store.boolForKey(QStringLiteral("magnify")));
    EXPECT_EQ(store.objectForKey(QStringLiteral("magnify")), QVariant(QStringLiteral("NO")));
    // The tool kept what the store had written.
    r = runTool({QStringLiteral("defaults"), QStringLiteral("read"), domain, QStringLiteral("selectedFont")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("mine\n"));

    // The store's own writes are what the tool reads.
    store.setInteger(42, QStringLiteral("useCount"));
    r = runTool({QStringLiteral("defaults"), QStringLiteral("read"), domain, QStringLiteral("useCount")});
    EXPECT_EQ(r.out, QStringLiteral("42\n"));
    r = runTool({QStringLiteral("defaults"), QStringLiteral("read"), domain});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("useCount = 42;"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("\"launch count\" = 1;"))) << r.out.toStdString();

    observer.keys.clear();
    r = runTool({QStringLiteral("defaults"), QStringLiteral("delete"), domain, QStringLiteral("selectedFont")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_TRUE(rbxtest::waitFor([&] { return observer.keys.contains(QStringLiteral("selectedFont")); }));
    EXPECT_FALSE(store.objectForKey(QStringLiteral("selectedFont")).isValid());
    EXPECT_FALSE(observer.keys.contains(QStringLiteral("magnify")));
}

TEST(DefaultsCommand, ReportsWhatIsMissingAndBadUsage) {
    ToolResult r = runTool({QStringLiteral("defaults"), QStringLiteral("read"), QStringLiteral("test.none"),
                            QStringLiteral("k")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("(test.none, k) does not exist"))) << r.err.toStdString();
    r = runTool({QStringLiteral("defaults"), QStringLiteral("read"), QStringLiteral("test.none")});
    EXPECT_EQ(r.exitCode, 1);
    r = runTool({QStringLiteral("defaults"), QStringLiteral("delete"), QStringLiteral("test.none"),
                 QStringLiteral("k")});
    EXPECT_EQ(r.exitCode, 1);
    r = runTool({QStringLiteral("defaults"), QStringLiteral("write"), QStringLiteral("test.none")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("usage: runebox-tool defaults")));
    // Nothing was created by the failed commands.
    EXPECT_FALSE(QFile::exists(platform::DefaultsDomain::pathForDomain(QStringLiteral("test.none"))));
}

TEST(DefaultsCommand, RuneboxsOwnKeysTakeOnlyValuesOfTheirType) {
    const QString domain = QStringLiteral("org.runebox.Runebox");
    auto write = [&](const char* key, const char* value) {
        return runTool({QStringLiteral("defaults"), QStringLiteral("write"), domain, QString::fromUtf8(key),
                        QString::fromUtf8(value)});
    };
    auto stored = [&](const char* key) {
        return platform::DefaultsDomain::readDomain(domain).value(QString::fromUtf8(key));
    };
    ASSERT_EQ(write("recentLines", "4").exitCode, 0);
    ToolResult r = write("recentLines", "banana");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("\"banana\" is no value for recentLines, which holds an integer")))
        << r.err.toStdString();
    EXPECT_EQ(stored("recentLines"), QVariant(QStringLiteral("4")));
    EXPECT_EQ(write("relativeFontSize", "nan").exitCode, 1);
    // Sizes the table cannot be drawn with.
    r = write("relativeFontSize", "1e308");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("which holds a number from 1 to 10000"))) << r.err.toStdString();
    EXPECT_EQ(write("relativeFontSize", "-5").exitCode, 1);
    EXPECT_FALSE(stored("relativeFontSize").isValid());
    EXPECT_EQ(write("magnify", "perhaps").exitCode, 1);
    EXPECT_EQ(write("applications", "{}").exitCode, 1);
    EXPECT_FALSE(stored("applications").isValid());

    // Accepted values are stored as the palette's own setters store them.
    ASSERT_EQ(write("magnify", "YES").exitCode, 0);
    EXPECT_EQ(stored("magnify"), QVariant(true));
    ASSERT_EQ(write("relativeFontSize", " 32.5").exitCode, 0);
    EXPECT_EQ(stored("relativeFontSize"), QVariant(QStringLiteral("32.5")));
    ASSERT_EQ(write("selectedFont", "DejaVu Sans").exitCode, 0);
    EXPECT_EQ(stored("selectedFont"), QVariant(QStringLiteral("DejaVu Sans")));
    // Keys outside the table, and other domains, take any text.
    ASSERT_EQ(write("layout Emoji installed", "whatever").exitCode, 0);
    EXPECT_EQ(stored("layout Emoji installed"), QVariant(QStringLiteral("whatever")));
    EXPECT_EQ(runTool({QStringLiteral("defaults"), QStringLiteral("write"), QStringLiteral("test.other"),
                       QStringLiteral("recentLines"), QStringLiteral("banana")})
                  .exitCode,
              0);
}

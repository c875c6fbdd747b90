#include "kxlib/KXDefaultObserver.h"
#include "common/ScopedInstance.h"
#include "kxlib/RbxDefaults.h"
#include "core/Plist.h"
#include "platform/defaults/DefaultsDomain.h"

#include "common/SmallFileSystem.h"
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
    EXPECT_EQ(stored("recentLines").toInt(), 4);
    EXPECT_EQ(stored("recentLines").typeId(), QMetaType::LongLong);
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
    EXPECT_EQ(stored("relativeFontSize"), QVariant(32.5));
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

TEST(DefaultsCommand, UnreadableFilesFullDisksAndControlCharactersAreErrorsThatChangeNothing) {
    const QString domain = QStringLiteral("test.errors");
    const QString path = platform::DefaultsDomain::pathForDomain(domain);
    auto tool = [&](const QStringList& rest) { return runTool(QStringList{QStringLiteral("defaults")} + rest); };
    auto fileBytes = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    ToolResult r = tool({QStringLiteral("write"), domain, QStringLiteral("layout"), QStringLiteral("Mine")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();

    // A control character would make the file unreadable: refused.
    const QByteArray before = fileBytes();
    r = tool({QStringLiteral("write"), domain, QStringLiteral("sample"), QStringLiteral("a\x01z")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Refused: the text holds U+0001"))) << r.err.toStdString();
    EXPECT_EQ(fileBytes(), before);

    // A file that cannot be read is reported as such, not as an empty domain.
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("<plist><dict><key>sample</key><string>a&#0;b</string></dict></plist>");
    }
    r = tool({QStringLiteral("read"), domain});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Cannot read the settings"))) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    r = tool({QStringLiteral("read"), domain, QStringLiteral("sample")});
    EXPECT_EQ(r.exitCode, 1);

    // A full disk: the write fails with the reason, and the file is as it was.
    rbxtest::SmallFileSystem fs(platform::DefaultsDomain::folderPath());
    if (!fs.isMounted()) GTEST_SKIP() << fs.skipReason().toStdString();
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(before);
    }
    ASSERT_TRUE(fs.fill());
    r = tool({QStringLiteral("write"), domain, QStringLiteral("sample"), QString(900, u's')});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("No space left on device"))) << r.err.toStdString();
    EXPECT_EQ(fileBytes(), before);
    r = tool({QStringLiteral("delete"), domain, QStringLiteral("layout")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(fileBytes(), before);
    fs.free();
    r = tool({QStringLiteral("read"), domain, QStringLiteral("layout")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.trimmed(), QStringLiteral("Mine"));
}

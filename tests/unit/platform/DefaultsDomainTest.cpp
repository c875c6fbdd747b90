#include "platform/defaults/DefaultsDomain.h"
#include "platform/defaults/UserDefaults.h"

#include "core/Log.h"
#include "core/Plist.h"

#include "common/BinaryPlist.h"
#include "common/SmallFileSystem.h"
#include "common/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

using platform::DefaultsDomain;
using platform::UserDefaults;

namespace {

QVariantMap fileContents(const QString& path) {
    const kx::plist::Result r = kx::plist::readFile(path);
    EXPECT_TRUE(r.ok()) << r.error.toStdString();
    return r.value.toMap();
}

struct Recorder {
    QList<std::pair<QString, QVariant>> changes;
    DefaultsDomain::ChangeHandler handler() {
        return [this](const QString& k, const QVariant& v) { changes.append({k, v}); };
    }
    bool saw(const QString& key) const {
        for (const auto& c : changes)
            if (c.first == key) return true;
        return false;
    }
    QVariant last(const QString& key) const {
        for (auto it = changes.rbegin(); it != changes.rend(); ++it)
            if (it->first == key) return it->second;
        return QVariant(QStringLiteral("<never>"));
    }
};

} // namespace

TEST(DefaultsDomain, WritesThroughToAnXmlFileInTheConfigFolder) {
    const QString path = DefaultsDomain::pathForDomain(QStringLiteral("test.write"));
    EXPECT_EQ(path, rbxtest::privateHome() + QStringLiteral("/config/runebox/test.write.plist"));
    {
        DefaultsDomain d(QStringLiteral("test.write"));
        EXPECT_TRUE(d.values().isEmpty());
        ASSERT_TRUE(d.setValue(QStringLiteral("text"), QStringLiteral("5")));
        ASSERT_TRUE(d.setValue(QStringLiteral("number"), 7));
        ASSERT_TRUE(d.setValue(QStringLiteral("gone"), true));
        ASSERT_TRUE(d.removeValue(QStringLiteral("gone")));
        EXPECT_EQ(d.value(QStringLiteral("number")).typeId(), QMetaType::LongLong);
    }
    const QVariantMap stored = fileContents(path);
    EXPECT_EQ(stored.value(QStringLiteral("text")), QVariant(QStringLiteral("5")));
    EXPECT_EQ(stored.value(QStringLiteral("number")).toLongLong(), 7);
    EXPECT_FALSE(stored.contains(QStringLiteral("gone")));
    DefaultsDomain again(QStringLiteral("test.write"));
    EXPECT_EQ(again.values(), stored);

    // A domain name cannot point outside the folder.
    EXPECT_TRUE(DefaultsDomain::pathForDomain(QStringLiteral("../../escape"))
                    .startsWith(DefaultsDomain::folderPath() + u'/'));
    EXPECT_FALSE(DefaultsDomain::pathForDomain(QStringLiteral("../../escape")).contains(QStringLiteral("/../")));
}

TEST(DefaultsDomain, ChangesByAnotherWriterAreReportedPerKey) {
    DefaultsDomain reader(QStringLiteral("test.shared"));
    DefaultsDomain writer(QStringLiteral("test.shared"), DefaultsDomain::Watch::No);
    Recorder seen;
    reader.setChangeHandler(seen.handler());

    ASSERT_TRUE(reader.setValue(QStringLiteral("mine"), QStringLiteral("kept")));
    ASSERT_TRUE(writer.setValue(QStringLiteral("theirs"), QStringLiteral("one")));
    ASSERT_TRUE(rbxtest::waitFor([&] { return seen.saw(QStringLiteral("theirs")); }));
    EXPECT_EQ(seen.last(QStringLiteral("theirs")), QVariant(QStringLiteral("one")));
    EXPECT_EQ(reader.value(QStringLiteral("theirs")), QVariant(QStringLiteral("one")));
    // The writer never saw "mine" but kept it in the file.
    EXPECT_EQ(fileContents(reader.path()).value(QStringLiteral("mine")), QVariant(QStringLiteral("kept")));
    // The reader's own write is not reported back as a change from outside.
    EXPECT_FALSE(seen.saw(QStringLiteral("mine")));

    seen.changes.clear();
    ASSERT_TRUE(writer.setValue(QStringLiteral("theirs"), QStringLiteral("one")));  // unchanged
    ASSERT_TRUE(writer.removeValue(QStringLiteral("mine")));
    ASSERT_TRUE(rbxtest::waitFor([&] { return seen.saw(QStringLiteral("mine")); }));
    rbxtest::spinEventLoop(100);
    EXPECT_FALSE(seen.last(QStringLiteral("mine")).isValid());
    EXPECT_FALSE(seen.saw(QStringLiteral("theirs")));
    EXPECT_FALSE(reader.value(QStringLiteral("mine")).isValid());

    // The file replaced as a whole (as other tools write it) is noticed too.
    seen.changes.clear();
    QVariantMap replaced;
    replaced.insert(QStringLiteral("theirs"), QStringLiteral("two"));
    ASSERT_TRUE(kx::plist::writeXmlFile(reader.path(), replaced));
    ASSERT_TRUE(rbxtest::waitFor([&] { return seen.saw(QStringLiteral("theirs")); }));
    EXPECT_EQ(seen.last(QStringLiteral("theirs")), QVariant(QStringLiteral("two")));
}

TEST(DefaultsDomain, AnInterruptedWriteLeavesTheOldFileIntact) {
    const QString domain = QStringLiteral("test.crash");
    // Once armed, the process dies after writing the new contents, before they replace
    // the file.
    struct Crash : DefaultsDomain::WriteListener {
        void contentsWritten(const QString&) override {
            if (armed) _exit(0);
        }
        bool armed = false;
    } crash;
    DefaultsDomain d(domain, DefaultsDomain::Watch::No, &crash);
    ASSERT_TRUE(d.setValue(QStringLiteral("before"), QStringLiteral("safe")));
    const QVariantMap before = fileContents(d.path());

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        crash.armed = true;
        d.setValue(QStringLiteral("during"), QStringLiteral("lost"));
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0) << "the write did not reach the interruption point";

    EXPECT_EQ(fileContents(d.path()), before);
    // The lock the dead process left behind does not block the next write.
    DefaultsDomain later(domain, DefaultsDomain::Watch::No);
    ASSERT_TRUE(later.setValue(QStringLiteral("after"), QStringLiteral("written")));
    const QVariantMap after = fileContents(d.path());
    EXPECT_EQ(after.value(QStringLiteral("before")), QVariant(QStringLiteral("safe")));
    EXPECT_EQ(after.value(QStringLiteral("after")), QVariant(QStringLiteral("written")));
    EXPECT_FALSE(after.contains(QStringLiteral("during")));
}

TEST(DefaultsDomain, TemporaryFilesOfUnfinishedWritesAreRemovedAtStart) {
    const QString path = DefaultsDomain::pathForDomain(QStringLiteral("test.left"));
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString folder = QFileInfo(path).absolutePath();
    const QStringList left{QStringLiteral(".test.left.plist.0123abcd.tmp"), QStringLiteral(".test.left.plist.ffffffff.tmp")};
    const QStringList others{QStringLiteral(".test.other.plist.0123abcd.tmp"), QStringLiteral("test.left.plist.notes")};
    for (const QString& name : left + others) {
        QFile f(folder + u'/' + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    // A program that only reads the settings leaves them to the writer.
    DefaultsDomain(QStringLiteral("test.left"), DefaultsDomain::Watch::No);
    EXPECT_TRUE(QFile::exists(folder + u'/' + left.first()));
    kx::LogCapture capture;
    DefaultsDomain d(QStringLiteral("test.left"));
    for (const QString& name : left) EXPECT_FALSE(QFile::exists(folder + u'/' + name)) << name.toStdString();
    for (const QString& name : others) EXPECT_TRUE(QFile::exists(folder + u'/' + name)) << name.toStdString();
    EXPECT_TRUE(capture.contains(QStringLiteral("removed 2 temporary file(s)")));
}

TEST(DefaultsDomain, ADamagedFileIsKeptAsideNotWrittenOver) {
    const QString path = DefaultsDomain::pathForDomain(QStringLiteral("test.damaged"));
    QDir().mkpath(QFileInfo(path).absolutePath());
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<plist><dict><key>half");
    }
    kx::LogCapture capture;
    DefaultsDomain d(QStringLiteral("test.damaged"), DefaultsDomain::Watch::No);
    EXPECT_TRUE(d.values().isEmpty());
    EXPECT_TRUE(capture.contains(QStringLiteral("could not read settings")));
    ASSERT_TRUE(d.setValue(QStringLiteral("k"), QStringLiteral("v")));
    EXPECT_EQ(fileContents(path).value(QStringLiteral("k")), QVariant(QStringLiteral("v")));
    QFile aside(path + QStringLiteral(".corrupt-1"));
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_EQ(aside.readAll(), QByteArray("<plist><dict><key>half"));
}

TEST(DefaultsDomain, AFullDiskKeepsChangesPendingUntilTheyCanBeWritten) {
    rbxtest::SmallFileSystem fs(DefaultsDomain::folderPath());
    if (!fs.isMounted()) GTEST_SKIP() << fs.skipReason().toStdString();
    kx::LogCapture log;
    const QString domain = QStringLiteral("test.full");
    auto d = std::make_unique<DefaultsDomain>(domain, DefaultsDomain::Watch::No);
    ASSERT_TRUE(d->setValue(QStringLiteral("layout"), QStringLiteral("Mine")));
    ASSERT_TRUE(d->setValue(QStringLiteral("launch count"), QStringLiteral("12")));
    const QVariantMap before = fileContents(d->path());
    ASSERT_TRUE(fs.fill());

    platform::Stored s = d->setValue(QStringLiteral("sample"), QStringLiteral("changed while full"));
    EXPECT_EQ(s.status, platform::Stored::NotYetSaved);
    EXPECT_TRUE(s.reason.contains(QStringLiteral("No space left on device"))) << s.reason.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("kept to be written later")));
    EXPECT_EQ(fileContents(d->path()), before);  // never emptied
    EXPECT_EQ(d->value(QStringLiteral("sample")), QVariant(QStringLiteral("changed while full")));
    EXPECT_EQ(d->setValue(QStringLiteral("layout"), QVariant()).status, platform::Stored::NotYetSaved);
    QStringList pending = d->pendingKeys();
    pending.sort();
    EXPECT_EQ(pending, (QStringList{QStringLiteral("layout"), QStringLiteral("sample")}));
    EXPECT_EQ(d->flush().status, platform::Stored::NotYetSaved);
    // Reading the file again keeps what is waiting.
    d->reload();
    EXPECT_EQ(d->value(QStringLiteral("sample")), QVariant(QStringLiteral("changed while full")));
    EXPECT_FALSE(d->value(QStringLiteral("layout")).isValid());

    // Freed: the next change writes what waited with it.
    fs.free();
    ASSERT_TRUE(d->setValue(QStringLiteral("next"), QStringLiteral("1")));
    EXPECT_TRUE(d->pendingKeys().isEmpty());
    QVariantMap after = fileContents(d->path());
    EXPECT_EQ(after.value(QStringLiteral("sample")), QVariant(QStringLiteral("changed while full")));
    EXPECT_FALSE(after.contains(QStringLiteral("layout")));
    EXPECT_EQ(after.value(QStringLiteral("launch count")), QVariant(QStringLiteral("12")));

    // Flushed explicitly, and at the end of the domain's life.
    ASSERT_TRUE(fs.fill());
    EXPECT_FALSE(d->setValue(QStringLiteral("a"), QStringLiteral("1")));
    fs.free();
    EXPECT_TRUE(d->flush());
    EXPECT_EQ(fileContents(d->path()).value(QStringLiteral("a")), QVariant(QStringLiteral("1")));
    ASSERT_TRUE(fs.fill());
    EXPECT_FALSE(d->setValue(QStringLiteral("b"), QStringLiteral("2")));
    fs.free();
    d.reset();
    after = fileContents(DefaultsDomain::pathForDomain(domain));
    EXPECT_EQ(after.value(QStringLiteral("b")), QVariant(QStringLiteral("2")));
    EXPECT_EQ(after.value(QStringLiteral("sample")), QVariant(QStringLiteral("changed while full")));
}

TEST(DefaultsDomain, APendingChangeIsRetriedWhileTheApplicationRuns) {
    rbxtest::SmallFileSystem fs(DefaultsDomain::folderPath());
    if (!fs.isMounted()) GTEST_SKIP() << fs.skipReason().toStdString();
    kx::LogCapture log;
    DefaultsDomain d(QStringLiteral("test.retry"));
    ASSERT_TRUE(d.setValue(QStringLiteral("kept"), QStringLiteral("yes")));
    ASSERT_TRUE(fs.fill());
    EXPECT_FALSE(d.setValue(QStringLiteral("late"), QStringLiteral("written")));
    fs.free();
    ASSERT_TRUE(rbxtest::waitFor([&] { return d.pendingKeys().isEmpty(); }, 3 * DefaultsDomain::RetryIntervalMs));
    EXPECT_EQ(fileContents(d.path()).value(QStringLiteral("late")), QVariant(QStringLiteral("written")));
    EXPECT_TRUE(log.contains(QStringLiteral("settings saved after all (late)")));
}

TEST(DefaultsDomain, TextsTheFileCannotCarryAreRefusedAndLeftOutWhenRead) {
    kx::LogCapture log;
    DefaultsDomain d(QStringLiteral("test.text"), DefaultsDomain::Watch::No);
    ASSERT_TRUE(d.setValue(QStringLiteral("sample"), QStringLiteral("before")));
    const platform::Stored s = d.setValue(QStringLiteral("sample"), QString::fromUtf16(u"a\u0000b", 3));
    EXPECT_EQ(s.status, platform::Stored::Refused);
    EXPECT_TRUE(s.reason.contains(QStringLiteral("U+0000"))) << s.reason.toStdString();
    EXPECT_EQ(d.value(QStringLiteral("sample")), QVariant(QStringLiteral("before")));
    EXPECT_EQ(d.setValue(QStringLiteral("ctl\x01"), 1).status, platform::Stored::Refused);
    EXPECT_EQ(d.setValue(QStringLiteral("apps"), QVariantMap{{QStringLiteral("\x01app"), 1}}).status,
              platform::Stored::Refused);
    EXPECT_TRUE(d.pendingKeys().isEmpty());
    EXPECT_EQ(fileContents(d.path()), (QVariantMap{{QStringLiteral("sample"), QStringLiteral("before")}}));

    // A binary file (as another program writes it) holding such a text: the rest is
    // read, the text is left out, and the file written back is readable.
    using rbxtest::asciiObject;
    const QByteArray binary = rbxtest::binaryPlist({rbxtest::bytes({0xD3, 1, 2, 3, 4, 5, 6}), asciiObject("sample"),
                                                    asciiObject("layout"), asciiObject("count"),
                                                    asciiObject(QByteArray("a\0b", 3)), asciiObject("Mine"),
                                                    asciiObject("7")});
    const QString path = DefaultsDomain::pathForDomain(QStringLiteral("test.binary"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(binary);
    }
    DefaultsDomain b(QStringLiteral("test.binary"), DefaultsDomain::Watch::No);
    EXPECT_TRUE(b.readError().isEmpty());
    EXPECT_FALSE(b.value(QStringLiteral("sample")).isValid());
    EXPECT_EQ(b.value(QStringLiteral("layout")), QVariant(QStringLiteral("Mine")));
    EXPECT_TRUE(log.contains(QStringLiteral("left out sample")));
    ASSERT_TRUE(b.setValue(QStringLiteral("next"), QStringLiteral("1")));
    const QVariantMap written = fileContents(path);
    EXPECT_EQ(written.value(QStringLiteral("layout")), QVariant(QStringLiteral("Mine")));
    EXPECT_EQ(written.value(QStringLiteral("count")), QVariant(QStringLiteral("7")));
    EXPECT_FALSE(written.contains(QStringLiteral("sample")));
}

TEST(DefaultsDomain, AStoreWhoseFileWasSetAsideWritesWhatItHeldBackWhole) {
    // Damaged, or emptied by another program: neither means that every key was removed.
    for (const QByteArray& damage : {QByteArray("<plist><dict><key>broken"), QByteArray()}) {
        SCOPED_TRACE(damage.isEmpty() ? "emptied" : "damaged");
        DefaultsDomain d(QStringLiteral("test.aside.%1").arg(damage.size()), DefaultsDomain::Watch::No);
        ASSERT_TRUE(d.setValue(QStringLiteral("favorites"), QByteArray::fromHex("00000041")));
        ASSERT_TRUE(d.setValue(QStringLiteral("layout"), QStringLiteral("Mine")));
        {
            QFile f(d.path());
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(damage);
        }
        EXPECT_TRUE(d.reload().isEmpty());
        EXPECT_FALSE(d.readError().isEmpty());
        EXPECT_EQ(d.value(QStringLiteral("layout")), QVariant(QStringLiteral("Mine")));
        ASSERT_TRUE(d.setValue(QStringLiteral("other"), QStringLiteral("x")));
        const QVariantMap written = fileContents(d.path());
        EXPECT_EQ(written.value(QStringLiteral("favorites")), QVariant(QByteArray::fromHex("00000041")));
        EXPECT_EQ(written.value(QStringLiteral("layout")), QVariant(QStringLiteral("Mine")));
        EXPECT_EQ(written.value(QStringLiteral("other")), QVariant(QStringLiteral("x")));
        EXPECT_TRUE(QFileInfo::exists(d.path() + QStringLiteral(".corrupt-1")));
    }
}

TEST(DefaultsDomain, AFileEmptiedUnderAWatchingStoreIsWrittenWholeAgain) {
    DefaultsDomain d(QStringLiteral("test.emptied"));
    Recorder seen;
    d.setChangeHandler(seen.handler());
    ASSERT_TRUE(d.setValue(QStringLiteral("favorites"), QByteArray::fromHex("00000041")));
    {
        QFile f(d.path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    }
    ASSERT_TRUE(rbxtest::waitFor([&] { return QFileInfo::exists(d.path() + QStringLiteral(".corrupt-1")); }, 5000));
    EXPECT_EQ(fileContents(d.path()).value(QStringLiteral("favorites")), QVariant(QByteArray::fromHex("00000041")));
    EXPECT_FALSE(seen.saw(QStringLiteral("favorites")));  // never reported as removed
    EXPECT_TRUE(d.readError().isEmpty());
}

TEST(UserDefaults, RegistrationDomainAndChangeReports) {
    UserDefaults defaults(QStringLiteral("test.user"));
    QList<std::tuple<QString, QVariant, UserDefaults::ChangeKind>> reports;
    defaults.setChangeObserver([&](const QString& k, const QVariant& v, UserDefaults::ChangeKind kind) {
        reports.append({k, v, kind});
    });
    defaults.registerDefaults({{QStringLiteral("k"), QStringLiteral("registered")}});
    EXPECT_EQ(defaults.objectForKey(QStringLiteral("k")), QVariant(QStringLiteral("registered")));

    ASSERT_TRUE(defaults.setObject(QStringLiteral("set"), QStringLiteral("k")));
    ASSERT_EQ(reports.size(), 1);  // reported at once, on this thread
    EXPECT_EQ(std::get<1>(reports[0]), QVariant(QStringLiteral("set")));
    EXPECT_EQ(std::get<2>(reports[0]), UserDefaults::ChangeKind::Setting);
    EXPECT_EQ(defaults.objectForKey(QStringLiteral("k")), QVariant(QStringLiteral("set")));
    EXPECT_FALSE(defaults.registrationDomain().value(QStringLiteral("k")) == QVariant(QStringLiteral("set")));

    ASSERT_TRUE(defaults.removeObject(QStringLiteral("k")));
    ASSERT_EQ(reports.size(), 2);
    EXPECT_EQ(std::get<1>(reports[1]), QVariant(QStringLiteral("registered")));
    EXPECT_FALSE(defaults.persistentDomain().contains(QStringLiteral("k")));

    // Another writer's change comes with the effective value.
    DefaultsDomain other(QStringLiteral("test.user"), DefaultsDomain::Watch::No);
    ASSERT_TRUE(other.setValue(QStringLiteral("k"), QStringLiteral("outside")));
    defaults.synchronize();
    ASSERT_EQ(reports.size(), 3);
    EXPECT_EQ(std::get<1>(reports[2]), QVariant(QStringLiteral("outside")));

    ASSERT_TRUE(other.setValue(QStringLiteral("x"), 1));
    EXPECT_EQ(UserDefaults::persistentDomainForName(QStringLiteral("test.user")).value(QStringLiteral("x")).toInt(), 1);
}

TEST(DefaultsDomain, HeldWritesWaitForTheReleaseAndAnUnchangedValueWritesNothing) {
    struct Counter : DefaultsDomain::WriteListener {
        int writes = 0;
        void contentsWritten(const QString&) override { ++writes; }
    } counter;
    DefaultsDomain d(QStringLiteral("test.held"), DefaultsDomain::Watch::No, &counter);
    ASSERT_TRUE(d.setValue(QStringLiteral("font"), QStringLiteral("DejaVuSans")));
    ASSERT_EQ(counter.writes, 1);

    // The same value again: nothing is written, and the answer is still "saved".
    EXPECT_TRUE(d.setValue(QStringLiteral("font"), QStringLiteral("DejaVuSans")));
    EXPECT_EQ(counter.writes, 1);

    // Held: the changes are in effect here but the file waits; the last release writes
    // them together.
    d.holdWrites();
    d.holdWrites();
    const platform::Stored held = d.setValue(QStringLiteral("font"), QStringLiteral("DejaVuSerif"));
    EXPECT_EQ(held.status, platform::Stored::NotYetSaved);
    d.setValue(QStringLiteral("recent"), QStringList{QStringLiteral("DejaVuSerif")});
    EXPECT_EQ(d.value(QStringLiteral("font")), QVariant(QStringLiteral("DejaVuSerif")));
    EXPECT_EQ(fileContents(d.path()).value(QStringLiteral("font")), QVariant(QStringLiteral("DejaVuSans")));
    EXPECT_EQ(d.releaseWrites().status, platform::Stored::NotYetSaved);
    EXPECT_EQ(counter.writes, 1);
    EXPECT_TRUE(d.releaseWrites());
    EXPECT_EQ(counter.writes, 2);
    EXPECT_EQ(fileContents(d.path()).value(QStringLiteral("font")), QVariant(QStringLiteral("DejaVuSerif")));
    EXPECT_TRUE(fileContents(d.path()).contains(QStringLiteral("recent")));
    EXPECT_TRUE(d.pendingKeys().isEmpty());

    // A value changed back while held is still written: the file has the older one.
    d.holdWrites();
    d.setValue(QStringLiteral("font"), QStringLiteral("DejaVuSans"));
    d.setValue(QStringLiteral("font"), QStringLiteral("DejaVuSerif"));
    d.setValue(QStringLiteral("font"), QStringLiteral("DejaVuSans"));
    EXPECT_TRUE(d.releaseWrites());
    EXPECT_EQ(fileContents(d.path()).value(QStringLiteral("font")), QVariant(QStringLiteral("DejaVuSans")));

    // Changes still held when the store ends are written then.
    {
        DefaultsDomain e(QStringLiteral("test.held"), DefaultsDomain::Watch::No);
        e.holdWrites();
        e.setValue(QStringLiteral("font"), QStringLiteral("Last"));
    }
    EXPECT_EQ(fileContents(d.path()).value(QStringLiteral("font")), QVariant(QStringLiteral("Last")));
}

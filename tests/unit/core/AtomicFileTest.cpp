// Replacing files whole or not at all, on an ordinary folder and on a small file system
// that fills up.
#include "core/AtomicFile.h"
#include "core/Plist.h"

#include "common/SmallFileSystem.h"
#include "common/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// Everything in the folder but the files named (temporary files left behind show here).
QStringList strayFiles(const QString& folder, const QStringList& expected) {
    QStringList all = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& e : expected) all.removeAll(e);
    all.removeAll(QStringLiteral(".filler"));
    return all;
}

} // namespace

TEST(AtomicFile, ReplacesTheFileWholeKeepingItsPermissionsAndLinks) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/file.txt"));
    QString error;
    EXPECT_FALSE(kx::writeFileAtomically(path, "no folder", &error));
    EXPECT_TRUE(error.contains(QStringLiteral("No such file or directory"))) << error.toStdString();
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("sub"))));
    ASSERT_TRUE(kx::writeFileAtomically(path, "first", &error)) << error.toStdString();
    EXPECT_EQ(contents(path), QByteArray("first"));

    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    ASSERT_TRUE(kx::writeFileAtomically(path, "second"));
    EXPECT_EQ(contents(path), QByteArray("second"));
    EXPECT_EQ(QFileInfo(path).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());

    // A link stays a link; the file it names is replaced.
    const QString link = dir.filePath(QStringLiteral("link.txt"));
    ASSERT_TRUE(QFile::link(path, link));
    ASSERT_TRUE(kx::writeFileAtomically(link, "through the link"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(contents(path), QByteArray("through the link"));
    EXPECT_EQ(strayFiles(dir.filePath(QStringLiteral("sub")), {QStringLiteral("file.txt")}), QStringList());

    // A cancelled write leaves nothing behind.
    {
        kx::AtomicFile file(path);
        ASSERT_TRUE(file.open());
        ASSERT_TRUE(file.write("never committed"));
        EXPECT_TRUE(QFileInfo::exists(file.temporaryPath()));
    }
    EXPECT_EQ(contents(path), QByteArray("through the link"));
    EXPECT_EQ(strayFiles(dir.filePath(QStringLiteral("sub")), {QStringLiteral("file.txt")}), QStringList());

    // A folder in the way is an error, not a crash.
    EXPECT_FALSE(kx::writeFileAtomically(dir.path(), "x", &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(AtomicFile, AFullDiskLeavesTheOldFileAsItWasAndSaysWhy) {
    rbxtest::SmallFileSystem fs;
    if (!fs.isMounted()) GTEST_SKIP() << fs.skipReason().toStdString();
    const QString path = fs.path() + QStringLiteral("/settings.plist");
    const QByteArray old(763, 'o');
    put(path, old);
    ASSERT_TRUE(fs.fill());

    // Under any buffer size: small, medium and large replacements all fail whole.
    for (const qsizetype size : {qsizetype(1), qsizetype(900), qsizetype(10 * 1024), qsizetype(100 * 1024)}) {
        QString error;
        EXPECT_FALSE(kx::writeFileAtomically(path, QByteArray(size, 'n'), &error)) << size;
        EXPECT_TRUE(error.contains(QStringLiteral("No space left on device"))) << error.toStdString();
        EXPECT_TRUE(error.contains(path)) << error.toStdString();
        EXPECT_EQ(contents(path), old) << size;
        EXPECT_EQ(strayFiles(fs.path(), {QStringLiteral("settings.plist")}), QStringList()) << size;
    }
    QString error;
    EXPECT_FALSE(kx::copyFileAtomically(rbxtest::testData(QStringLiteral("fonts/RbxLigaFi-Regular.ttf")), path, &error));
    EXPECT_EQ(contents(path), old);
    EXPECT_FALSE(kx::plist::writeXmlFile(path, QVariantMap{{QStringLiteral("k"), QString(2000, u'v')}}, &error));
    EXPECT_EQ(contents(path), old);

    fs.free();
    ASSERT_TRUE(kx::writeFileAtomically(path, QByteArray(10 * 1024, 'n'), &error)) << error.toStdString();
    EXPECT_EQ(contents(path), QByteArray(10 * 1024, 'n'));
    ASSERT_TRUE(kx::copyFileAtomically(rbxtest::testData(QStringLiteral("fonts/RbxLigaFi-Regular.ttf")), path));
    EXPECT_EQ(contents(path), contents(rbxtest::testData(QStringLiteral("fonts/RbxLigaFi-Regular.ttf"))));
}

TEST(PlistText, TextsXmlCannotCarryAreFoundAndKeptOutOfFiles) {
    using kx::plist::characterXmlCannotCarry;
    EXPECT_FALSE(characterXmlCannotCarry(QStringLiteral("tab\tline\nreturn\r end")));
    EXPECT_FALSE(characterXmlCannotCarry(QString::fromUtf8("Grüße 😀 \u007F \uFFFD")));
    EXPECT_EQ(characterXmlCannotCarry(QString::fromUtf16(u"a\u0000b", 3)), char32_t(0));
    EXPECT_EQ(characterXmlCannotCarry(QStringLiteral("a\x01")), char32_t(1));
    EXPECT_EQ(characterXmlCannotCarry(QString(QChar(0xFFFE))), char32_t(0xFFFE));
    EXPECT_EQ(characterXmlCannotCarry(QString(QChar(0xD800)) + u'x'), char32_t(0xD800));  // unpaired
    EXPECT_EQ(characterXmlCannotCarry(QString(QChar(0xDC00))), char32_t(0xDC00));
    EXPECT_EQ(kx::plist::unstorableTextError(0), QStringLiteral("the text holds U+0000, which a settings file cannot carry"));

    // In keys and values at any depth.
    const QVariantMap inner{{QStringLiteral("good"), QStringLiteral("fine")}, {QStringLiteral("bad\x02"), 1}};
    const QVariantMap value{{QStringLiteral("apps"), inner},
                            {QStringLiteral("list"), QVariantList{QStringLiteral("ok"), QStringLiteral("x\x1F")}},
                            {QStringLiteral("top"), QString::fromUtf16(u"a\u0000b", 3)},
                            {QStringLiteral("kept"), QStringLiteral("yes")}};
    EXPECT_EQ(characterXmlCannotCarry(QVariant(value)), char32_t(2));
    QStringList dropped;
    const QVariantMap clean = kx::plist::withoutUnstorableText(value, &dropped).toMap();
    EXPECT_FALSE(characterXmlCannotCarry(QVariant(clean)));
    EXPECT_EQ(clean.value(QStringLiteral("kept")), QVariant(QStringLiteral("yes")));
    EXPECT_EQ(clean.value(QStringLiteral("apps")).toMap().value(QStringLiteral("good")), QVariant(QStringLiteral("fine")));
    EXPECT_EQ(clean.value(QStringLiteral("list")).toList(), QVariantList{QStringLiteral("ok")});
    EXPECT_FALSE(clean.contains(QStringLiteral("top")));
    dropped.sort();
    EXPECT_EQ(dropped, (QStringList{QStringLiteral("apps/bad\x02"), QStringLiteral("list/1"), QStringLiteral("top")}));

    // A file is never written with such a text in it.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.plist"));
    QString error;
    EXPECT_FALSE(kx::plist::writeXmlFile(path, value, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("U+0002"))) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path));
    ASSERT_TRUE(kx::plist::writeXmlFile(path, clean));
    EXPECT_EQ(kx::plist::readFile(path).value.toMap(), kx::plist::normalized(clean).toMap());
}

// The checks of a downloaded archive before anything of it is started: its signature
// under the built-in key, and unpacking it within its budget, never outside its folder.
#include "common/TestEnvironment.h"
#include "common/ZipArchive.h"
#include "update/archive/ArchiveSignature.h"
#include "update/archive/ArchiveUnpacker.h"
#include "update/archive/UpdateKey.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using rbxtest::ZipEntry;

namespace {

const ZipEntry Program{QStringLiteral("Runebox.app/bin/runebox"), "#!/bin/sh\n", 0100755};
const ZipEntry Info{QStringLiteral("Runebox.app/share/runebox/Info.plist"), "<plist/>"};

QString write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    return path;
}

qint64 bytesBelow(const QString& folder) {
    qint64 total = 0;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) total += QFileInfo(it.next()).size();
    return total;
}

} // namespace

TEST(ArchiveSignatureTest, OnlyTheBuiltInKeysSignatureOfTheseBytesPasses) {
    if (!update::isTestKeyBuild()) GTEST_SKIP() << "a release build accepts only the release key";
    QTemporaryDir temp;
    const QString archive = write(temp.filePath(QStringLiteral("a.zip")), rbxtest::zipArchive({Program, Info}));
    const update::SignedArchive made =
        update::signArchive(archive, rbxtest::testData(QStringLiteral("update/test-signing-key.pem")));
    ASSERT_TRUE(made.error.isEmpty()) << made.error.toStdString();
    const QString good = QString::fromLatin1(made.signature.toBase64());
    EXPECT_EQ(update::checkArchiveSignature(archive, good), QString());
    EXPECT_EQ(update::checkArchiveSignature(archive, QStringLiteral(" %1\n").arg(good)), QString());

    QByteArray flipped = made.signature;
    flipped[10] = char(flipped[10] ^ 1);
    const update::SignedArchive other =
        update::signArchive(archive, rbxtest::testData(QStringLiteral("update/other-signing-key.pem")));
    ASSERT_TRUE(other.error.isEmpty());
    for (const QString& bad : {QString(), QString::fromLatin1(flipped.toBase64()), QString::fromLatin1(other.signature.toBase64()),
                               good.left(40), QStringLiteral("not base64 at all!"), good + QStringLiteral("AAAA")})
        EXPECT_NE(update::checkArchiveSignature(archive, bad), QString()) << bad.toStdString();

    // One byte of the archive changed after signing.
    QFile f(archive);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 0x40);
    f.seek(0);
    f.write(bytes);
    f.close();
    EXPECT_NE(update::checkArchiveSignature(archive, good), QString());
    EXPECT_NE(update::checkArchiveSignature(temp.filePath(QStringLiteral("missing.zip")), good), QString());
    // Not a private key.
    EXPECT_FALSE(update::signArchive(archive, archive).error.isEmpty());
}

TEST(ArchiveUnpackerTest, ABundleUnpacksWithItsModes) {
    QTemporaryDir temp;
    const QString archive = write(temp.filePath(QStringLiteral("a.zip")),
                                  rbxtest::zipArchive({{QStringLiteral("Runebox.app/"), {}, 040755}, Program, Info}));
    const QString into = temp.filePath(QStringLiteral("out"));
    QDir().mkpath(into);
    const update::Unpacked u = update::unpackArchive(archive, into, update::unpackBudgetFor(QFileInfo(archive).size()));
    EXPECT_EQ(u.outcome, update::Unpacked::Done) << u.reason.toStdString();
    const QFileInfo program(into + QStringLiteral("/Runebox.app/bin/runebox"));
    EXPECT_TRUE(program.isFile() && program.isExecutable());
    EXPECT_FALSE(QFileInfo(into + QStringLiteral("/Runebox.app/share/runebox/Info.plist")).isExecutable());
    // 20 times the archive, and never more than 1 GiB.
    EXPECT_EQ(update::unpackBudgetFor(3 << 20).maxBytes, qint64(60) << 20);
    EXPECT_EQ(update::unpackBudgetFor(qint64(200) << 20).maxBytes, qint64(1) << 30);
}

// Each archive is refused; those whose headers show the fault have nothing written.
TEST(ArchiveUnpackerTest, ArchivesThatLeaveTheFolderOrExceedTheBudgetAreRefused) {
    const QString deep = QStringLiteral("d/").repeated(update::MaxEntryDepth) + QStringLiteral("file");
    const struct Case {
        const char* what;
        QList<ZipEntry> entries;
        update::Unpacked::Outcome outcome;
        bool nothingWritten;
    } cases[] = {
        {"a name with ..", {Program, {QStringLiteral("Runebox.app/../../escaped"), "x"}}, update::Unpacked::Refused, true},
        {"an absolute name", {Program, {QStringLiteral("/tmp/escaped"), "x"}}, update::Unpacked::Refused, true},
        {"a link out", {Program, {QStringLiteral("Runebox.app/lib"), "../../..", 0120777}}, update::Unpacked::Refused, true},
        {"a device", {Program, {QStringLiteral("Runebox.app/null"), {}, 020666}}, update::Unpacked::Refused, true},
        {"too deep", {Program, {deep, "x"}}, update::Unpacked::Refused, true},
        {"a name that is not text", {Program, {QStringLiteral("Runebox.app/\x01\x7f"), "x"}}, update::Unpacked::Refused, true},
        {"a bomb", {Program, {QStringLiteral("Runebox.app/big"), {}, 0100644, qint64(64) << 20}}, update::Unpacked::Refused, true},
        {"a bomb that understates its size",
         {Program, {QStringLiteral("Runebox.app/big"), {}, 0100644, qint64(64) << 20, true}}, update::Unpacked::Refused, false},
        {"a name twice", {Program, Program}, update::Unpacked::Damaged, false},
        {"no archive", {}, update::Unpacked::Damaged, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir temp;
        const QByteArray bytes = c.entries.isEmpty() ? QByteArray("PK\x03\x04 not really a zip") : rbxtest::zipArchive(c.entries);
        ASSERT_FALSE(bytes.isEmpty());
        const QString archive = write(temp.filePath(QStringLiteral("a.zip")), bytes);
        const QString into = temp.filePath(QStringLiteral("out/in"));
        QDir().mkpath(into);
        const update::UnpackBudget budget = update::unpackBudgetFor(bytes.size());
        const update::Unpacked u = update::unpackArchive(archive, into, budget);
        EXPECT_EQ(u.outcome, c.outcome) << u.reason.toStdString();
        EXPECT_LE(bytesBelow(into), budget.maxBytes);
        if (c.nothingWritten) {
            EXPECT_TRUE(QDir(into).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
        }
        EXPECT_EQ(QDir(temp.filePath(QStringLiteral("out"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  QStringList{QStringLiteral("in")});
        EXPECT_EQ(QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  (QStringList{QStringLiteral("a.zip"), QStringLiteral("out")}));
        EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/tmp/escaped")));
    }
    // More entries than the budget allows.
    QTemporaryDir temp;
    const QString archive = write(temp.filePath(QStringLiteral("a.zip")), rbxtest::zipArchive({Program, Info}));
    update::UnpackBudget one = update::unpackBudgetFor(QFileInfo(archive).size());
    one.maxEntries = 1;
    EXPECT_EQ(update::unpackArchive(archive, temp.path(), one).outcome, update::Unpacked::Refused);
    EXPECT_FALSE(QFileInfo::exists(temp.filePath(QStringLiteral("Runebox.app"))));
}

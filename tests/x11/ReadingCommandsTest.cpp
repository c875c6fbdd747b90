// runebox-tool's reading commands look at the user's settings, layouts and names and
// leave them as they are: no launch is counted, nothing is imported, no sample layout is
// installed, no folder or cache is made, whether the palette ran before or never did.
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"
#include "common/TestEnvironment.h"
#include "platform/defaults/DefaultsDomain.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <gtest/gtest.h>

namespace {

using x11test::Copy;
using x11test::run;
using x11test::Tool;

QString supportFolder() { return qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Runebox"); }

// Every folder and file below the user's settings and support folders, with the files'
// contents as hashes.
QMap<QString, QByteArray> userFiles() {
    QMap<QString, QByteArray> files;
    for (const QString& root : {platform::DefaultsDomain::folderPath(), supportFolder()}) {
        if (!QFileInfo::exists(root)) continue;
        files.insert(root, "folder");
        QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile f(path);
            files.insert(path, it.fileInfo().isDir() || !f.open(QIODevice::ReadOnly)
                                   ? QByteArray("folder")
                                   : QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1).toHex());
        }
    }
    return files;
}

QStringList differences(const QMap<QString, QByteArray>& before, const QMap<QString, QByteArray>& after) {
    QStringList changed;
    for (auto it = after.begin(); it != after.end(); ++it)
        if (before.value(it.key()) != it.value()) changed << it.key();
    for (auto it = before.begin(); it != before.end(); ++it)
        if (!after.contains(it.key())) changed << QStringLiteral("gone: ") + it.key();
    return changed;
}

// Runs every reading command; answers the commands that failed. `samples`: the sample
// layouts are there to be read.
QString runReadingCommands(bool samples) {
    const QString font = QStringLiteral("DejaVuSans");
    QList<QStringList> commands = {
        {QStringLiteral("name"), QStringLiteral("65")},
        {QStringLiteral("html"), QStringLiteral("65")},
        {QStringLiteral("search"), QStringLiteral("arrow")},
        {QStringLiteral("groups"), font},
        {QStringLiteral("fonts")},
        {QStringLiteral("font"), font},
        {QStringLiteral("repertoire"), font},
        {QStringLiteral("ligatures"), font},
        {QStringLiteral("cmap"), font},
    };
    if (samples) commands << QStringList{QStringLiteral("groups"), font, QStringLiteral("--layout"), QStringLiteral("Emoji")};
    QStringList failed;
    for (const QStringList& c : commands) {
        QString out;
        if (run(Tool, c, &out) != 0) failed << c.join(u' ') + QStringLiteral(": ") + out.left(300);
    }
    return failed.join(u'\n');
}

TEST(ReadingCommands, LeaveTheUsersSettingsAndFoldersAsTheyAre) {
    // Before the palette ever ran: nothing is made.
    EXPECT_TRUE(userFiles().isEmpty());
    EXPECT_EQ(runReadingCommands(false).toStdString(), "");
    EXPECT_EQ(userFiles().keys().join(u' ').toStdString(), "");

    // After the palette ran once (and set itself up): nothing changes.
    {
        Copy copy;
        ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
        ASSERT_TRUE(rbxtest::waitFor([] { return QFileInfo::exists(supportFolder() + QStringLiteral("/Layouts/Emoji.txt")); },
                                     10000));
    }
    const QMap<QString, QByteArray> before = userFiles();
    ASSERT_TRUE(before.contains(platform::DefaultsDomain::pathForDomain(QStringLiteral("org.runebox.Runebox"))));
    EXPECT_EQ(runReadingCommands(true).toStdString(), "");
    EXPECT_EQ(differences(before, userFiles()).join(u' ').toStdString(), "");
}

} // namespace

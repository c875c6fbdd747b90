// The running palette is connected to the rest of the desktop: a font installed while it
// runs joins its font list, characters inserted into the application in front are marked
// as recent in the table and their font becomes a recent family, and the insert mode
// chosen while an application is in front is stored under that application. Each runs the real runebox program; the clicks are
// pointer events of the X server.
#include "ProbeClient.h"
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"
#include "common/TestEnvironment.h"
#include "core/FoundationValues.h"
#include "platform/defaults/DefaultsDomain.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDir>
#include <QFile>
#include <QRect>
#include <gtest/gtest.h>

namespace {

using x11test::Copy;
using x11test::run;
using x11test::url;

const QString Domain = QStringLiteral("org.runebox.Runebox");

QStringList fontFamilies() { return Copy::debugCall(QStringLiteral("FontFamilies")).toStringList(); }

QList<uint> recentMarks(const QVariantMap& state) {
    QList<uint> marks;
    for (const QVariant& v : qdbus_cast<QVariantList>(state.value(QStringLiteral("recent")))) marks << v.toUInt();
    return marks;
}

TEST(PaletteWiring, AFontInstalledWhileRunningJoinsTheFontList) {
    const QString folder = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/fonts");
    ASSERT_FALSE(qEnvironmentVariable("XDG_DATA_HOME").isEmpty());
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    const QStringList before = fontFamilies();
    ASSERT_FALSE(before.isEmpty()) << copy.output().toStdString();
    ASSERT_FALSE(before.contains(QStringLiteral("Rbx Alpha")));

    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::copy(QStringLiteral(RUNEBOX_TEST_DATA "/fonts/RbxAlpha-Regular.ttf"),
                            folder + QStringLiteral("/RbxAlpha-Regular.ttf")));
    EXPECT_TRUE(rbxtest::waitFor([] { return fontFamilies().contains(QStringLiteral("Rbx Alpha")); }, 15000))
        << copy.output().toStdString();
    // The palette still shows its font.
    EXPECT_FALSE(Copy::state().value(QStringLiteral("font")).toString().isEmpty());
}

TEST(PaletteWiring, InsertedCharactersAreMarkedAsRecentAndTheirFontIsUsed) {
    ProbeClient probe({QStringLiteral("--no-clipboard-utility")});
    ASSERT_TRUE(probe.started());
    ASSERT_TRUE(probe.waitForKeyboardFocus());
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    ASSERT_TRUE(x11test::search(QStringLiteral("latin capital letter"))) << copy.output().toStdString();
    ASSERT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'A').isEmpty() && !Copy::cellOf(U'B').isEmpty(); }, 15000))
        << copy.output().toStdString();
    EXPECT_TRUE(recentMarks(Copy::state()).isEmpty());

    ASSERT_TRUE(Copy::clickCharacter(U'A')) << copy.output().toStdString();
    ASSERT_TRUE(probe.waitForText(QStringLiteral("A"))) << copy.output().toStdString();
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) { return recentMarks(s) == QList<uint>{uint(U'A')}; }))
        << copy.output().toStdString();

    // After the second insertion the first is still marked, behind the second.
    ASSERT_TRUE(Copy::clickCharacter(U'B')) << copy.output().toStdString();
    ASSERT_TRUE(probe.waitForText(QStringLiteral("AB"))) << copy.output().toStdString();
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        return recentMarks(s) == (QList<uint>{uint(U'B'), uint(U'A')});
    })) << copy.output().toStdString();

    // The palette's font heads the recently used families.
    const QString family = Copy::state().value(QStringLiteral("fontFamily")).toString();
    ASSERT_FALSE(family.isEmpty());
    ASSERT_EQ(url(QStringLiteral("runebox://quit")), 0);
    ASSERT_TRUE(copy.process().waitForFinished(10000));
    const QVariantList recentFamilies =
        kx::ns::arrayOrEmpty(platform::DefaultsDomain::readDomain(Domain).value(QStringLiteral("recentFontsV2")));
    EXPECT_EQ(recentFamilies.value(0).toString(), family);
}

TEST(PaletteWiring, TheInsertModeChosenIsStoredUnderTheApplicationInFront) {
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    // The probe comes to the front after the palette started: the palette follows it.
    ProbeClient probe;
    ASSERT_TRUE(probe.started());
    ASSERT_TRUE(probe.waitForKeyboardFocus());
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        return s.value(QStringLiteral("front")) == QStringLiteral("runebox-probe");
    })) << copy.output().toStdString();

    ASSERT_EQ(url(QStringLiteral("runebox://set?insert=formatted")), 0);
    ASSERT_EQ(url(QStringLiteral("runebox://quit")), 0);
    ASSERT_TRUE(copy.process().waitForFinished(10000));

    const QVariantMap stored = platform::DefaultsDomain::readDomain(Domain);
    const QVariantMap apps = kx::ns::dictionaryOrEmpty(stored.value(QStringLiteral("applications")));
    const QVariantMap probeRecord = kx::ns::dictionaryOrEmpty(apps.value(QStringLiteral("runebox-probe")));
    EXPECT_EQ(kx::ns::intValue(probeRecord.value(QStringLiteral("insert mode"))), 1)
        << QStringList(apps.keys()).join(QLatin1Char(' ')).toStdString();
}

} // namespace

// Fonts whose layout tables send their readers over the same data again and again (made
// by tests/fonts/make-hostile-fonts.py) cannot stall the running palette: chosen from the
// font list with the mouse and the keyboard, each becomes the palette's font, its letters
// are shown in the table, and the reading stops at its budget with a log line.
#include "Desktop.h"
#include "MenuItems.h"
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"
#include "common/TestEnvironment.h"

#include <QDir>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

using x11test::Copy;
using x11test::rectOf;

const QPoint awayFromThePalette(1100, 80);

QRect control(const QString& name) { return rectOf(Copy::debugCall(QStringLiteral("ControlRect"), {name})); }

bool makeHostileFonts(const QString& folder, QString* output) {
    QProcess script;
    script.setProcessChannelMode(QProcess::MergedChannels);
    script.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(RUNEBOX_TEST_DATA "/../fonts/make-hostile-fonts.py"), folder});
    const bool ok = script.waitForFinished(120000) && script.exitCode() == 0;
    *output = QString::fromUtf8(script.readAll());
    return ok;
}

TEST(HostileFonts, ChosenFromTheFontListTheyBecomeThePalettesFontWithTheirLetters) {
    const QString folder = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/fonts");
    ASSERT_FALSE(qEnvironmentVariable("XDG_DATA_HOME").isEmpty());
    QString made;
    ASSERT_TRUE(makeHostileFonts(folder, &made)) << made.toStdString();

    x11test::pointTo(awayFromThePalette);
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("fontRows")).toInt() > 0; }))
        << copy.output().toStdString();
    const int all = Copy::state().value(QStringLiteral("fontRows")).toInt();

    // Only the two families in the list: typed into its filter field.
    const QRect filter = control(QStringLiteral("fontFilterField"));
    ASSERT_FALSE(filter.isEmpty());
    x11test::pointTo(filter.center());
    x11test::click();
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("focus")) == QStringLiteral("fontFilterField"); }))
        << Copy::state().value(QStringLiteral("focus")).toString().toStdString();
    x11test::type(QStringLiteral("Hostile"));
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("fontRows")).toInt() == 2; }))
        << all << " " << Copy::state().value(QStringLiteral("fontRows")).toInt();

    for (const QString& family : {QStringLiteral("Rbx Hostile Gsub"), QStringLiteral("Rbx Hostile Morx")}) {
        QRect row;
        ASSERT_TRUE(rbxtest::waitFor([&] {
            row = rectOf(Copy::debugCall(QStringLiteral("FontRowRect"), {family}));
            return !row.isEmpty();
        }, 5000)) << family.toStdString();
        const qsizetype logged = copy.output().count(QStringLiteral("stopped: they ask for more than"));
        x11test::pointTo(row.center());
        x11test::click();
        EXPECT_TRUE(Copy::waitForState([&](const QVariantMap& s) { return s.value(QStringLiteral("fontFamily")) == family; }))
            << family.toStdString() << "\n" << copy.output().toStdString();
        // Its letters a to t are in the table, and the palette answers.
        EXPECT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'a').isEmpty() && !Copy::cellOf(U't').isEmpty(); }, 15000))
            << family.toStdString() << "\n" << copy.output().toStdString();
        // The reading of its layout tables stopped at the budget, and said so.
        EXPECT_TRUE(rbxtest::waitFor([&] {
            return copy.output().count(QStringLiteral("stopped: they ask for more than")) > logged;
        }, 15000)) << family.toStdString() << "\n" << copy.output().toStdString();
        EXPECT_TRUE(copy.output().contains(family.simplified().remove(u' ') + QStringLiteral("-Regular")))
            << copy.output().toStdString();
    }
    EXPECT_EQ(copy.process().state(), QProcess::Running);
}

} // namespace

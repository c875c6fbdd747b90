// Scripting the running palette from a shell: runebox-tool sends each request over the
// session bus, as any other program could, and prints the reply.
#include "ProbeClient.h"
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"
#include "common/TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

using x11test::Copy;
using x11test::run;
using x11test::Tool;
using x11test::url;

// runebox-tool event ...: its exit code; the output in `out`.
int event(const QStringList& args, QString* out = nullptr) {
    return run(Tool, QStringList{QStringLiteral("event")} + args, out);
}

TEST(AppleEvents, AShellScriptTypesListsAddsAndTogglesThroughRuneboxTool) {
    ProbeClient probe;
    ASSERT_TRUE(probe.started());
    ASSERT_TRUE(probe.waitForKeyboardFocus());
    // The pointer away from the middle of the screen, where the palette opens: with the
    // mouse over it the palette would have the keyboard.
    run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("1100"), QStringLiteral("80")});
    Copy copy;
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        return Copy::shownAndPainted(s) && !s.value(QStringLiteral("front")).toString().isEmpty();
    })) << copy.output().toStdString();
    // The handlers are in place once the launch is over (with the hot key).
    ASSERT_TRUE(rbxtest::waitFor([&] { return copy.output().contains(QStringLiteral("open-window hot key")); }))
        << copy.output().toStdString();

    // A text typed into the probe arrives as it is, though the probe's insert mode is HTML.
    ASSERT_EQ(url(QStringLiteral("runebox://set?insert=html")), 0);
    QString out;
    ASSERT_EQ(event({QStringLiteral("RbxC"), QStringLiteral("Post"), QStringLiteral("a<b> é✓")}, &out), 0)
        << out.toStdString();
    EXPECT_TRUE(probe.waitForText(QStringLiteral("a<b> é✓"))) << probe.text().toStdString();
    EXPECT_TRUE(probe.hasKeyboardFocus());

    // Characters added by number come back first in the recent list; a bad one is refused.
    for (const char* n : {"8594", "9731", "119070"})
        ASSERT_EQ(event({QStringLiteral("RbxC"), QStringLiteral("ARec"), QStringLiteral("--number"), QString::fromLatin1(n)}), 0);
    EXPECT_EQ(event({QStringLiteral("RbxC"), QStringLiteral("ARec"), QStringLiteral("--number"), QStringLiteral("55296")}), 0);
    ASSERT_EQ(event({QStringLiteral("RbxC"), QStringLiteral("List"), QStringLiteral("Recent2")}, &out), 0);
    const QStringList lines = out.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 4) << out.toStdString();  // the request, two characters, ""
    EXPECT_EQ(lines[0], QStringLiteral("Recent2"));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("\U0001D11E\t119070\tMUSICAL SYMBOL G CLEF"))) << out.toStdString();
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("☃\t9731\tSNOWMAN"))) << out.toStdString();
    EXPECT_TRUE(rbxtest::waitFor([&] { return copy.output().contains(QStringLiteral("ARec: not a character: 55296")); }));

    // A name search; ideographs only when asked for (and when a font has them).
    ASSERT_EQ(event({QStringLiteral("RbxC"), QStringLiteral("FnoC"), QStringLiteral("snowman")}, &out), 0);
    EXPECT_TRUE(out.contains(QStringLiteral("☃\t9731\tSNOWMAN\n"))) << out.toStdString();
    QString fonts;
    run(QStringLiteral("fc-list"), {QStringLiteral(":charset=4e00"), QStringLiteral("family")}, &fonts);
    ASSERT_EQ(event({QStringLiteral("RbxC"), QStringLiteral("Fcjk"), QStringLiteral("U+4E00")}, &out), 0);
    EXPECT_EQ(out.contains(QStringLiteral("一\t19968\t")), !fonts.trimmed().isEmpty()) << out.toStdString();
    ASSERT_EQ(event({QStringLiteral("RbxC"), QStringLiteral("FnoC"), QStringLiteral("U+4E00")}, &out), 0);
    EXPECT_FALSE(out.contains(QStringLiteral("\t19968\t"))) << out.toStdString();

    // The hot keys, with the palette open, and the trigger that closes it.
    ASSERT_EQ(event({QStringLiteral("HbdC"), QStringLiteral("SKey")}, &out), 0);
    EXPECT_TRUE(out.contains(QStringLiteral("keycode = 8;"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("modifiers = 1572864;"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("title = \"Close Window\";"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("id = \"toggle window\";"))) << out.toStdString();
    ASSERT_EQ(event({QStringLiteral("HbdC"), QStringLiteral("TKey"), QStringLiteral("toggle window")}), 0);
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) { return !Copy::visible(s); })) << copy.output().toStdString();

    // Bad requests: refused by the tool or the bridge, never a crash.
    EXPECT_EQ(event({QStringLiteral("RbxC")}), 2);
    EXPECT_EQ(event({QStringLiteral("RbxCX"), QStringLiteral("List")}), 2);
    EXPECT_EQ(event({QStringLiteral("RbxC"), QStringLiteral("Nope")}, &out), 1);
    EXPECT_TRUE(out.contains(QStringLiteral("no handler"))) << out.toStdString();
    EXPECT_EQ(event({QStringLiteral("RbxC"), QStringLiteral("ARec"), QStringLiteral("--number"), QStringLiteral("x")}), 2);
    EXPECT_EQ(copy.process().state(), QProcess::Running);
}

} // namespace

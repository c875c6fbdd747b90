// The tool tip of the character under the mouse, in the running palette: a flag shows the
// code points it is made of, and no tip stays once a search has emptied the table.
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"
#include "common/TestEnvironment.h"
#include "model/VirtualCharacters.h"

#include <QDBusArgument>
#include <QRect>
#include <gtest/gtest.h>

namespace {

using x11test::Copy;
using x11test::run;
using x11test::Tool;
using x11test::url;

QString tooltip(const QVariantMap& s) { return s.value(QStringLiteral("tooltip")).toString(); }

TEST(ToolTips, AFlagShowsItsCodePointsAndNoTipOutlivesTheTable) {
    auto write = [](const char* key, const char* value) {
        return run(Tool, {QStringLiteral("defaults"), QStringLiteral("write"), QStringLiteral("org.runebox.Runebox"),
                          QString::fromLatin1(key), QString::fromLatin1(value)});
    };
    ASSERT_EQ(write("showTooltips", "yes"), 0);
    // A font that has the flags.
    ASSERT_EQ(write("selectedFont", "NotoColorEmoji"), 0);
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    const QString germany = QString::fromUtf8("\U0001F1E9\U0001F1EA");
    // A pair of regional indicators is one virtual character: D and E.
    const char32_t flag = 0xA0000 + 3 * 26 + 4;
    ASSERT_EQ(kx::str::stringWithUTF32Character(flag), germany);

    ASSERT_TRUE(x11test::search(QStringLiteral("germany"))) << copy.output().toStdString();
    QRect cell;
    ASSERT_TRUE(rbxtest::waitFor([&] { return !(cell = Copy::cellOf(flag)).isEmpty(); }, 15000)) << copy.output().toStdString();
    run(QStringLiteral("xdotool"),
        {QStringLiteral("mousemove"), QString::number(cell.center().x()), QString::number(cell.center().y())});
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return !tooltip(s).isEmpty(); }))
        << copy.output().toStdString();
    const QString tip = tooltip(Copy::state());
    EXPECT_TRUE(tip.startsWith(QStringLiteral("Char: \"%1\"\nUnicode: 127465, 127466\n").arg(germany)))
        << tip.toStdString();

    // A search that finds nothing takes the selected cell, and its tip, away.
    ASSERT_EQ(url(QStringLiteral("runebox://set?search=xqzwv")), 0);
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        return s.value(QStringLiteral("search")) == QStringLiteral("xqzwv") && tooltip(s).isEmpty() &&
               s.value(QStringLiteral("selected")).toUInt() == 0;
    })) << tooltip(Copy::state()).toStdString();
    rbxtest::spinEventLoop(1500);  // longer than the tip's delay: it does not come back
    EXPECT_TRUE(tooltip(Copy::state()).isEmpty());
}

} // namespace

// The spaces-fix window of the real runebox program, opened at launch when the hidden
// setting "spaceWindow" asks for it: logged, shown on every desktop, half transparent.
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"

#include <gtest/gtest.h>

namespace {

using namespace x11test;

QString property(const QString& window, const QString& name) {
    QString out;
    run(QStringLiteral("xprop"), {QStringLiteral("-id"), window, name}, &out);
    return out.trimmed();
}

} // namespace

TEST(SpaceWindow, OpensHalfTransparentOnEveryDesktopWhenAskedFor) {
    // Not without the setting.
    {
        Copy copy;
        ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
        rbxtest::spinEventLoop(1000);
        EXPECT_FALSE(copy.output().contains(QStringLiteral("Spaces fix installed")));
    }
    ASSERT_EQ(run(Tool, {QStringLiteral("defaults"), QStringLiteral("write"), QStringLiteral("org.runebox.Runebox"),
                         QStringLiteral("spaceWindow"), QStringLiteral("YES")}),
              0);
    Copy copy;
    ASSERT_TRUE(rbxtest::waitFor([&] { return copy.output().contains(QStringLiteral("Spaces fix installed")); }, 20000))
        << copy.output().toStdString();
    EXPECT_TRUE(copy.output().contains(QStringLiteral("1-Qt V 6."))) << copy.output().toStdString();
    QString id;
    ASSERT_TRUE(rbxtest::waitFor([&] {
        run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("^SpaceWindow$")}, &id);
        id = id.trimmed().section(u'\n', 0, 0);
        return !id.isEmpty() && property(id, QStringLiteral("_NET_WM_WINDOW_OPACITY")).contains(QStringLiteral("= 214748364"));  // half of 0xffffffff
    }, 10000)) << id.toStdString() << property(id, QStringLiteral("_NET_WM_WINDOW_OPACITY")).toStdString();
    EXPECT_TRUE(property(id, QStringLiteral("_NET_WM_DESKTOP")).endsWith(QStringLiteral("= 4294967295")))
        << property(id, QStringLiteral("_NET_WM_DESKTOP")).toStdString();
    QString state;
    run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id}, &state);
    EXPECT_TRUE(state.contains(QStringLiteral("IsViewable"))) << state.toStdString();
}

// The URL command "appsetting" in the running palette: a per-application setting added
// by URL is in force at once, and so is its removal. What the palette has in force is
// read from the page of "appsetting?show=...", which the desktop's opener (a stand-in
// that notes what it is asked to open) receives.
#include "FakeOpener.h"
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"
#include "common/TestEnvironment.h"

#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

using x11test::Copy;
using x11test::url;

using Opener = x11test::FakeOpener;

TEST(AppSettingCommand, AnAddedSettingAndItsRemovalAreInForceAtOnce) {
    Opener opener;
    Copy copy({}, opener.environment());
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();

    ASSERT_EQ(url(QStringLiteral("runebox://appsetting?name=e2e&signature=%2Fe2e-app&rbxMarker=present")), 0);
    ASSERT_EQ(url(QStringLiteral("runebox://appsetting?show=%2Fe2e-app")), 0);
    const QString before = opener.page(0);
    EXPECT_TRUE(before.contains(QStringLiteral("rbxMarker = present;"))) << before.toStdString();

    ASSERT_EQ(url(QStringLiteral("runebox://appsetting?name=e2e&delete=1")), 0);
    ASSERT_EQ(url(QStringLiteral("runebox://appsetting?show=%2Fe2e-app")), 0);
    const QString after = opener.page(1);
    EXPECT_FALSE(after.isEmpty()) << copy.output().toStdString();
    EXPECT_FALSE(after.contains(QStringLiteral("rbxMarker"))) << after.toStdString();
}

} // namespace

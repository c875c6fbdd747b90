// Settings edited by hand, or by another program, with numbers the palette cannot be
// drawn with: the running palette keeps its table usable with the shipped default and
// says so in its log, and takes a usable value as soon as one is written.
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"
#include "common/TestEnvironment.h"
#include "platform/defaults/DefaultsDomain.h"

#include <QDBusArgument>
#include <QRect>
#include <gtest/gtest.h>

namespace {

using x11test::Copy;

void writeSize(const QString& text) {
    platform::DefaultsDomain domain(QStringLiteral("org.runebox.Runebox"), platform::DefaultsDomain::Watch::No);
    ASSERT_TRUE(domain.setValue(QStringLiteral("relativeFontSize"), text));
}

TEST(UnusableSettings, ACharacterSizeTheTableCannotShowGivesWayToTheDefault) {
    writeSize(QStringLiteral("1e308"));
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    QRect usual;
    ASSERT_TRUE(rbxtest::waitFor([&] { return !(usual = Copy::cellOf(U'!')).isEmpty(); }, 15000))
        << copy.output().toStdString();
    EXPECT_GT(usual.height(), 10);
    EXPECT_LT(usual.height(), 200);
    EXPECT_TRUE(rbxtest::waitFor([&] {
        return copy.output().contains(QStringLiteral("relativeFontSize: 1e308 is not usable, 40 is used instead"));
    }, 5000)) << copy.output().toStdString();

    // Written while the palette runs: a usable size is taken, an unusable one is not.
    writeSize(QStringLiteral("80"));
    QRect larger;
    EXPECT_TRUE(rbxtest::waitFor([&] {
        larger = Copy::cellOf(U'!');
        return !larger.isEmpty() && larger.height() > usual.height() * 3 / 2;
    }, 15000)) << usual.height() << " " << larger.height();
    writeSize(QStringLiteral("-5"));
    EXPECT_TRUE(rbxtest::waitFor([&] { return Copy::cellOf(U'!').height() == usual.height(); }, 15000))
        << usual.height() << " " << Copy::cellOf(U'!').height();
    EXPECT_TRUE(rbxtest::waitFor([&] {
        return copy.output().contains(QStringLiteral("relativeFontSize: -5 is not usable, 40 is used instead"));
    }, 5000)) << copy.output().toStdString();
}

} // namespace

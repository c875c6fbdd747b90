// The URL command "appsetting" in the running palette: a per-application setting added
// by URL is in force at once, and so is its removal. What the palette has in force is
// read from the page of "appsetting?show=...", which the desktop's opener (a stand-in
// that notes what it is asked to open) receives.
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

class Opener {
public:
    Opener() {
        QFile script(bin_.filePath(QStringLiteral("xdg-open")));
        script.open(QIODevice::WriteOnly);
        script.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$RBX_OPENED\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QProcessEnvironment environment() const {
        QProcessEnvironment env;
        env.insert(QStringLiteral("PATH"), bin_.path() + QLatin1Char(':') + qEnvironmentVariable("PATH"));
        env.insert(QStringLiteral("RBX_OPENED"), log());
        return env;
    }
    // The text of the page opened as the n-th, once it was opened.
    QString page(int n) const {
        QStringList opened;
        rbxtest::waitFor([&] {
            QFile f(log());
            opened = f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts) : QStringList();
            return opened.size() > n;
        }, 10000);
        QFile page(QUrl(opened.value(n)).toLocalFile());
        return page.open(QIODevice::ReadOnly) ? QString::fromUtf8(page.readAll()) : QString();
    }

private:
    QString log() const { return bin_.filePath(QStringLiteral("opened.txt")); }
    QTemporaryDir bin_;
};

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

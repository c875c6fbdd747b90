#include "core/Bundle.h"
#include "core/Log.h"
#include "core/PathInFolder.h"
#include "common/ScopedInstance.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using kx::Bundle;

namespace {
// Points $RUNEBOX_RESOURCES at another data folder for one test, with a main bundle
// made anew on first use.
class OtherResources {
public:
    explicit OtherResources(const QString& path) : old_(qgetenv("RUNEBOX_RESOURCES")) {
        qputenv("RUNEBOX_RESOURCES", path.toUtf8());
    }
    ~OtherResources() { qputenv("RUNEBOX_RESOURCES", old_); }

private:
    QByteArray old_;
    rbxtest::ScopedInstance<Bundle> fresh_;
};
} // namespace

TEST(Bundle, ReadsTheShippedInformation) {
    EXPECT_EQ(QDir(Bundle::mainBundle().resourcePath()).canonicalPath(),
              QDir(QStringLiteral(RUNEBOX_SOURCE_RESOURCES)).canonicalPath());
    EXPECT_EQ(Bundle::mainBundle().executableName(), QStringLiteral("runebox"));
    EXPECT_EQ(Bundle::mainBundle().bundleIdentifier(), QStringLiteral("org.runebox.Runebox"));
    EXPECT_EQ(Bundle::mainBundle().bundleName(), QStringLiteral("Runebox"));
    EXPECT_FALSE(Bundle::mainBundle().shortVersionString().isEmpty());
    EXPECT_FALSE(Bundle::mainBundle().pathForResource(QStringLiteral("UserDefaults"), QStringLiteral("plist")).isEmpty());
    EXPECT_EQ(Bundle::mainBundle().pathForResource(QStringLiteral("Info.plist")),
              Bundle::mainBundle().pathForResource(QStringLiteral("Info"), QStringLiteral("plist")));
    EXPECT_TRUE(Bundle::mainBundle().pathForResource(QStringLiteral("NoSuchFile"), QStringLiteral("plist")).isNull());
}

TEST(Bundle, NamesStayInsideTheirFolder) {
    // A resource name that climbs out of the data folder finds nothing, even where the
    // file exists.
    kx::LogCapture capture;
    const QString resources = Bundle::mainBundle().resourcePath();
    const QString climbing = QDir(resources).relativeFilePath(QStringLiteral("/etc/passwd"));
    ASSERT_TRUE(QFile::exists(resources + u'/' + climbing));
    EXPECT_TRUE(Bundle::mainBundle().pathForResource(climbing).isNull());
    EXPECT_TRUE(Bundle::mainBundle().pathForResource(QStringLiteral("../resources/Info"), QStringLiteral("plist")).isNull());
    EXPECT_TRUE(capture.contains(QStringLiteral("leads outside its folder")));
    EXPECT_FALSE(Bundle::mainBundle().pathForResource(QStringLiteral("en.lproj/Localizable.strings")).isEmpty());

    for (const char* bad : {"", "..", "../x", "a/../../x", "/etc/passwd", "a\nb", "a\x7f"})
        EXPECT_FALSE(kx::pathInFolder(QStringLiteral("/srv/f"), QString::fromUtf8(bad))) << bad;
    EXPECT_EQ(kx::pathInFolder(QStringLiteral("/srv/f/"), QStringLiteral("a/./b//c")).path, QStringLiteral("/srv/f/a/b/c"));
    EXPECT_EQ(kx::pathInFolder(QStringLiteral("/srv/f"), QStringLiteral("../x")).refusal,
              QStringLiteral("the name \"../x\" leads outside its folder"));
    // One file's name: no folders, nothing hidden, not too long.
    for (const char* bad : {"a/b", ".hidden", ".", "..", ""})
        EXPECT_FALSE(kx::fileInFolder(QStringLiteral("/srv/f"), QString::fromUtf8(bad))) << bad;
    EXPECT_FALSE(kx::fileInFolder(QStringLiteral("/srv/f"), QString(201, u'a')));
    EXPECT_EQ(kx::fileInFolder(QStringLiteral("/srv/f"), QStringLiteral("My Editor 2")).path, QStringLiteral("/srv/f/My Editor 2"));
}

TEST(Bundle, FollowsTheEnvironmentAndSurvivesAMissingInfoFile) {
    QTemporaryDir dir;
    {
        QFile f(dir.path() + QStringLiteral("/Info.plist"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("{ CFBundleExecutable = other; CFBundleShortVersionString = \"2.5b1\"; }");
    }
    {
        OtherResources other(dir.path());
        EXPECT_EQ(Bundle::mainBundle().resourcePath(), dir.path());
        EXPECT_EQ(Bundle::mainBundle().executableName(), QStringLiteral("other"));
        EXPECT_EQ(Bundle::mainBundle().shortVersionString(), QStringLiteral("2.5b1"));
        // What Info.plist lacks falls back to the product's own names.
        EXPECT_EQ(Bundle::mainBundle().bundleIdentifier(), QStringLiteral("org.runebox.Runebox"));
    }
    QTemporaryDir empty;
    {
        OtherResources other(empty.path());
        kx::LogCapture capture;
        EXPECT_TRUE(Bundle::mainBundle().infoDictionary().isEmpty());
        EXPECT_TRUE(capture.contains(QStringLiteral("could not read Info.plist")));
        EXPECT_EQ(Bundle::mainBundle().executableName(), QStringLiteral("runebox"));
    }
    EXPECT_EQ(Bundle::mainBundle().executableName(), QStringLiteral("runebox"));
}

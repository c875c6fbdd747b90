#include "core/Bundle.h"
#include "core/Log.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using kx::Bundle;

namespace {
// Points the bundle at another data folder for one test.
class OtherResources {
public:
    explicit OtherResources(const QString& path) : old_(qgetenv("RUNEBOX_RESOURCES")) {
        qputenv("RUNEBOX_RESOURCES", path.toUtf8());
        Bundle::resetForTesting();
    }
    ~OtherResources() {
        qputenv("RUNEBOX_RESOURCES", old_);
        Bundle::resetForTesting();
    }

private:
    QByteArray old_;
};
} // namespace

TEST(Bundle, ReadsTheShippedInformation) {
    EXPECT_EQ(QDir(Bundle::resourcePath()).canonicalPath(),
              QDir(QStringLiteral(RUNEBOX_SOURCE_RESOURCES)).canonicalPath());
    EXPECT_EQ(Bundle::executableName(), QStringLiteral("runebox"));
    EXPECT_EQ(Bundle::bundleIdentifier(), QStringLiteral("org.runebox.Runebox"));
    EXPECT_EQ(Bundle::bundleName(), QStringLiteral("Runebox"));
    EXPECT_FALSE(Bundle::shortVersionString().isEmpty());
    EXPECT_FALSE(Bundle::pathForResource(QStringLiteral("UserDefaults"), QStringLiteral("plist")).isEmpty());
    EXPECT_EQ(Bundle::pathForResource(QStringLiteral("Info.plist")),
              Bundle::pathForResource(QStringLiteral("Info"), QStringLiteral("plist")));
    EXPECT_TRUE(Bundle::pathForResource(QStringLiteral("NoSuchFile"), QStringLiteral("plist")).isNull());
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
        EXPECT_EQ(Bundle::resourcePath(), dir.path());
        EXPECT_EQ(Bundle::executableName(), QStringLiteral("other"));
        EXPECT_EQ(Bundle::shortVersionString(), QStringLiteral("2.5b1"));
        // What Info.plist lacks falls back to the product's own names.
        EXPECT_EQ(Bundle::bundleIdentifier(), QStringLiteral("org.runebox.Runebox"));
    }
    QTemporaryDir empty;
    {
        OtherResources other(empty.path());
        kx::LogCapture capture;
        EXPECT_TRUE(Bundle::infoDictionary().isEmpty());
        EXPECT_TRUE(capture.contains(QStringLiteral("could not read Info.plist")));
        EXPECT_EQ(Bundle::executableName(), QStringLiteral("runebox"));
    }
    EXPECT_EQ(Bundle::executableName(), QStringLiteral("runebox"));
}

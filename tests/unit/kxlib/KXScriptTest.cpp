#include "kxlib/KXScript.h"

#include "kxlib/KXUtilities.h"
#include "core/Bundle.h"
#include "core/Log.h"
#include "common/ScopedInstance.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A bundle of our own for the length of a test.
class OwnBundle : public ::testing::Test {
protected:
    void write(const QString& name, const QByteArray& text) {
        QFile f(dir_.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QTemporaryDir dir_;
    rbxtest::ScopedInstance<kx::Bundle> bundle_{std::make_unique<kx::Bundle>(dir_.path())};
};

} // namespace

TEST_F(OwnBundle, BundleScriptsRunWithArgumentsNeverAsText) {
    // Not executable: the script is run by /bin/sh.
    write(QStringLiteral("probe.sh"), "case \"$1\" in\n"
                                      "  greet) shift; for a in \"$@\"; do printf '<%s>' \"$a\"; done;;\n"
                                      "  fail) echo bad >&2; exit 3;;\n"
                                      "  *) pwd;;\n"
                                      "esac\n");
    KXScript script = KXScript::bundleScript(QStringLiteral("probe"));
    ASSERT_TRUE(script.isValid());
    EXPECT_TRUE(script.source().startsWith(QStringLiteral("case")));
    const QString out = script.runHandler(QStringLiteral("greet"),
                                          {QStringLiteral("\"; touch pwned; \""), QStringLiteral("$(id)"), QStringLiteral("a b")});
    EXPECT_EQ(out, QStringLiteral("<\"; touch pwned; \"><$(id)><a b>"));
    EXPECT_EQ(script.error(), QString());
    EXPECT_FALSE(QFile::exists(QDir::home().filePath(QStringLiteral("pwned"))));
    EXPECT_EQ(KXScript::runBundleScript(QStringLiteral("probe")), QDir::homePath() + u'\n');

    EXPECT_EQ(script.runHandler(QStringLiteral("fail"), {}), QString());
    EXPECT_EQ(script.error(), QStringLiteral("exit status 3: bad"));
}

TEST_F(OwnBundle, MissingScriptsAndTimeOuts) {
    kx::LogCapture log;
    EXPECT_FALSE(KXScript::bundleScript(QStringLiteral("absent")).isValid());
    EXPECT_TRUE(log.contains(QStringLiteral("*** Bundle script \"absent\" missing.")));
    EXPECT_EQ(KXScript::runBundleScript(QStringLiteral("absent")), QString());
    KXScript none;
    EXPECT_EQ(none.run(), QString());
    EXPECT_FALSE(none.error().isEmpty());

    write(QStringLiteral("slow.sh"), "echo begun\nexec sleep 30\n");
    KXScript slow = KXScript::bundleScript(QStringLiteral("slow"));
    slow.setTimeout(0.2);
    EXPECT_EQ(slow.run({QStringLiteral("x")}), QStringLiteral("begun\n"));
    EXPECT_EQ(slow.error(), QStringLiteral("timed out"));
    EXPECT_TRUE(log.contains(QStringLiteral("script timeout: slow.sh x")));
}

TEST_F(OwnBundle, ApplicationTextsComeFromTheBundle) {
    write(QStringLiteral("Info.plist"),
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
          "<key>CFBundleExecutable</key><string>probe-app</string>"
          "<key>CFBundleVersion</key><string>5.2b3</string></dict></plist>\n");
    EXPECT_EQ(KXUtilities::applicationName(), QStringLiteral("probe-app"));
    EXPECT_EQ(KXUtilities::versionString(), QStringLiteral("5.2b3"));
    EXPECT_EQ(KXUtilities::plainVersionString(), QStringLiteral("5.2"));
}

#include "common/TestEnvironment.h"
#include "platform/fonts/DesktopFonts.h"
#include "platform/fonts/FontconfigBackend.h"

#include <gtest/gtest.h>

TEST(DesktopFonts, OrthographiesOfLanguages) {
    const kx::CharSet de = rbx::orthographyOfLanguage(QStringLiteral("de"));
    ASSERT_FALSE(de.isEmpty());
    for (char32_t c : {U'A', U'z', U'\u00E4', U'\u00F6', U'\u00FC', U'\u00DF'}) EXPECT_TRUE(de.contains(c)) << uint(c);
    EXPECT_FALSE(de.contains(0x0416));  // CYRILLIC CAPITAL LETTER ZHE
    EXPECT_TRUE(rbx::orthographyOfLanguage(QStringLiteral("ru")).contains(0x0416));

    // Any case and either separator; an unknown territory falls back to the language.
    EXPECT_EQ(rbx::orthographyOfLanguage(QStringLiteral("DE")), de);
    EXPECT_EQ(rbx::orthographyOfLanguage(QStringLiteral("de_QQ")), de);
    EXPECT_EQ(rbx::orthographyOfLanguage(QStringLiteral("de-QQ")), de);
    EXPECT_TRUE(rbx::orthographyOfLanguage(QStringLiteral("qqq")).isEmpty());
    EXPECT_TRUE(rbx::orthographyOfLanguage(QString()).isEmpty());
}

TEST(DesktopFonts, DefaultSansSerifIsAnInstalledFace) {
    rbx::FontconfigBackend backend;
    if (backend.faces().isEmpty()) GTEST_SKIP() << "no fonts installed";
    const QString name = rbx::defaultSansSerifPostScriptName();
    ASSERT_FALSE(name.isEmpty());
    EXPECT_TRUE(backend.faceInfo(name)) << name.toStdString();
}

TEST(DesktopFonts, InstalledFamilyFollowsTheRulesWithoutMatching) {
    rbx::FontconfigBackend backend;
    const QList<rbx::FaceInfo> faces = backend.faces();
    if (faces.isEmpty()) GTEST_SKIP() << "no fonts installed";
    // The alias Qt's general font names stands for the family fontconfig picks for it.
    const auto picked = backend.faceInfo(rbx::defaultSansSerifPostScriptName());
    ASSERT_TRUE(picked);
    EXPECT_EQ(rbx::installedFamily(QStringLiteral("Sans Serif"), faces), picked->family);
    EXPECT_EQ(rbx::installedFamily(QStringLiteral("sans-serif"), faces), picked->family);
    // An installed family is itself, in its own spelling; a family not installed gives the
    // default one, as it does for every program asking fontconfig.
    const QString installed = faces.first().family;
    EXPECT_EQ(rbx::installedFamily(installed.toUpper(), faces), installed);
    EXPECT_EQ(rbx::installedFamily(QStringLiteral("No Such Family Qq"), faces), picked->family);
    // Only the faces given count; none given, none is installed.
    EXPECT_EQ(rbx::installedFamily(QStringLiteral("Sans Serif"), {}), QString());
    QList<rbx::FaceInfo> others;
    for (const rbx::FaceInfo& f : faces)
        if (f.family != picked->family) others.append(f);
    const QString second = rbx::installedFamily(QStringLiteral("Sans Serif"), others);
    EXPECT_FALSE(second.isEmpty());
    EXPECT_NE(second, picked->family);
}

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

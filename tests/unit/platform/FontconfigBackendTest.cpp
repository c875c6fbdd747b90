#include "common/TestEnvironment.h"
#include "platform/fonts/FontconfigBackend.h"

#include <QDir>
#include <QFile>
#include <memory>
#include <gtest/gtest.h>

// These tests read the fonts installed on this machine (DejaVu and Noto are part of
// the build dependencies).

TEST(FontconfigBackend, listsInstalledFacesOncePerPostScriptName) {
    rbx::FontconfigBackend backend;
    const auto faces = backend.faces();
    ASSERT_FALSE(faces.isEmpty());
    QSet<QString> names;
    for (const auto& f : faces) {
        EXPECT_FALSE(f.postScriptName.isEmpty());
        EXPECT_FALSE(f.file.isEmpty());
        EXPECT_FALSE(names.contains(f.postScriptName)) << f.postScriptName.toStdString();
        names.insert(f.postScriptName);
    }
    const auto dejavu = backend.faceInfo(QStringLiteral("DejaVuSans"));
    ASSERT_TRUE(dejavu);
    EXPECT_EQ(dejavu->family, QStringLiteral("DejaVu Sans"));
    EXPECT_TRUE(dejavu->file.endsWith(QStringLiteral("DejaVuSans.ttf")));
    auto face = backend.face(QStringLiteral("DejaVuSans"));
    ASSERT_TRUE(face);
    EXPECT_EQ(face->postScriptName(), QStringLiteral("DejaVuSans"));
    EXPECT_EQ(face->nominalGlyph('A'), 36u);
    EXPECT_FALSE(backend.faceInfo(QStringLiteral("No-Such-Font")));
}

TEST(FontconfigBackend, facesInSeveralFormatsPreferTheOneWithTables) {
    rbx::FontconfigBackend backend;
    // The URW fonts come as OpenType and as Type 1 under the same PostScript name.
    const auto info = backend.faceInfo(QStringLiteral("NimbusRoman-Regular"));
    if (!info) GTEST_SKIP() << "URW fonts not installed";
    EXPECT_TRUE(info->file.endsWith(QStringLiteral(".otf"))) << info->file.toStdString();
}

TEST(FontconfigBackend, aFaceAskedByNameBeforeTheListIsTheListedFace) {
    const auto listed = rbx::FontconfigBackend().faces();
    ASSERT_FALSE(listed.isEmpty());
    // A backend asks fontconfig for its first few names one by one, then makes the list:
    // both ways give the listed faces.
    std::unique_ptr<rbx::FontconfigBackend> fresh;
    rbx::FontconfigBackend backend;
    for (qsizetype i = 0; i < listed.size(); ++i) {
        const auto& f = listed[i];
        if (i % 4 == 0) fresh = std::make_unique<rbx::FontconfigBackend>();
        const auto single = fresh->faceInfo(f.postScriptName);
        ASSERT_TRUE(single) << f.postScriptName.toStdString();
        EXPECT_EQ(single->file, f.file) << f.postScriptName.toStdString();
        EXPECT_EQ(single->index, f.index);
        const auto one = backend.faceInfo(f.postScriptName);
        ASSERT_TRUE(one) << f.postScriptName.toStdString();
        EXPECT_EQ(one->file, f.file) << f.postScriptName.toStdString();
        EXPECT_EQ(one->index, f.index);
        EXPECT_EQ(one->family, f.family);
        EXPECT_EQ(one->style, f.style);
        EXPECT_EQ(one->weight, f.weight);
        EXPECT_EQ(one->italic, f.italic);
        EXPECT_EQ(bool(one->coverage), bool(f.coverage));
    }
    EXPECT_FALSE(backend.faceInfo(QStringLiteral("DejaVu")));
    EXPECT_FALSE(backend.faceInfo(QString()));
}

TEST(FontconfigBackend, findsTheColourEmojiFont) {
    rbx::FontconfigBackend backend;
    if (!backend.faceInfo(QStringLiteral("NotoColorEmoji"))) GTEST_SKIP() << "Noto Color Emoji not installed";
    EXPECT_EQ(backend.defaultColorEmojiFontName(), QStringLiteral("NotoColorEmoji"));
}

TEST(FontconfigBackend, activationAddsTheFileForThisProcess) {
    rbx::FontconfigBackend backend;
    QStringList hooked;
    QObject::connect(&backend, &rbx::FontBackend::fontFileActivated, [&](const QString& p) { hooked << p; });
    const QString path = rbxtest::testData(QStringLiteral("fonts/RbxAlpha-Regular.ttf"));
    const quint64 g0 = backend.generation();
    EXPECT_FALSE(backend.faceInfo(QStringLiteral("RbxAlpha-Regular")));
    int changes = 0;
    QObject::connect(&backend, &rbx::FontBackend::fontsChanged, [&] { ++changes; });
    const int container = backend.activateFile(path);
    ASSERT_GT(container, 0);
    EXPECT_GT(backend.generation(), g0);
    EXPECT_EQ(hooked, QStringList{path});
    ASSERT_EQ(backend.facesOfContainer(container).size(), 1);
    const auto info = backend.faceInfo(QStringLiteral("RbxAlpha-Regular"));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->family, QStringLiteral("Rbx Alpha"));
    EXPECT_TRUE(rbxtest::waitFor([&] { return changes > 0; }));

    backend.deactivate(container);
    EXPECT_FALSE(backend.faceInfo(QStringLiteral("RbxAlpha-Regular")));
    EXPECT_EQ(backend.activateFile(rbxtest::testData(QStringLiteral("fonts/not-a-font.ttf"))), 0);
}

TEST(FontconfigBackend, aFontInstalledInTheUserFolderMovesTheGeneration) {
    rbx::FontconfigBackend backend;
    const QString dir = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/fonts");
    QDir(dir).removeRecursively();
    ASSERT_FALSE(backend.faceInfo(QStringLiteral("RbxBeta-Regular")));
    const quint64 g0 = backend.generation();
    int changes = 0;
    QObject::connect(&backend, &rbx::FontBackend::fontsChanged, [&] { ++changes; });

    ASSERT_TRUE(QDir().mkpath(dir));
    ASSERT_TRUE(QFile::copy(rbxtest::testData(QStringLiteral("fonts/RbxBeta-Regular.ttf")),
                            dir + QStringLiteral("/RbxBeta-Regular.ttf")));
    // The folder watch notices the change by itself.
    EXPECT_TRUE(rbxtest::waitFor([&] { return changes > 0; }, 10000));
    EXPECT_GT(backend.generation(), g0);
    EXPECT_TRUE(backend.faceInfo(QStringLiteral("RbxBeta-Regular")));
    EXPECT_FALSE(backend.checkForChanges()); // nothing further changed

    QDir(dir).removeRecursively();
    EXPECT_TRUE(backend.checkForChanges());
    EXPECT_FALSE(backend.faceInfo(QStringLiteral("RbxBeta-Regular")));
}

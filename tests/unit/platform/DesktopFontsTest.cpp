#include "common/TestEnvironment.h"
#include "platform/fonts/DesktopFonts.h"
#include "platform/fonts/FontconfigBackend.h"

#include <dlfcn.h>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>

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

TEST(DesktopFonts, AMatchNamingAFaceByItsFileGivesThatFaceWithFontconfigsRenderingSettings) {
    rbx::FontconfigBackend backend;  // holds the program's FcFontMatch
    const QList<rbx::FaceInfo> faces = backend.faces();
    if (faces.isEmpty()) GTEST_SKIP() << "no fonts installed";
    using Match = FcPattern* (*)(FcConfig*, FcPattern*, FcResult*);
    const auto fontconfigsOwn = reinterpret_cast<Match>(dlsym(RTLD_NEXT, "FcFontMatch"));
    ASSERT_NE(fontconfigsOwn, nullptr);
    ASSERT_NE(fontconfigsOwn, &FcFontMatch);
    auto ask = [](const QString& family, const QString& file, int index) {
        FcPattern* p = FcPatternCreate();
        FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.toUtf8().constData()));
        if (!file.isEmpty()) {
            FcPatternAddString(p, FC_FILE, reinterpret_cast<const FcChar8*>(file.toUtf8().constData()));
            FcPatternAddInteger(p, FC_INDEX, index);
        }
        FcPatternAddDouble(p, FC_PIXEL_SIZE, 13);
        FcConfigSubstitute(nullptr, p, FcMatchPattern);
        FcDefaultSubstitute(p);
        return p;
    };
    auto text = [](FcPattern* p) {
        FcChar8* s = FcNameUnparse(p);
        const std::string out = s ? reinterpret_cast<const char*>(s) : "";
        free(s);
        return out;
    };
    int compared = 0;
    for (qsizetype i = 0; i < faces.size() && compared < 40; i += std::max<qsizetype>(1, faces.size() / 40)) {
        const rbx::FaceInfo& face = faces[i];
        if (face.file.isEmpty()) continue;
        FcPattern* p = ask(face.family, face.file, face.index);
        FcPattern* q = FcPatternDuplicate(p);
        FcResult r1 = FcResultNoMatch, r2 = FcResultNoMatch;
        FcPattern* mine = FcFontMatch(nullptr, p, &r1);
        FcPattern* theirs = fontconfigsOwn(nullptr, q, &r2);
        ASSERT_TRUE(mine && theirs) << face.file.toStdString();
        EXPECT_EQ(r1, FcResultMatch);
        FcChar8* file = nullptr;
        int index = -1;
        FcPatternGetString(mine, FC_FILE, 0, &file);
        FcPatternGetInteger(mine, FC_INDEX, 0, &index);
        EXPECT_EQ(QString::fromUtf8(reinterpret_cast<const char*>(file)), face.file);
        EXPECT_EQ(index, face.index);
        // The same answer as fontconfig's, which may pick another face of a collection.
        int theirIndex = -1;
        FcPatternGetInteger(theirs, FC_INDEX, 0, &theirIndex);
        if (theirIndex == face.index) {
            EXPECT_EQ(text(mine), text(theirs)) << face.file.toStdString();
        }
        for (const char* setting : {FC_ANTIALIAS, FC_HINTING, FC_AUTOHINT, FC_EMBEDDED_BITMAP}) {
            FcBool a = FcFalse, b = FcFalse;
            EXPECT_EQ(FcPatternGetBool(mine, setting, 0, &a), FcPatternGetBool(theirs, setting, 0, &b)) << setting;
            EXPECT_EQ(a, b) << setting << ' ' << face.file.toStdString();
        }
        for (const char* setting : {FC_HINT_STYLE, FC_RGBA, FC_LCD_FILTER}) {
            int a = -1, b = -1;
            FcPatternGetInteger(mine, setting, 0, &a);
            FcPatternGetInteger(theirs, setting, 0, &b);
            EXPECT_EQ(a, b) << setting << ' ' << face.file.toStdString();
        }
        FcPatternDestroy(mine);
        FcPatternDestroy(theirs);
        FcPatternDestroy(p);
        FcPatternDestroy(q);
        ++compared;
    }
    EXPECT_GT(compared, 0);
    // A match by family alone, or of a file no face lives in, is fontconfig's own.
    for (const QString& file : {QString(), QStringLiteral("/nowhere/none.ttf")}) {
        FcPattern* p = ask(QStringLiteral("sans-serif"), file, 0);
        FcPattern* q = FcPatternDuplicate(p);
        FcResult r = FcResultNoMatch;
        FcPattern* mine = FcFontMatch(nullptr, p, &r);
        FcPattern* theirs = fontconfigsOwn(nullptr, q, &r);
        ASSERT_TRUE(mine && theirs);
        EXPECT_EQ(text(mine), text(theirs));
        FcPatternDestroy(mine);
        FcPatternDestroy(theirs);
        FcPatternDestroy(p);
        FcPatternDestroy(q);
    }
}

TEST(DesktopFonts, AListOfEveryFaceByFileHasFontconfigsEntriesAndValues) {
    rbx::FontconfigBackend backend;  // holds the program's FcFontList
    if (backend.faces().isEmpty()) GTEST_SKIP() << "no fonts installed";
    using List = FcFontSet* (*)(FcConfig*, FcPattern*, FcObjectSet*);
    const auto fontconfigsOwn = reinterpret_cast<List>(dlsym(RTLD_NEXT, "FcFontList"));
    ASSERT_NE(fontconfigsOwn, nullptr);
    ASSERT_NE(fontconfigsOwn, &FcFontList);
    // What Qt's font database asks for.
    FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, FC_STYLE, FC_WEIGHT, FC_SLANT, FC_SPACING, FC_FILE, FC_INDEX, FC_LANG,
                                       FC_CHARSET, FC_FOUNDRY, FC_SCALABLE, FC_PIXEL_SIZE, FC_WIDTH, FC_FAMILYLANG,
                                       FC_CAPABILITY, nullptr);
    FcPattern* all = FcPatternCreate();
    FcFontSet* mine = FcFontList(nullptr, all, os);
    FcFontSet* theirs = fontconfigsOwn(nullptr, all, os);
    ASSERT_TRUE(mine && theirs);
    EXPECT_EQ(mine->nfont, theirs->nfont);
    auto key = [](FcPattern* p) {
        FcChar8* file = nullptr;
        int index = 0;
        FcPatternGetString(p, FC_FILE, 0, &file);
        FcPatternGetInteger(p, FC_INDEX, 0, &index);
        return std::string(file ? reinterpret_cast<const char*>(file) : "") + '#' + std::to_string(index);
    };
    std::map<std::string, FcPattern*> byFace;
    for (int i = 0; i < mine->nfont; ++i) byFace[key(mine->fonts[i])] = mine->fonts[i];
    EXPECT_EQ(int(byFace.size()), mine->nfont);
    for (int i = 0; i < theirs->nfont; ++i) {
        const auto found = byFace.find(key(theirs->fonts[i]));
        ASSERT_NE(found, byFace.end()) << key(theirs->fonts[i]);
        for (int k = 0; k < os->nobject; ++k) {
            for (int n = 0;; ++n) {
                FcValue a, b;
                const FcResult ra = FcPatternGet(found->second, os->objects[k], n, &a);
                const FcResult rb = FcPatternGet(theirs->fonts[i], os->objects[k], n, &b);
                ASSERT_EQ(ra, rb) << os->objects[k] << ' ' << found->first;
                if (ra != FcResultMatch) break;
                EXPECT_TRUE(FcValueEqual(a, b)) << os->objects[k] << ' ' << found->first;
            }
        }
        // Nothing that a reader may look for without asking comes along.
        FcValue v;
        EXPECT_NE(FcPatternGet(found->second, FC_ANTIALIAS, 0, &v), FcResultMatch) << found->first;
    }
    FcFontSetDestroy(mine);
    FcFontSetDestroy(theirs);
    // A list with a pattern to match is fontconfig's own.
    FcPatternAddBool(all, FC_SCALABLE, FcFalse);
    mine = FcFontList(nullptr, all, os);
    theirs = fontconfigsOwn(nullptr, all, os);
    ASSERT_TRUE(mine && theirs);
    EXPECT_EQ(mine->nfont, theirs->nfont);
    FcFontSetDestroy(mine);
    FcFontSetDestroy(theirs);
    FcPatternDestroy(all);
    FcObjectSetDestroy(os);
}

// The table readers against fontTools, on the fonts installed on this machine.
#include "common/ScopedInstance.h"
#include "FontFixtures.h"
#include "model/FontExtensions.h"
#include "model/KXCharGlyphMap.h"
#include "model/RbxCmapList.h"
#include "platform/fonts/FontBackend.h"

#include <QHash>
#include <gtest/gtest.h>
#include <map>

namespace {

using Mapping = std::vector<std::pair<char32_t, std::uint32_t>>;

struct OracleFace {
    bool bmpOnly = false;
    Mapping mapping;
};

// "FONT file:index", "BMP ONLY" | "FULL", "U+XXXX GID"...
QHash<QString, OracleFace> parseCmapOracle(const QStringList& lines) {
    QHash<QString, OracleFace> out;
    OracleFace* cur = nullptr;
    for (const QString& l : lines) {
        if (l.startsWith(QLatin1String("FONT "))) {
            cur = &out[l.mid(5)];
        } else if (!cur) {
            continue;
        } else if (l == QLatin1String("BMP ONLY")) {
            cur->bmpOnly = true;
        } else if (l.startsWith(QLatin1String("U+"))) {
            const int sp = int(l.indexOf(QLatin1Char(' ')));
            cur->mapping.emplace_back(char32_t(l.mid(2, sp - 2).toUInt(nullptr, 16)), l.mid(sp + 1).toUInt());
        }
    }
    return out;
}

Mapping readersMapping(RbxCmapList& list, bool* bmpOnly) {
    Mapping m;
    const int best = list.indexOfBestUnicodeCmap();
    *bmpOnly = best >= 0;
    if (best >= 0) {
        const auto cmap = list.cmapAtIndex(best);
        if (!cmap) return m;
        for (std::uint32_t c = 32; c <= 0xFFFF; ++c)
            if (const std::uint32_t g = cmap->glyphForCharacter(c)) m.emplace_back(char32_t(c), g);
        return m;
    }
    const int full = list.indexOfFullUnicodeCmap();
    if (full < 0) return m;
    const auto cmap = list.anyCmapAtIndex(full);
    if (const auto* c12 = dynamic_cast<const RbxCmap12*>(cmap.get())) m = c12->allMappings();
    return m;
}

bool hasUnicodeSubtable(RbxCmapList& list) {
    for (int i = 0; i < list.nTables(); ++i) {
        const int p = list.platformIDAtIndex(i), e = list.platformSpecificIDAtIndex(i);
        if (p == 0 || (p == 3 && (e == 1 || e == 10))) return true;
    }
    return false;
}

} // namespace

TEST(FontOracle, dejaVuSansSubtablesAndGlyphs) {
    rbxtest::ScopedInstance<rbx::FontBackend> installedFonts;
    const rbx::Font f = rbx::font::availableFontWithName(QStringLiteral("DejaVuSans"), 12);
    if (!f) GTEST_SKIP() << "DejaVu Sans is not installed";
    RbxCmapList list(f);
    EXPECT_EQ(list.indexOfBestRomanCmap(), 2);
    EXPECT_EQ(list.indexOfBestUnicodeCmap(), 3);
    EXPECT_EQ(list.cmapAtIndex(3)->glyphForCharacter('A'), 36u);
    EXPECT_EQ(list.cmapAtIndex(2)->glyphForCharacter('A'), 36u);
    EXPECT_EQ(rbx::font::glyphForCharacter(f, 'A'), 36u);
    const auto map = KXCharGlyphMap::charGlyphMapForFont(f);
    ASSERT_TRUE(map);
    EXPECT_EQ(map->glyphForCharacter('A'), 36u);
    EXPECT_EQ(map->characterForGlyph(36), char32_t('A'));
}

TEST(FontOracle, cmapReadersAndCoveredSetsAgreeWithFontToolsOnEveryInstalledFont) {
    if (!fixtures::fontToolsAvailable()) GTEST_SKIP() << "fontTools is not installed";
    rbxtest::ScopedInstance<rbx::FontBackend> installedFonts;
    struct Face { QString key, name; rbx::Font font; };
    std::vector<Face> faces;
    for (const rbx::FaceInfo& info : rbx::FontBackend::shared().faces()) {
        const rbx::Font f = rbx::FontBackend::shared().font(info.postScriptName);
        if (!f || !f->isSfnt()) continue;
        faces.push_back({info.file + QLatin1Char(':') + QString::number(info.index), info.postScriptName, f});
    }
    ASSERT_FALSE(faces.empty());
    QStringList args{QStringLiteral("cmap")};
    for (const Face& f : faces) args << f.key;
    const QHash<QString, OracleFace> oracle = parseCmapOracle(fixtures::oracle(args));
    ASSERT_EQ(oracle.size(), qsizetype(faces.size()));

    int compared = 0, failures = 0;
    for (const Face& f : faces) {
        RbxCmapList list(f.font);
        if (!hasUnicodeSubtable(list)) continue;
        const OracleFace& o = oracle[f.key];
        bool bmpOnly = false;
        const Mapping ours = readersMapping(list, &bmpOnly);
        Mapping theirs;
        for (const auto& p : o.mapping)
            if (!o.bmpOnly || p.first <= 0xFFFF) theirs.push_back(p);
        ++compared;
        const bool same = bmpOnly == o.bmpOnly && ours == theirs;
        // The covered set is the face's best Unicode mapping, as fontTools' is.
        kx::CharSet covered = f.font->coveredCharacters();
        covered.removeCharactersFrom(0, 0x1F);
        kx::CharSet expected;
        for (const auto& p : o.mapping) expected.addCharacter(p.first);
        const bool sameCover = covered == expected;
        if ((!same || !sameCover) && ++failures <= 5) {
            ADD_FAILURE() << f.name.toStdString() << ": readers " << ours.size() << " (bmp " << bmpOnly
                          << "), fontTools " << theirs.size() << " (bmp " << o.bmpOnly << "), covered "
                          << covered.numberOfCharacters() << " vs " << expected.numberOfCharacters();
        }
    }
    EXPECT_EQ(failures, 0);
    EXPECT_GT(compared, 100);
}

TEST(FontOracle, postGlyphNamesAgreeWithFontTools) {
    if (!fixtures::fontToolsAvailable()) GTEST_SKIP() << "fontTools is not installed";
    rbxtest::ScopedInstance<rbx::FontBackend> installedFonts;
    const QStringList fonts{QStringLiteral("DejaVuSans"), QStringLiteral("NotoSansSignWriting-Regular")};
    const QStringList fixtureFiles{QStringLiteral("RbxCmapTest-Regular.ttf"), QStringLiteral("RbxLigaFi-Regular.ttf")};
    std::vector<std::pair<rbx::Font, QString>> cases;
    for (const QString& n : fonts) {
        const rbx::Font f = rbx::font::availableFontWithName(n, 12);
        if (f) cases.emplace_back(f, f->filePath());
    }
    for (const QString& n : fixtureFiles) cases.emplace_back(fixtures::font(n), fixtures::path(n));
    for (const auto& [font, file] : cases) {
        const QStringList lines = fixtures::oracle({QStringLiteral("post"), file});
        ASSERT_FALSE(lines.isEmpty()) << file.toStdString();
        EXPECT_EQ(lines.first().mid(7).toDouble(), rbx::font::postFormat(font)) << file.toStdString();
        const auto names = rbx::font::glyphNames(font);
        ASSERT_TRUE(names) << file.toStdString();
        ASSERT_EQ(names->size(), lines.size() - 1) << file.toStdString();
        for (int g = 0; g < names->size(); ++g) {
            const QStringList ours = names->at(g).split(QLatin1Char(' '));
            const QString theirs = lines[g + 1].section(QLatin1Char(' '), 1);
            // Standard Macintosh names are not spelled out; fontTools renames duplicates.
            if (ours.value(1).toInt() < 258 || theirs.contains(QLatin1Char('#'))) continue;
            EXPECT_EQ(ours.value(3), theirs) << file.toStdString() << " glyph " << g;
        }
    }
}

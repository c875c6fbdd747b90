// Every table reader on thousands of damaged copies of the fixture fonts and their
// tables: no crash, no read outside the data, and no reader that goes on working once
// its reading budget is spent (the work of each reading is bounded by the budget).
#include "FontFixtures.h"
#include "core/Log.h"
#include "model/FontExtensions.h"
#include "model/FontTableReports.h"
#include "model/KXCharGlyphMap.h"
#include "model/LigatureReaders.h"
#include "model/RbxCmapList.h"
#include "model/RbxFontInfo.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <random>

namespace {

// Damages bytes the way broken files are damaged: bit flips, truncation, and fields
// overwritten with extreme or random values.
QByteArray mutate(QByteArray data, std::mt19937& rng) {
    if (data.isEmpty()) return data;
    auto pick = [&](std::size_t n) { return std::size_t(std::uniform_int_distribution<std::size_t>(0, n - 1)(rng)); };
    const int rounds = 1 + int(pick(4));
    for (int r = 0; r < rounds && !data.isEmpty(); ++r) {
        switch (pick(5)) {
        case 0: { // bit flips
            const int flips = 1 + int(pick(8));
            for (int i = 0; i < flips; ++i) {
                const auto at = pick(std::size_t(data.size()));
                data[qsizetype(at)] = char(data[qsizetype(at)] ^ (1 << pick(8)));
            }
            break;
        }
        case 1: // truncation
            data.truncate(qsizetype(pick(std::size_t(data.size()))));
            break;
        case 2: { // a 16-bit field overwritten
            static const unsigned values[] = {0, 1, 0x7FFF, 0x8000, 0xFFFE, 0xFFFF};
            const auto at = pick(std::size_t(data.size())) & ~std::size_t(1);
            const unsigned v = pick(2) ? values[pick(6)] : unsigned(pick(0x10000));
            if (qsizetype(at + 1) < data.size()) {
                data[qsizetype(at)] = char(v >> 8);
                data[qsizetype(at + 1)] = char(v);
            }
            break;
        }
        case 3: { // a 32-bit field overwritten
            const auto at = pick(std::size_t(data.size())) & ~std::size_t(3);
            const std::uint32_t v = pick(2) ? 0xFFFFFFF0u + std::uint32_t(pick(16)) : std::uint32_t(rng());
            for (int i = 0; i < 4 && qsizetype(at) + i < data.size(); ++i)
                data[qsizetype(at) + i] = char(v >> (24 - 8 * i));
            break;
        }
        default: { // a run of bytes zeroed or filled
            const auto at = pick(std::size_t(data.size()));
            const auto n = std::min<std::size_t>(1 + pick(32), std::size_t(data.size()) - at);
            data.replace(qsizetype(at), qsizetype(n), QByteArray(qsizetype(n), pick(2) ? '\0' : '\xFF'));
            break;
        }
        }
    }
    return data;
}

void exerciseCmapList(RbxCmapList& list) {
    const int n = list.nTables();
    for (int i = -1; i <= std::min(n, 64); ++i) {
        list.platformIDAtIndex(i);
        list.cmapFormatAtIndex(i);
        list.cmapLanguageAtIndex(i);
        std::unique_ptr<RbxCmap> readers[] = {list.cmapAtIndex(i), list.anyCmapAtIndex(i)};
        for (const auto& cmap : readers) {
            if (!cmap) continue;
            std::uint32_t values[] = {0, 32, 'A', 0xFF, 0x100, 0xFFFF, 0x1F600, 0xFFFFFFFF};
            cmap->translateCharactersToGlyphs(values, 8);
            cmap->translateGlyphsToCharacters(values, 8);
            std::uint32_t glyphs[] = {0, 1, 2, 3, 255, 256, 0xFFFF, 0x10000};
            cmap->translateGlyphsToCharacters(glyphs, 8);
        }
    }
    list.indexOfBestRomanCmap();
    list.indexOfBestUnicodeCmap();
    list.indexOfFullUnicodeCmap();
}

// The most requests any reader made of a budget after it was spent.
std::size_t lateRequests = 0;

// The layout-table readers and reports on table bytes; reading past the end may throw
// kx::OutOfBounds, a report over a table that asks for too much work TableTooComplex,
// and nothing else.
void exerciseLayoutTables(const QByteArray& gsub, const QByteArray& morx, const KXCharGlyphMap& map) {
    using rbx::font::ReadingBudget;
    const kx::CharSet& unwanted = rbx::font::unwantedLigatureCharacters();
    ReadingBudget gsubWork(ReadingBudget::unitsForTables(std::size_t(gsub.size())), QStringLiteral("Fuzz"));
    ReadingBudget morxWork(ReadingBudget::unitsForTables(std::size_t(morx.size())), QStringLiteral("Fuzz"));
    try { rbx::font::ligaturesInGSUB(kx::ByteReader(gsub), map, unwanted, &gsubWork); } catch (const kx::OutOfBounds&) {}
    try { rbx::font::detailsOfGSUBTable(kx::ByteReader(gsub), map); } catch (const kx::OutOfBounds&) {} catch (const rbx::font::TableTooComplex&) {}
    try { rbx::font::ligaturesInMorx(kx::ByteReader(morx), map, unwanted, QStringLiteral("Fuzz"), &morxWork); } catch (const kx::OutOfBounds&) {}
    try { rbx::font::detailsOfmorxTable(kx::ByteReader(morx), map, QStringLiteral("Fuzz")); } catch (const kx::OutOfBounds&) {} catch (const rbx::font::TableTooComplex&) {}
    lateRequests = std::max({lateRequests, gsubWork.requestsAfterSpent(), morxWork.requestsAfterSpent()});
}

void exerciseFont(const rbx::Font& font) {
    RbxCmapList list(font);
    exerciseCmapList(list);
    const auto map = KXCharGlyphMap::charGlyphMapForFont(font);
    if (map) map->characterForGlyph(3);
    rbx::font::glyphNames(font);
    rbx::font::postFormat(font);
    rbx::font::tagsOfAvailableFontTables(font);
    rbx::font::glyphForString(font, QStringLiteral("ffi"));
    rbx::font::glyphInfo(font);
    rbx::font::ligatures(font);
    try { rbx::font::detailsOfGSUB(font); } catch (const kx::OutOfBounds&) {} catch (const rbx::font::TableTooComplex&) {}
    try { rbx::font::detailsOfmorx(font); } catch (const kx::OutOfBounds&) {} catch (const rbx::font::TableTooComplex&) {}
    RbxFontInfo info(font);
    info.availableCharacterCount();
    info.romanMapping();
    info.unicodeGlyph('f');
}

} // namespace

TEST(FontFuzz, damagedCmapTablesAndFontsNeverCrashTheReaders) {
    kx::LogCapture quiet;
    std::mt19937 rng(20240611);
    int tableRuns = 0, fontRuns = 0;
    for (const QString& name : fixtures::all()) {
        const QByteArray file = fixtures::bytes(name);
        const auto face = rbx::FontFace::fromData(file);
        ASSERT_TRUE(face) << name.toStdString();
        const QByteArray cmap = face->table(kx::fourCC("cmap")).value_or(QByteArray());
        for (int i = 0; i < 1500; ++i, ++tableRuns) {
            RbxCmapList list(RbxCmapSource::forTable(mutate(cmap, rng)));
            exerciseCmapList(list);
        }
        const QByteArray gsub = face->table(kx::fourCC("GSUB")).value_or(QByteArray());
        const QByteArray morx = face->table(kx::fourCC("morx")).value_or(QByteArray());
        if (!gsub.isEmpty() || !morx.isEmpty()) {
            const KXCharGlyphMap map(rbx::Font(face, 12));
            for (int i = 0; i < 1500; ++i, ++tableRuns) exerciseLayoutTables(mutate(gsub, rng), mutate(morx, rng), map);
        }
        for (int i = 0; i < 120; ++i, ++fontRuns) {
            const auto damaged = rbx::FontFace::fromData(mutate(file, rng));
            if (damaged) exerciseFont(rbx::Font(damaged, 12));
        }
    }
    EXPECT_GT(tableRuns, 5000);
    // Each reading ends within its budget: no reader goes on asking once it is spent.
    EXPECT_LE(lateRequests, 4u) << "a reader did not stop when its reading budget was spent";
}

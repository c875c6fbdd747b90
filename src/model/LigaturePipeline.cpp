// The ligature pipeline: both tables, clean-up, the one-glyph test.
#include "model/LigatureReaders.h"

#include "core/Log.h"
#include "model/FontExtensions.h"
#include "model/RbxModelSettings.h"

#include <QSet>
#include <algorithm>
#include <exception>

namespace rbx::font {

const kx::CharSet& unwantedLigatureCharacters() {
    static const kx::CharSet set = [] {
        kx::CharSet s;
        s.addCharactersFrom(0x0300, 0x036F);
        s.addCharactersFrom(0x1100, 0x11FF);
        s.addCharactersFrom(0x3130, 0x318E);
        s.addCharactersFrom(0xA960, 0xA97F);
        s.addCharactersFrom(0xAC00, 0xD7FF);
        s.addCharactersFrom(0x3099, 0x309E);
        return s;
    }();
    return set;
}

void sortAndCleanupLigatures(QStringList& list, const kx::CharSet& excluded) {
    if (list.isEmpty()) return;
    std::sort(list.begin(), list.end(), [](const QString& a, const QString& b) { return a.compare(b) < 0; });
    QStringList kept;
    kept.reserve(list.size());
    for (const QString& s : list) {
        if (!s.isEmpty() && excluded.contains(s.back().unicode())) continue;
        if (!kept.isEmpty() && kept.back() == s) continue;
        kept << s;
    }
    list = kept;
}

void removeLigaturesNot1(QStringList& list, const Font& font, ReadingBudget* budget) {
    list.removeIf([&](const QString& s) {
        if (budget && !budget->spend(std::size_t(s.size()))) return true;
        return glyphForString(font, s) == 0;
    });
}

ReadingBudget readingBudgetForFont(const Font& font) {
    std::size_t bytes = 0;
    if (font)
        for (const std::uint32_t tag : {kx::fourCC("GSUB"), kx::fourCC("morx")})
            bytes += std::size_t(std::max<long long>(0, font->tableLength(tag)));
    return ReadingBudget(ReadingBudget::unitsForTables(bytes), font ? font.postScriptName() : QString());
}

void removeObsoleteLigatures(QStringList& list, char16_t first, char16_t last) {
    const QSet<QString> before(list.begin(), list.end());
    list.removeIf([&](const QString& s) {
        QString reduced;
        bool had = false;
        for (QChar ch : s) {
            if (ch.unicode() >= first && ch.unicode() <= last) had = true;
            else reduced += ch;
        }
        return had && before.contains(reduced);
    });
}

namespace {
template <typename Reader>
std::optional<QStringList> collect(const Font& font, const char* what, Reader reader, ReadingBudget* budget) {
    try {
        if (budget) return reader(font, unwantedLigatureCharacters(), budget);
        ReadingBudget own = readingBudgetForFont(font);
        return reader(font, unwantedLigatureCharacters(), &own);
    } catch (const std::exception& e) {
        kx::log(QStringLiteral("exception while collecting %1 ligatures: %2")
                    .arg(QLatin1String(what), QString::fromUtf8(e.what())));
        return std::nullopt;
    }
}
} // namespace

std::optional<QStringList> ligaturesFromGSUB(const Font& font, ReadingBudget* budget) {
    if (!RbxModelSettings::shared().boolValue(QStringLiteral("ligatures"), true) ||
        !RbxModelSettings::shared().boolValue(QStringLiteral("gsub"), true))
        return std::nullopt;
    return collect(font, "GSUB", ligaturesFromGSUBWithoutCharacters, budget);
}

std::optional<QStringList> ligaturesFrommorx(const Font& font, ReadingBudget* budget) {
    if (!RbxModelSettings::shared().boolValue(QStringLiteral("ligatures"), true) ||
        !RbxModelSettings::shared().boolValue(QStringLiteral("morx"), true))
        return std::nullopt;
    return collect(font, "morx", ligaturesFrommorxWithoutCharacters, budget);
}

std::optional<QStringList> ligatures(const Font& font, ReadingBudget* budget) {
    if (!RbxModelSettings::shared().boolValue(QStringLiteral("ligatures"), true)) return std::nullopt;
    // One budget for the whole font: both tables and the one-glyph test.
    std::optional<ReadingBudget> own;
    if (!budget) budget = &own.emplace(readingBudgetForFont(font));
    // A quarter is kept for testing what the tables gave, however much they ask for.
    budget->reserve(budget->units() / 4);
    const std::optional<QStringList> g = ligaturesFromGSUB(font, budget);
    const std::optional<QStringList> m = ligaturesFrommorx(font, budget);
    budget->release();
    QStringList list;
    if (!g && !m) return std::nullopt;
    if (!g) {
        list = *m;
    } else if (!m) {
        list = *g;
    } else {
        list = *g + *m;
        sortAndCleanupLigatures(list, kx::CharSet());
    }
    removeLigaturesNot1(list, font, budget);
    removeObsoleteLigatures(list, 0x200D, 0x200D);
    removeObsoleteLigatures(list, 0xFE00, 0xFE0F);
    if (list.isEmpty()) return std::nullopt;
    return list;
}

} // namespace rbx::font

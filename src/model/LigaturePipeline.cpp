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

void removeLigaturesNot1(QStringList& list, const Font& font) {
    list.removeIf([&](const QString& s) { return glyphForString(font, s) == 0; });
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
std::optional<QStringList> collect(const Font& font, const char* what, Reader reader) {
    try {
        return reader(font, unwantedLigatureCharacters());
    } catch (const std::exception& e) {
        kx::log(QStringLiteral("exception while collecting %1 ligatures: %2")
                    .arg(QLatin1String(what), QString::fromUtf8(e.what())));
        return std::nullopt;
    }
}
} // namespace

std::optional<QStringList> ligaturesFromGSUB(const Font& font) {
    if (!RbxModelSettings::shared().boolValue(QStringLiteral("ligatures"), true) ||
        !RbxModelSettings::shared().boolValue(QStringLiteral("gsub"), true))
        return std::nullopt;
    return collect(font, "GSUB", ligaturesFromGSUBWithoutCharacters);
}

std::optional<QStringList> ligaturesFrommorx(const Font& font) {
    if (!RbxModelSettings::shared().boolValue(QStringLiteral("ligatures"), true) ||
        !RbxModelSettings::shared().boolValue(QStringLiteral("morx"), true))
        return std::nullopt;
    return collect(font, "morx", ligaturesFrommorxWithoutCharacters);
}

std::optional<QStringList> ligatures(const Font& font) {
    if (!RbxModelSettings::shared().boolValue(QStringLiteral("ligatures"), true)) return std::nullopt;
    const std::optional<QStringList> g = ligaturesFromGSUB(font);
    const std::optional<QStringList> m = ligaturesFrommorx(font);
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
    removeLigaturesNot1(list, font);
    removeObsoleteLigatures(list, 0x200D, 0x200D);
    removeObsoleteLigatures(list, 0xFE00, 0xFE0F);
    if (list.isEmpty()) return std::nullopt;
    return list;
}

} // namespace rbx::font

#include "app/FontInfoText.h"

#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "model/FontExtensions.h"
#include "model/LigatureReaders.h"
#include "platform/fonts/FaceInfo.h"
#include "platform/fonts/FontFace.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <optional>

namespace fontinfo {

namespace {

constexpr std::uint32_t tag(const char (&t)[5]) {
    return std::uint32_t(std::uint8_t(t[0])) << 24 | std::uint32_t(std::uint8_t(t[1])) << 16 |
           std::uint32_t(std::uint8_t(t[2])) << 8 | std::uint32_t(std::uint8_t(t[3]));
}

// A big-endian value of a table, when the table reaches that far.
std::optional<std::uint32_t> readAt(const QByteArray& table, int offset, int bytes) {
    if (offset < 0 || table.size() < offset + bytes) return std::nullopt;
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = v << 8 | std::uint8_t(table[offset + i]);
    return v;
}

} // namespace

QString tidied(const QString& value) {
    QString v = value;
    v.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    while (v.contains(QStringLiteral("\n\n"))) v.replace(QStringLiteral("\n\n"), QStringLiteral("\n"));
    while (v.startsWith(u'\n')) v.remove(0, 1);
    while (v.endsWith(u'\n')) v.chop(1);
    return v;
}

Tables readTables(const rbx::FontFace& face) {
    Tables t;
    if (const auto os2 = face.table(tag("OS/2"))) {
        const auto width = readAt(*os2, 6, 2);
        const auto familyClass = readAt(*os2, 30, 2);
        const auto selection = readAt(*os2, 62, 2);
        if (width) {
            t.expanded = *width > 5 && *width <= 9;
            t.condensed = *width >= 1 && *width < 5;
        }
        if (familyClass) t.familyClass = int(*familyClass >> 8);
        if (selection) {
            t.italic = (*selection & 0x0001) || (*selection & 0x0200);
            t.bold = *selection & 0x0020;
        }
    }
    if (const auto post = face.table(tag("post"))) {
        if (const auto angle = readAt(*post, 4, 4)) t.italicAngle = std::int32_t(*angle) / 65536.0;
        if (const auto fixed = readAt(*post, 12, 4)) t.monospace = *fixed != 0;
    }
    t.vertical = face.hasTable(tag("vhea"));
    return t;
}

QString traits(const Tables& t) {
    QStringList words;
    if (t.italic) words << kx::loc(QStringLiteral("TRAIT_italic"));
    if (t.bold) words << kx::loc(QStringLiteral("TRAIT_bold"));
    if (t.expanded) words << kx::loc(QStringLiteral("TRAIT_expanded"));
    if (t.condensed) words << kx::loc(QStringLiteral("TRAIT_condensed"));
    words << kx::loc(t.monospace ? QStringLiteral("TRAIT_monospace") : QStringLiteral("TRAIT_variablespace"));
    if (t.vertical) words << kx::loc(QStringLiteral("TRAIT_vertical"));
    return words.join(QStringLiteral(", "));
}

QString className(int c) {
    static const char* const keys[] = {nullptr,
                                       "CLASS_OldStyleSerifs",
                                       "CLASS_TransitionalSerifs",
                                       "CLASS_ModernSerifs",
                                       "CLASS_ClarendonSerifs",
                                       "CLASS_SlabSerifs",
                                       nullptr,
                                       "CLASS_FreeformSerifs",
                                       "CLASS_SansSerifs",
                                       "CLASS_Ornamental",
                                       "CLASS_Script",
                                       nullptr,
                                       "CLASS_Symbolic"};
    if (c < 0 || c > 12 || !keys[c]) return QString();
    return kx::loc(QString::fromLatin1(keys[c]));
}

QString languageNames(const QStringList& codes) {
    QStringList names;
    for (const QString& code : codes) {
        const QLocale locale(QString(code).replace(u'-', u'_'));
        if (locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage) continue;
        const QString name = QLocale::languageToString(locale.language());
        if (!name.isEmpty() && !names.contains(name)) names << name;
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return names.join(QStringLiteral(", "));
}

QString slantText(double italicAngle) { return QStringLiteral("%1°").arg(-int(std::lround(italicAngle))); }

LigatureDetails ligatureDetails(const rbx::Font& font) {
    LigatureDetails d;
    if (!font) return d;
    for (const std::uint32_t t : font.face()->tableTags()) {
        QString name;
        for (int shift = 24; shift >= 0; shift -= 8) name += QChar(char16_t((t >> shift) & 0xFF));
        d.tables << name;
    }
    rbx::font::ReadingBudget budget = rbx::font::readingBudgetForFont(font);
    if (const auto gsub = rbx::font::ligaturesFromGSUB(font, &budget)) d.gsub = gsub->size();
    kx::log(QStringLiteral("collecting morx ligatures for %1").arg(font.postScriptName()));
    if (const auto morx = rbx::font::ligaturesFrommorx(font, &budget)) d.morx = *morx;
    kx::log(QStringLiteral("  found %1 morx ligatures").arg(d.morx.size()));
    return d;
}

QList<Line> linesForFont(const rbx::Font& font, int ligatureCount, const LigatureDetails* details) {
    QList<Line> lines;
    if (!font) return lines;
    const rbx::FontFace& face = *font.face();
    const auto name = [&face](int preferred, int fallback = -1) {
        const QString v = face.nameString(preferred);
        return v.isEmpty() && fallback >= 0 ? face.nameString(fallback) : v;
    };
    const auto add = [&lines](const char* key, const QString& value, Line::Kind kind = Line::Text) {
        const QString v = tidied(value);
        if (!v.isEmpty()) lines.append({QString::fromLatin1(key), v, kind});
    };
    const Tables t = readTables(face);
    add("INFO_Name", font.displayName());
    add("INFO_PostScript Name", font.postScriptName());
    add("INFO_Family", name(16, 1));
    add("INFO_Style", name(17, 2));
    add("INFO_Unique Name", name(3));
    add("INFO_Format", rbx::font::fontFormatName(font));
    add("INFO_Version", name(5));
    if (details) {
        add("TABLES", details->tables.join(u'\n'));
        add("LIGATURES (GSUB)", QString::number(details->gsub));
        const QStringList listed = details->morx.mid(0, ListedMorxLigatures);
        add("LIGATURES (morx)", QString::number(details->morx.size()) + (listed.isEmpty() ? QString() : u'\n' + listed.join(u'\n')));
    }
    add("INFO_Location", face.filePath(), Line::File);
    add("INFO_Traits", traits(t));
    add("INFO_Class", className(t.familyClass));
    add("INFO_Languages", face.coverage() ? languageNames(face.coverage()->languages()) : QString());
    add("INFO_Designer", name(9));
    add("INFO_Designer URL", name(12), Line::Link);
    add("INFO_Manufacturer", name(8));
    add("INFO_Vendor URL", name(11), Line::Link);
    add("INFO_Trademark", name(7));
    add("INFO_Description", name(10));
    add("INFO_Copyright", name(0));
    add("INFO_License", name(13));
    add("INFO_License URL", name(14), Line::Link);
    add("INFO_Unicode Characters", QString::number(face.coveredCharacters().numberOfCharacters()));
    add("INFO_Glyphs", QString::number(face.glyphCount()));
    if (ligatureCount >= 1) add("INFO_Ligatures", QString::number(ligatureCount));
    add("INFO_Slant Angle", slantText(t.italicAngle));
    return lines;
}

} // namespace fontinfo

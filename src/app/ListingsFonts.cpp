// The font and glyph listings.
#include "app/RbxListings.h"

#include "core/FoundationValues.h"
#include "model/FontExtensions.h"
#include "model/KXCharGlyphMap.h"
#include "model/RbxCmap.h"
#include "model/RbxCmapList.h"
#include "model/RbxFontFamily.h"
#include "model/RbxFontInfo.h"
#include "model/RbxFontList.h"
#include "table/widgets/RbxQtFonts.h"

#include <QStringList>
#include <algorithm>

namespace rbx::listings {

namespace {

QString f1(double v) { return QString::number(v, 'f', 1); }

QString characterOrNothingBelow32(char32_t c) {
    if (c < 32) return QString();
    const char32_t one[1] = {c};
    return QString::fromUcs4(one, 1);
}

QList<rbx::Font> allFonts(const Context& c) { return c.fontList ? c.fontList->allFonts() : QList<rbx::Font>(); }

} // namespace

QString listInfo(const Context& c) {
    if (!c.selectedFont) return QString();
    return RbxFontInfo::fontInfoWithFont(c.selectedFont)->description();
}

QString listFonts(const Context& c) {
    QString out = QStringLiteral("FONT LIST:\n");
    int n = 0;
    for (const rbx::Font& font : allFonts(c)) {
        RbxCmapList cmaps(font);
        // There are no ATS font families here: the family number is 0.
        out += QStringLiteral("%1\t%2\t%3\t%4\n").arg(++n).arg(font.postScriptName()).arg(cmaps.indexOfBestRomanCmap()).arg(0);
    }
    out += QStringLiteral("\nAVAILABLE FONTS:\n");
    QStringList names(rbx::font::availableFontSet().begin(), rbx::font::availableFontSet().end());
    std::sort(names.begin(), names.end());
    n = 0;
    for (const QString& name : names) out += QStringLiteral("%1\t%2\n").arg(++n).arg(name);
    return out;
}

QString listFamilies(const Context& c) {
    QString out;
    if (!c.fontList) return out;
    for (const auto& family : c.fontList->fontFamilies()) out += family->name() + u'\n';
    return out;
}

QString listFamiliesAndStyles(const Context& c) {
    QString out;
    if (!c.fontList) return out;
    for (const auto& family : c.fontList->fontFamilies()) out += family->description() + u'\n';
    return out;
}

QString listGlyphs(const Context& c) {
    if (!c.selectedFont) return QString();
    RbxCmapList cmaps(c.selectedFont);
    const int r = cmaps.indexOfBestRomanCmap();
    const int u = cmaps.indexOfBestUnicodeCmap();
    const auto roman = r >= 0 ? cmaps.cmapAtIndex(r) : nullptr;
    const auto unicode = u >= 0 ? cmaps.cmapAtIndex(u) : nullptr;
    if (!roman || !unicode) return QStringLiteral("Error R:%1 U:%2").arg(r).arg(u);
    const int n = c.selectedFont->glyphCount();
    std::vector<std::uint32_t> romanChars(std::size_t(std::max(n, 0))), unicodeChars(romanChars.size());
    for (int g = 0; g < n; ++g) romanChars[std::size_t(g)] = unicodeChars[std::size_t(g)] = std::uint32_t(g);
    roman->translateGlyphsToCharacters(romanChars.data(), n);
    unicode->translateGlyphsToCharacters(unicodeChars.data(), n);
    QString out;
    for (int g = 0; g < n; ++g)
        out += QStringLiteral("%1\t%2\t%3\n").arg(g).arg(romanChars[std::size_t(g)]).arg(unicodeChars[std::size_t(g)]);
    return out;
}

QString cmapSubtables(const rbx::Font& font) {
    if (!font) return QString();
    RbxCmapList cmaps(font);
    const int n = cmaps.nTables();
    QString out = QStringLiteral("subtables: %1\n").arg(n);
    for (int i = 0; i < n; ++i)
        out += QStringLiteral("%1: platform %2, encoding %3, format %4, language %5\n")
                   .arg(i)
                   .arg(cmaps.platformIDAtIndex(i))
                   .arg(cmaps.platformSpecificIDAtIndex(i))
                   .arg(cmaps.cmapFormatAtIndex(i))
                   .arg(cmaps.cmapLanguageAtIndex(i));
    out += QStringLiteral("best Roman subtable: %1\nbest Unicode subtable: %2\n")
               .arg(cmaps.indexOfBestRomanCmap())
               .arg(cmaps.indexOfBestUnicodeCmap());
    return out;
}

QString listCmaps(const Context& c) {
    if (!c.selectedFont) return QString();
    return c.selectedFont.displayName() + u'\n' + cmapSubtables(c.selectedFont) +
           QStringLiteral("full Unicode subtable: %1\n").arg(RbxCmapList(c.selectedFont).indexOfFullUnicodeCmap());
}

QString listGlyphMap(const Context& c) {
    const auto map = c.selectedFont ? KXCharGlyphMap::charGlyphMapForFont(c.selectedFont) : nullptr;
    if (!map) return QStringLiteral("no glyph map");
    QString out = map->description() + u'\n';
    const char32_t last = map->maxCharacter();
    for (char32_t ch = 0; ch <= last && ch <= 0x10FFFF; ++ch) {
        const std::uint32_t glyph = map->glyphForCharacter(ch);
        if (glyph == 0) continue;
        out += QStringLiteral("%1\t%2\t%3\n").arg(uint(ch)).arg(characterOrNothingBelow32(ch)).arg(glyph);
    }
    return out;
}

QString listGlyphNumbers(const Context& c) {
    if (!c.selectedFont) return QString();
    const auto info = RbxFontInfo::fontInfoWithFont(c.selectedFont);
    const kx::CharSet& covered = c.selectedFont->coveredCharacters();
    char32_t first = 0;
    covered.forEach([&](char32_t ch) {
        if (first == 0 && ch > 31) first = ch;
    });
    QString out = QStringLiteral("%1: %2 characters, first=%3\nunicodeGlyph; glyphForCharacter; glyphForString\n")
                      .arg(c.selectedFont.displayName())
                      .arg(qulonglong(covered.numberOfCharacters()))
                      .arg(uint(first));
    covered.forEach([&](char32_t ch) {
        if (first == 0 || ch < first) return;
        const QString s = characterOrNothingBelow32(ch);
        out += QStringLiteral("%1\t%2\t%3\t%4\t%5\n")
                   .arg(uint(ch))
                   .arg(s)
                   .arg(info->unicodeGlyph(ch))
                   .arg(rbx::font::glyphForCharacter(c.selectedFont, ch))
                   .arg(rbx::font::glyphForString(c.selectedFont, s));
    });
    return out;
}

QString listFontSizes(const Context& c) {
    QString out = QStringLiteral("Font\tb.x\tb.y\tb.w\tb.h\tlineH\tdesc\tadv.x\tadv.y\n");
    for (const rbx::Font& font : allFonts(c)) {
        const rbx::qt::FaceMetrics m = rbx::qt::metrics(font);
        // Horizontal text advances along x only.
        out += QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\t%7\t%8\t%9\n")
                   .arg(font.postScriptName(), f1(m.boundingRect.x()), f1(m.boundingRect.y()), f1(m.boundingRect.width()),
                        f1(m.boundingRect.height()), f1(m.lineHeight()), f1(m.descender), f1(m.maxAdvance), f1(0));
    }
    return out;
}

QString listFontTables(const Context& c) {
    QString out;
    for (const rbx::Font& font : allFonts(c)) {
        const auto tags = rbx::font::tagsOfAvailableFontTables(font);
        out += QStringLiteral("%1\t%2\t%3\n")
                   .arg(font.postScriptName(), rbx::font::fontFormatName(font),
                        tags && !tags->isEmpty() ? tags->join(QStringLiteral(", ")) : QStringLiteral("--"));
    }
    return out;
}

QString listPostTable(const Context& c) {
    if (!c.selectedFont) return QString();
    const rbx::Font& font = c.selectedFont;
    QString out = QStringLiteral("%1 contains %2 glyphs\n").arg(font.displayName()).arg(font->glyphCount());
    constexpr std::uint32_t post = 0x706F7374;
    const long long size = font->tableLength(post);
    if (size >= 0) {
        out += QStringLiteral("post table size: %1\n").arg(size);
        out += QStringLiteral("post format: %1\n").arg(QString::number(qint64(rbx::font::postFormat(font) * 65536), 16).toUpper());
        const auto names = rbx::font::glyphNames(font);
        out += QStringLiteral("glyph names: %1\n").arg(names ? kx::ns::description(QVariant(*names)) : QStringLiteral("(null)"));
    }
    return out;
}

QString listAllFontGlyphs(const Context& c) {
    QString out;
    for (const rbx::Font& font : allFonts(c))
        out += QStringLiteral("%1\t%2\n").arg(font.postScriptName(), rbx::font::glyphInfo(font));
    return out;
}

} // namespace rbx::listings

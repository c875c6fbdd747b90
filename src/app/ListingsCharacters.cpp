// The character listings: names, a font's characters, the table's groups as layout text,
// the widest characters.
#include "app/RbxListings.h"

#include "core/Log.h"
#include "model/CharacterText.h"
#include "model/RbxCharacterName.h"
#include "model/RbxFontInfo.h"
#include "model/RbxFontList.h"
#include "table/core/RbxCellSizing.h"
#include "table/widgets/RbxQtFonts.h"

#include <QElapsedTimer>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

namespace rbx::listings {

namespace {

QString text(char32_t c) { return CharacterText::stringWithCharacter(c); }

QString sentenceCase(const QString& name) {
    if (name.isEmpty()) return QStringLiteral("Unnamed");
    return name.left(1) + name.mid(1).toLower();
}

void logCollectionTime(const QElapsedTimer& timer, std::size_t count) {
    kx::log(QStringLiteral("time for collecting all %1 characters: %2 sec")
                .arg(qulonglong(count))
                .arg(QString::number(timer.elapsed() / 1000.0, 'f', 2)));
}

// The width a single character takes when laid out in the font.
double usedWidth(const QFont& font, const QString& s) {
    QTextLayout layout(s, font);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    return line.isValid() ? line.naturalTextWidth() : 0;
}

} // namespace

QString listCharactersWithNames(const Context& c) {
    QString out;
    if (!c.selectedFont) return out;
    c.selectedFont->coveredCharacters().forEach([&](char32_t ch) {
        if (ch < 0x20 || ch > 0xFFFFF) return;
        out += QStringLiteral("%1\t%2\n").arg(sentenceCase(RbxCharacterName::nameOfCharacter(ch)), text(ch));
    });
    return out;
}

QString listAllCharacters(const Context& c) {
    if (!c.fontList) return QString();
    QElapsedTimer timer;
    timer.start();
    const kx::CharSet& all = c.fontList->availableCharactersInAllFonts();
    kx::log(QStringLiteral("character set = %1 characters").arg(qulonglong(all.numberOfCharacters())));
    logCollectionTime(timer, all.numberOfCharacters());
    return QString();
}

QString listFontCharacters(const Context& c) {
    if (!c.selectedFont) return QString();
    QElapsedTimer timer;
    timer.start();
    QString out = c.selectedFont.displayName() + u'\n';
    const kx::CharSet& covered = c.selectedFont->coveredCharacters();
    covered.forEach([&](char32_t ch) {
        out += QStringLiteral("%1\t%2\t%3\n")
                   .arg(uint(ch), 4, 16, QLatin1Char('0'))
                   .toUpper()
                   .arg(ch < 32 ? QString() : text(ch), RbxCharacterName::nameOfCharacter(ch));
    });
    logCollectionTime(timer, covered.numberOfCharacters());
    return out;
}

QString listCharactersAsLayoutHexAndNames(const Context& c) {
    QString out;
    bool first = true;
    for (const Group& g : c.groups) {
        if (!first) out += u'\n';
        first = false;
        out += g.name + u'\n';
        for (char32_t ch : g.characters) {
            const QString name = RbxCharacterName::nameOfCharacter(ch);
            const QString code = QStringLiteral("%1").arg(uint(ch), 4, 16, QLatin1Char('0'));
            if (name.isEmpty())
                out += QStringLiteral("$%1 // \"%2\"\n").arg(code, text(ch));
            else
                out += QStringLiteral("$%1 // \"%2\" %3\n").arg(code, text(ch), name);
        }
    }
    return out;
}

QString listCharactersAsLayoutChars(const Context& c) {
    QString out;
    for (const Group& g : c.groups) {
        out += g.name + u'\n';
        for (char32_t ch : g.characters) out += text(ch);
        out += QStringLiteral("\n\n");
    }
    return out;
}

QString widestCharacters(const rbx::Font& font, QString* widest) {
    if (widest) widest->clear();
    if (!font) return QString();
    const std::optional<QFont> qfont = rbx::qt::textFont(font);
    if (!qfont) return QString();
    const auto info = RbxFontInfo::fontInfoWithFont(font);
    const auto scaled = info->scaleCharacters().value_or(std::vector<char32_t>());
    const kx::CharSet& covered = font->coveredCharacters();
    double maxWidth = 0;
    covered.forEach([&](char32_t ch) {
        if (ch < 0x20 || ch > 0xFFFFF) return;
        const double w = usedWidth(*qfont, text(ch));
        if (std::find(scaled.begin(), scaled.end(), ch) != scaled.end())
            kx::log(QStringLiteral("scale %1, width = %2").arg(uint(ch)).arg(QString::number(w, 'f', 1)));
        else
            maxWidth = std::max(maxWidth, w);
    });
    const rbx::qt::FaceMetrics m = rbx::qt::metrics(font);
    const RbxFontMeasures measures = rbx::qt::measures(font);
    QString out = QStringLiteral("font = %1\nmax width = %2\ncharSize = %3\nbounding width= %4\nadvancement=%5\n")
                      .arg(font.postScriptName(), QString::number(maxWidth, 'f', 1),
                           QString::number(rbx::cells::characterSize(measures, false).width(), 'f', 1), QString::number(m.boundingRect.width(), 'f', 1),
                           QString::number(m.maxAdvance, 'f', 1));
    QStringList codes;
    QString run;
    covered.forEach([&](char32_t ch) {
        if (ch < 0x20 || ch > 0xFFFFF || maxWidth <= 0) return;
        const double w = usedWidth(*qfont, text(ch));
        if (w < 0.95 * maxWidth) return;
        out += QStringLiteral("\"%1\"(%2): %3\n").arg(text(ch)).arg(uint(ch)).arg(QString::number(w, 'f', 1));
        codes << QString::number(uint(ch));
        run += text(ch);
    });
    out += codes.join(QStringLiteral(", ")) + u'\n' + run;
    if (widest) *widest = run;
    return out;
}

QString listWidestCharacters(const Context& c) {
    const QString out = widestCharacters(c.selectedFont, nullptr);
    kx::log(out);
    return out;
}

} // namespace rbx::listings

#include "table/core/RbxTools.h"

#include "core/CharSet.h"

#include <QStringList>
#include <array>

namespace {

std::shared_ptr<const RbxCharacterTexts>& texts() {
    static std::shared_ptr<const RbxCharacterTexts> t;
    return t;
}

std::shared_ptr<const RbxVirtualCharacters>& virtuals() {
    static std::shared_ptr<const RbxVirtualCharacters> v;
    return v;
}

std::array<bool, 10>& debugFlags() {
    static std::array<bool, 10> flags{};
    return flags;
}

QString codePointText(char32_t c) {
    if (c == 0 || c > 0x10FFFF) return QString();
    const char32_t one[1] = {c};
    return QString::fromUcs4(one, 1);
}

// Calls fn with each code point of the text: a high surrogate followed by a low one is
// combined, any other unit is taken as it is.
template <typename Fn> void forCodePoints(const QString& text, Fn&& fn) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
            fn(QChar::surrogateToUcs4(u, text[i + 1].unicode()));
            ++i;
        } else {
            fn(char32_t(u));
        }
    }
}

QString swiftPiece(char32_t p) { return QStringLiteral("\\u{%1}").arg(uint(p), 4, 16, QLatin1Char('0')); }
QString decimalPiece(char32_t p) { return QString::number(uint(p)); }
QString hexPiece(char32_t p) {
    return QStringLiteral("U+%1").arg(QString::number(uint(p), 16).toUpper().rightJustified(4, QLatin1Char('0')));
}

template <typename Piece> QString partsNotation(char32_t c, const QString& separator, Piece piece) {
    const RbxVirtualCharacters& v = RbxTools::virtualCharacters();
    const int n = std::max(1, v.numberOfParts(c));
    QString out;
    for (int i = 1; i <= n; ++i) {
        if (i > 1) out += separator;
        out += piece(v.part(i, c));
    }
    return out;
}

template <typename Piece> QString stringNotation(const QString& text, const QString& separator, Piece piece) {
    QString out;
    bool first = true;
    forCodePoints(text, [&](char32_t p) {
        if (!first) out += separator;
        first = false;
        out += piece(p);
    });
    return out;
}

const kx::CharSet& safeDrawingSet() {
    static const kx::CharSet set = [] {
        static const char32_t ranges[][2] = {
            {0x0732, 0x0732}, {0x0900, 0x0903}, {0x093A, 0x094F}, {0x0953, 0x0957}, {0x0962, 0x0963},
            {0x0981, 0x0983}, {0x09BC, 0x09D7}, {0x09E2, 0x09E3}, {0x0A01, 0x0A03}, {0x0A3C, 0x0A4D},
            {0x0A70, 0x0A71}, {0x0A81, 0x0A83}, {0x0ABC, 0x0ACD}, {0x0AE2, 0x0AE3}, {0x0B01, 0x0B03},
            {0x0B3C, 0x0B57}, {0x0B62, 0x0B63}, {0x0B82, 0x0B82}, {0x0BBE, 0x0BD7}, {0x0C00, 0x0C03},
            {0x0C3E, 0x0C56}, {0x0C62, 0x0C63}, {0x0C82, 0x0C83}, {0x0CBC, 0x0CD6}, {0x0CE2, 0x0CE3},
            {0x0D02, 0x0D03}, {0x0D3E, 0x0D57}, {0x0D62, 0x0D63}, {0x0D82, 0x0D83}, {0x0DCA, 0x0DDF},
            {0x0DF2, 0x0DF3}, {0x0E33, 0x0E33}, {0x0EB3, 0x0EB3}, {0x0F35, 0x0F35}, {0x0F37, 0x0F37},
            {0x0F39, 0x0F39}, {0x0F71, 0x0F84}, {0x0F8D, 0x0FBC}, {0x0FC6, 0x0FC6}, {0x102B, 0x103E},
            {0x1056, 0x1059}, {0x105E, 0x1074}, {0x1082, 0x108F}, {0x109A, 0x109D}, {0x1752, 0x1753},
            {0x17B4, 0x17D3}, {0x17DD, 0x17DD}, {0x1A55, 0x1A7F}, {0x1B00, 0x1B04}, {0x1B34, 0x1B44},
            {0xA806, 0xA806}, {0xA80B, 0xA80B}, {0xA823, 0xA827}, {0xA880, 0xA881}, {0xA8B4, 0xA8C4},
            {0xA8E0, 0xA8F1}, {0xA947, 0xA953}, {0xA980, 0xA983}, {0xA9B3, 0xA9C0}, {0xAAB0, 0xAAC2},
        };
        kx::CharSet s;
        for (const auto& r : ranges) s.addCharactersFrom(r[0], r[1]);
        return s;
    }();
    return set;
}

} // namespace

bool RbxVirtualCharacters::isVirtualCharacter(char32_t) const { return false; }

QString RbxVirtualCharacters::stringWithUTF32Character(char32_t c) const { return codePointText(c); }

int RbxVirtualCharacters::numberOfParts(char32_t) const { return 1; }

char32_t RbxVirtualCharacters::part(int, char32_t c) const { return c; }

void RbxTools::setCharacterTexts(std::shared_ptr<const RbxCharacterTexts> t) { texts() = std::move(t); }

void RbxTools::setVirtualCharacters(std::shared_ptr<const RbxVirtualCharacters> v) { virtuals() = std::move(v); }

const RbxVirtualCharacters& RbxTools::virtualCharacters() {
    static const RbxVirtualCharacters plain;
    return virtuals() ? *virtuals() : plain;
}

QString RbxTools::stringWithCharacter(char32_t c) {
    if (c == 0) return QString();
    return virtualCharacters().stringWithUTF32Character(c);
}

QString RbxTools::htmlStringForCharacter(char32_t c) {
    return texts() ? texts()->htmlStringForCharacter(c) : QString();
}

QString RbxTools::fullNameOfCharacter(char32_t c) {
    return texts() ? texts()->fullNameOfCharacter(c) : QString();
}

QString RbxTools::character(char32_t c, int mode) {
    switch (mode) {
    case RbxInsertPlain: return stringWithCharacter(c);
    case RbxInsertHTML: return htmlStringForCharacter(c);
    case RbxInsertSwift: return swiftRepresentation(c);
    case RbxInsertDecimal: return decimalRepresentation(c);
    case RbxInsertHex: return hexRepresentation(c);
    case RbxInsertName: return fullNameOfCharacter(c);
    case RbxInsertDescription: return descriptionOfCharacter(c, false);
    default: return QStringLiteral("");
    }
}

QString RbxTools::swiftRepresentation(char32_t c) { return partsNotation(c, QString(), swiftPiece); }

QString RbxTools::decimalRepresentation(char32_t c) { return partsNotation(c, QStringLiteral(", "), decimalPiece); }

QString RbxTools::hexRepresentation(char32_t c) { return partsNotation(c, QStringLiteral(", "), hexPiece); }

QString RbxTools::swiftRepresentationOfString(const QString& text) { return stringNotation(text, QString(), swiftPiece); }

QString RbxTools::decimalRepresentationOfString(const QString& text) {
    return stringNotation(text, QStringLiteral(", "), decimalPiece);
}

QString RbxTools::hexRepresentationOfString(const QString& text) {
    return stringNotation(text, QStringLiteral(", "), hexPiece);
}

QString RbxTools::descriptionOfCharacter(char32_t c, bool asTable) {
    QString s = stringWithCharacter(c);
    if (kx::CharSet::combiningCharacters().contains(c)) s.prepend(QLatin1Char(' '));
    const QString name = fullNameOfCharacter(c);
    const QString d = decimalRepresentation(c), h = hexRepresentation(c), t = htmlStringForCharacter(c);
    if (asTable) return QStringLiteral("%1\t%2\t%3\t%4\t").arg(s, d, h, t) + name;
    QString out = QStringLiteral("\"%1\" (%2; %3; %4)").arg(s, d, h, t);
    if (!name.isEmpty()) out += QLatin1Char(' ') + name;
    return out;
}

QString RbxTools::descriptionOfCharacterOrLigature(char32_t c, bool asTable) {
    if (!isLigatureCharacter(c)) return descriptionOfCharacter(c, asTable);
    const QString text = stringWithCharacter(c);
    QStringList lines;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        char32_t p = u;
        if (QChar::isHighSurrogate(u)) {
            if (i + 1 >= text.size() || !QChar::isLowSurrogate(text[i + 1].unicode())) continue;
            p = QChar::surrogateToUcs4(u, text[i + 1].unicode());
            ++i;
        }
        if (p == 0) continue;
        lines << descriptionOfCharacter(p, asTable);
    }
    return lines.join(QLatin1Char('\n'));
}

QString RbxTools::shortenedName(const QString& name) {
    if (name.size() < 21) return name;
    qsizetype cut = 15;
    if (name[13] == QLatin1Char(' ')) cut = 13;
    else if (name[14] == QLatin1Char(' ')) cut = 14;
    if (name[cut - 1].isHighSurrogate() && name[cut].isLowSurrogate()) --cut;
    return name.left(cut) + QStringLiteral("...");
}

bool RbxTools::isSpaceCharacter(char32_t c) {
    return c == 0x20 || c == 0xA0 || c == 0x180E || (c >= 0x2000 && c <= 0x200B) || c == 0x202F || c == 0x205F ||
           c == 0x2060 || c == 0x3000 || c == 0xFEFF;
}

bool RbxTools::characterRequiresSafeDrawing(char32_t c) { return safeDrawingSet().contains(c); }

bool RbxTools::debugging(int flag) { return flag >= 0 && flag <= 9 && debugFlags()[std::size_t(flag)]; }

void RbxTools::setDebugging(bool on, int flag) {
    if (flag >= 0 && flag <= 9) debugFlags()[std::size_t(flag)] = on;
}

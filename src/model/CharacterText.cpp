#include "model/CharacterText.h"

#include "core/CharSet.h"
#include "core/ProcessWide.h"
#include "core/StringExtensions.h"
#include "kxlib/AttributedString.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/SettingsKeys.h"
#include "model/RbxCharacterName.h"
#include "model/RbxEmoji.h"
#include "model/RbxHTML.h"
#include "model/VirtualCharacters.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace {

const RbxCharacterTexts& texts() { return kx::ProcessWide<RbxCharacterTexts>::get(); }

QString codePointText(char32_t c) {
    if (c == 0 || c > 0x10FFFF) return QString();
    const char32_t one[1] = {c};
    return QString::fromUcs4(one, 1);
}

// ---- notations

QString swiftPiece(char32_t p) { return QStringLiteral("\\u{%1}").arg(uint(p), 4, 16, QLatin1Char('0')); }
QString decimalPiece(char32_t p) { return QString::number(uint(p)); }
QString hexPiece(char32_t p) {
    return QStringLiteral("U+%1").arg(QString::number(uint(p), 16).toUpper().rightJustified(4, QLatin1Char('0')));
}

template <typename Piece> QString joined(const std::vector<char32_t>& points, const QString& separator, Piece piece) {
    QString out;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i > 0) out += separator;
        out += piece(points[i]);
    }
    return out;
}

// ---- the texts a character source provides

QString sourcedHtml(char32_t c) { return texts().htmlStringForCharacter(c); }

// ---- HTML

bool wantsHexReferences() { return RbxDefaults::userDefaults().boolForKey(rbx::key::hexHtml); }

QString htmlPiece(char32_t c, bool allowBasicCharacters) {
    const QString entity = RbxHTML::htmlEntityForCharacter(c);
    if (!entity.isNull()) return entity;
    const bool unsafe = c == u'<' || c == u'>' || c == u'"' || c == u'&' || c < 0x20 || c > 0x7E;
    if (unsafe || !allowBasicCharacters) return CharacterText::numericReference(c);
    return QString(QChar(static_cast<char16_t>(c)));
}

// ---- formatted text

// RTF text: the syntax characters escaped, line breaks and tabs as control words, and
// every unit beyond ASCII (surrogates included) as a \u escape with "?" for readers
// that cannot take it.
QByteArray rtfEscaped(const QString& s) {
    QByteArray out;
    for (QChar ch : s) {
        const char16_t u = ch.unicode();
        if (u == u'\\' || u == u'{' || u == u'}') {
            out += '\\';
            out += char(u);
        } else if (u == u'\n') {
            out += "\\par ";
        } else if (u == u'\t') {
            out += "\\tab ";
        } else if (u < 0x20) {
            // Other controls have no place in the text.
        } else if (u < 0x80) {
            out += char(u);
        } else {
            out += "\\u" + QByteArray::number(int(std::int16_t(u))) + '?';
        }
    }
    return out;
}

double usablePointSize(double pointSize) { return pointSize > 0 && std::isfinite(pointSize) ? pointSize : 12; }

// ---- the model's sources

class ModelTexts : public RbxCharacterTexts {
public:
    QString htmlStringForCharacter(char32_t c) const override { return CharacterText::htmlStringForCharacter(c); }
    QString fullNameOfCharacter(char32_t c) const override { return RbxCharacterName::fullNameOfCharacter(c); }
};

class ModelVirtualCharacters : public RbxVirtualCharacters {
public:
    bool isVirtualCharacter(char32_t c) const override { return kx::str::isVirtualCharacter(c); }
    QString stringWithUTF32Character(char32_t c) const override { return kx::str::stringWithUTF32Character(c); }
    int numberOfParts(char32_t c) const override {
        return kx::str::isVirtualCharacter(c) ? std::max(1, RbxEmoji::nPartsOfVirtualCharacter(c)) : 1;
    }
    char32_t part(int i, char32_t c) const override {
        if (!kx::str::isVirtualCharacter(c)) return i == 1 ? c : 0;
        return RbxEmoji::partOfVirtualCharacter(i, c);
    }
};

} // namespace

// ---------------------------------------------------------------- the plain sources

std::unique_ptr<RbxCharacterTexts> RbxCharacterTexts::makeDefault() { return std::make_unique<RbxCharacterTexts>(); }

std::unique_ptr<RbxVirtualCharacters> RbxVirtualCharacters::makeDefault() {
    return std::make_unique<RbxVirtualCharacters>();
}

bool RbxVirtualCharacters::isVirtualCharacter(char32_t) const { return false; }

QString RbxVirtualCharacters::stringWithUTF32Character(char32_t c) const { return codePointText(c); }

int RbxVirtualCharacters::numberOfParts(char32_t) const { return 1; }

char32_t RbxVirtualCharacters::part(int, char32_t c) const { return c; }

// ---------------------------------------------------------------- sources

const RbxVirtualCharacters& CharacterText::virtualCharacters() { return kx::ProcessWide<RbxVirtualCharacters>::get(); }

std::shared_ptr<RbxCharacterTexts> CharacterText::modelTexts() { return std::make_shared<ModelTexts>(); }

std::shared_ptr<RbxVirtualCharacters> CharacterText::modelVirtualCharacters() {
    return std::make_shared<ModelVirtualCharacters>();
}

// ---------------------------------------------------------------- code points

std::vector<char32_t> CharacterText::codePoints(const QString& text) {
    std::vector<char32_t> out;
    out.reserve(std::size_t(text.size()));
    kx::str::CodePointIterator it(text);
    while (it.hasNext()) out.push_back(it.next());
    return out;
}

std::vector<char32_t> CharacterText::codePointsOfCharacter(char32_t c) {
    const RbxVirtualCharacters& v = virtualCharacters();
    const int n = std::max(1, v.numberOfParts(c));
    std::vector<char32_t> out;
    out.reserve(std::size_t(n));
    for (int i = 1; i <= n; ++i) out.push_back(v.part(i, c));
    return out;
}

// ---------------------------------------------------------------- one character

QString CharacterText::stringWithCharacter(char32_t c) {
    if (c == 0) return QString();
    return virtualCharacters().stringWithUTF32Character(c);
}

QString CharacterText::fullNameOfCharacter(char32_t c) { return texts().fullNameOfCharacter(c); }

QString CharacterText::character(char32_t c, InsertMode mode) {
    switch (mode) {
    case InsertMode::Plain: return stringWithCharacter(c);
    case InsertMode::HTML: return sourcedHtml(c);
    case InsertMode::Swift: return swiftRepresentation(c);
    case InsertMode::Decimal: return decimalRepresentation(c);
    case InsertMode::Hex: return hexRepresentation(c);
    case InsertMode::Name: return fullNameOfCharacter(c);
    case InsertMode::Description: return descriptionOfCharacter(c, false);
    default: return QStringLiteral("");
    }
}

QString CharacterText::swiftRepresentation(char32_t c) { return joined(codePointsOfCharacter(c), QString(), swiftPiece); }

QString CharacterText::decimalRepresentation(char32_t c) {
    return joined(codePointsOfCharacter(c), QStringLiteral(", "), decimalPiece);
}

QString CharacterText::hexRepresentation(char32_t c) {
    return joined(codePointsOfCharacter(c), QStringLiteral(", "), hexPiece);
}

QString CharacterText::swiftRepresentationOfString(const QString& text) {
    return joined(codePoints(text), QString(), swiftPiece);
}

QString CharacterText::decimalRepresentationOfString(const QString& text) {
    return joined(codePoints(text), QStringLiteral(", "), decimalPiece);
}

QString CharacterText::hexRepresentationOfString(const QString& text) {
    return joined(codePoints(text), QStringLiteral(", "), hexPiece);
}

QString CharacterText::descriptionOfCharacter(char32_t c, bool asTable) {
    QString s = stringWithCharacter(c);
    if (kx::CharSet::combiningCharacters().contains(c)) s.prepend(QLatin1Char(' '));
    const QString name = fullNameOfCharacter(c);
    const QString d = decimalRepresentation(c), h = hexRepresentation(c), t = sourcedHtml(c);
    if (asTable) return QStringLiteral("%1\t%2\t%3\t%4\t").arg(s, d, h, t) + name;
    QString out = QStringLiteral("\"%1\" (%2; %3; %4)").arg(s, d, h, t);
    if (!name.isEmpty()) out += QLatin1Char(' ') + name;
    return out;
}

QString CharacterText::descriptionOfCharacterOrLigature(char32_t c, bool asTable) {
    if (!RbxCharacterName::isLigatureValue(c)) return descriptionOfCharacter(c, asTable);
    const QString text = stringWithCharacter(c);
    QStringList lines;
    kx::str::CodePointIterator it(text);
    while (it.hasNext()) {
        const char32_t p = it.next();
        if (p == 0 || (it.brokenHalf() && QChar::isHighSurrogate(p))) continue;
        lines << descriptionOfCharacter(p, asTable);
    }
    return lines.join(QLatin1Char('\n'));
}

QString CharacterText::shortenedName(const QString& name) {
    if (name.size() < 21) return name;
    qsizetype cut = 15;
    if (name[13] == QLatin1Char(' ')) cut = 13;
    else if (name[14] == QLatin1Char(' ')) cut = 14;
    if (name[cut - 1].isHighSurrogate() && name[cut].isLowSurrogate()) --cut;
    return name.left(cut) + QStringLiteral("...");
}

// ---------------------------------------------------------------- what an insertion delivers

QString CharacterText::characterToPost(char32_t c) { return kx::str::stringWithUTF32Character(c); }

QString CharacterText::textForMode(char32_t c, const QString& s, InsertMode mode) {
    if (mode == InsertMode::HTML) return s.isEmpty() ? htmlStringForCharacter(c) : htmlStringForString(s);
    if (s.isEmpty()) return mode == InsertMode::Plain ? characterToPost(c) : character(c, mode);
    if (mode == InsertMode::Plain) return s;
    // A text of one code point has that character's notations; any longer text (an emoji
    // with its skin tone, a sequence) spells out each of its code points.
    const std::vector<char32_t> points = codePoints(s);
    if (points.size() == 1) return character(points.front(), mode);
    const char32_t sequence = RbxEmoji::virtualEmojiCharacterForString(s);
    switch (mode) {
    case InsertMode::Swift: return swiftRepresentationOfString(s);
    case InsertMode::Decimal: return decimalRepresentationOfString(s);
    case InsertMode::Hex: return hexRepresentationOfString(s);
    case InsertMode::Name: {
        if (sequence) {
            const QString name = fullNameOfCharacter(sequence);
            if (!name.isEmpty()) return name;
        }
        QStringList names;
        for (char32_t cp : points) {
            const QString n = fullNameOfCharacter(cp);
            if (!n.isEmpty()) names << n;
        }
        return names.join(QStringLiteral(", "));
    }
    case InsertMode::Description: {
        if (sequence) return descriptionOfCharacter(sequence, false);
        QStringList lines;
        for (char32_t cp : points)
            if (cp) lines << descriptionOfCharacter(cp, false);
        return lines.join(QLatin1Char('\n'));
    }
    default: return QStringLiteral("");
    }
}

// ---------------------------------------------------------------- HTML

QString CharacterText::numericReference(char32_t c) {
    if (wantsHexReferences()) return QStringLiteral("&#x%1;").arg(static_cast<uint>(c), 2, 16, QLatin1Char('0'));
    return QStringLiteral("&#%1;").arg(static_cast<uint>(c));
}

QString CharacterText::htmlStringForCharacter(char32_t c, bool allowBasicCharacters) {
    if (RbxCharacterName::isLigatureValue(c)) {
        // The ligature's text; a value beyond the defined ligatures stands for itself.
        QString out;
        kx::str::forUTF32Characters(kx::str::stringWithUTF32Character(c), [&](char32_t cp) {
            out += RbxCharacterName::isLigatureValue(cp) ? numericReference(cp) : htmlStringForCharacter(cp, true);
        });
        return out;
    }
    QString out;
    const int parts = RbxEmoji::nPartsOfVirtualCharacter(c);
    for (int n = 1; n <= parts; ++n) out += htmlPiece(RbxEmoji::partOfVirtualCharacter(n, c), allowBasicCharacters);
    return out;
}

QString CharacterText::htmlStringForString(const QString& text) {
    QString out;
    out.reserve(text.size() * 8);
    kx::str::forUTF32Characters(text, [&](char32_t cp) { out += htmlStringForCharacter(cp, true); });
    return out;
}

// ---------------------------------------------------------------- formatted text

QString CharacterText::formattedHtmlFragment(const QString& text, const QString& family, double pointSize) {
    kx::TextAttributes attributes;
    attributes.font = kx::TextFont{family, usablePointSize(pointSize)};
    return kx::AttributedString(text, attributes).htmlRepresentation();
}

QByteArray CharacterText::formattedRtfDocument(const QString& text, const QString& family, double pointSize) {
    QByteArray doc = "{\\rtf1\\ansi\\ansicpg1252\\uc1\\deff0{\\fonttbl{\\f0\\fnil ";
    doc += rtfEscaped(family.isEmpty() ? QStringLiteral("Helvetica") : family);
    doc += ";}}\\f0\\fs" + QByteArray::number(qRound(usablePointSize(pointSize) * 2)) + ' ';
    doc += rtfEscaped(text);
    doc += '}';
    return doc;
}

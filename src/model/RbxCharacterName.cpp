// One name record: its texts, its letter and its order.

#include "model/RbxCharacterName.h"

#include "core/StringExtensions.h"
#include "model/RbxEmoji.h"
#include "model/VirtualCharacters.h"
#include "model/RbxTextMatching.h"

QString RbxCharacterName::characterString() const { return kx::str::stringWithUTF32Character(ch_); }

QString RbxCharacterName::hexCharacter() const {
    return QStringLiteral("%1").arg(static_cast<uint>(ch_), 4, 16, QLatin1Char('0')).toUpper();
}

QString RbxCharacterName::plainName() const {
    const qsizetype i = name_.indexOf(u';');
    return i < 0 ? name_ : name_.left(i);
}

QString RbxCharacterName::keywords() const {
    const qsizetype i = name_.lastIndexOf(u';');
    return i < 0 ? QString(QLatin1String("")) : kx::str::trimWhitespace(name_.mid(i + 1));
}

namespace {
QString codePointText(char32_t c) {
    return QStringLiteral("#%1 [U+%2]")
        .arg(static_cast<uint>(c))
        .arg(QStringLiteral("%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0')).toUpper());
}
} // namespace

RbxCharacterCodePointInfo RbxCharacterName::codePoint() const {
    if (isLigatureValue(ch_)) return RbxCharacterCodePointInfo(QStringLiteral("N/A"), 1);
    const int parts = RbxEmoji::nPartsOfVirtualCharacter(ch_);
    QString s = codePointText(RbxEmoji::partOfVirtualCharacter(1, ch_));
    for (int n = 2; n <= parts; ++n)
        s += QStringLiteral(" + ") + codePointText(RbxEmoji::partOfVirtualCharacter(n, ch_));
    return RbxCharacterCodePointInfo(s, parts);
}

QString RbxCharacterName::description() const {
    return QStringLiteral("%1 (\"%2\", %3)").arg(name_, characterString(), hexCharacter());
}

int RbxCharacterName::compare(char32_t c1, std::uint16_t g1, QStringView n1, char32_t c2, std::uint16_t g2,
                              QStringView n2) {
    if (c1 != c2) return c1 < c2 ? -1 : 1;
    if (g1 != g2) return g1 < g2 ? -1 : 1;
    const int c = n1.compare(n2, Qt::CaseSensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int RbxCharacterName::compare(const RbxCharacterName& other) const {
    return compare(ch_, group_, name_, other.ch_, other.group_, other.name_);
}

void RbxCharacterName::checkForLetter() {
    letter_ = 0;
    const qsizetype n = name_.size();
    const QChar* d = name_.constData();
    auto isCapital = [](QChar q) { return q.unicode() >= 'A' && q.unicode() <= 'Z'; };
    const bool noWordLetter = name_.startsWith(QLatin1String("NOT A ")) ||
                              name_.startsWith(QLatin1String("NEITHER A ")) ||
                              name_.startsWith(QLatin1String("LINEAR B "));
    if (!noWordLetter) {
        for (qsizetype i = 0; i < n; ++i) {
            if (!isCapital(d[i])) continue;
            const bool startsWord = i == 0 || d[i - 1] == u' ';
            const bool endsWord = i + 1 == n || d[i + 1] == u' ';
            if (startsWord && endsWord) {
                letter_ = d[i].unicode();
                return;
            }
        }
    }
    if (n >= 3 && d[n - 3] == u' ' && isCapital(d[n - 1]) && d[n - 2] == d[n - 1]) letter_ = d[n - 1].unicode();
}

bool RbxCharacterName::matchesPattern(const QString& word) const {
    return rbx::containsIgnoringCaseAndDiacritics(name_, word);
}

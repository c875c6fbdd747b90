// The emoji listings.
#include "app/RbxListings.h"

#include "core/StringExtensions.h"
#include "model/CharacterText.h"
#include "model/RbxCharGroup.h"
#include "model/RbxCharacterName.h"
#include "model/RbxEmoji.h"

namespace rbx::listings {

namespace {

QString text(char32_t c) { return CharacterText::stringWithCharacter(c); }

// One line per character of the colour emoji font from U+0021 on; `flags` gives the
// flag column.
template <typename Flags> QString emojiLines(Flags flags) {
    QString out;
    RbxEmoji::appleColorEmojiCharacterSet().forEach([&](char32_t c) {
        if (c < 0x21) return;
        const QString s = text(c);
        out += QStringLiteral("%1\t%2\t%3\t%4\t").arg(s).arg(uint(c)).arg(flags(c)).arg(s.isEmpty() ? 0 : s[0].unicode());
        if (s.size() > 1) out += QString::number(s[1].unicode());
        out += QStringLiteral("\t%1\n").arg(RbxCharacterName::nameOfCharacter(c));
    });
    return out;
}

} // namespace

QString listEmojis(const Context&) {
    const kx::CharSet& modifiable = RbxEmoji::modifiableEmojisCharacterSet();
    return emojiLines([&](char32_t c) { return modifiable.contains(c) ? QStringLiteral("M") : QString(); });
}

QString listEmojisForSnipwright(const Context&) {
    const kx::CharSet& modifiable = RbxEmoji::modifiableEmojisCharacterSet();
    const kx::CharSet& textOrEmoji = RbxEmoji::textOrEmojiCharacterSet();
    return emojiLines([&](char32_t c) {
        return QStringLiteral("%1%2").arg(modifiable.contains(c) ? QStringLiteral("M") : QString(),
                                          textOrEmoji.contains(c) ? QStringLiteral("T") : QString());
    });
}

QString listEmojisForHintboard(const Context& ctx) {
    const kx::CharSet& skins = RbxEmoji::modifiableEmojisCompleteCharacterSet();
    QString out;
    for (const Group& g : ctx.groups) {
        if (g.kind != RbxLayoutGroupKind) continue;
        out += g.name + u'\n';
        for (char32_t c : g.characters)
            out += QStringLiteral("%1%2\t%3\n")
                       .arg(text(c), skins.contains(c) ? QStringLiteral("+skins") : QString(),
                            RbxCharacterName::nameOfCharacter(c));
    }
    return out;
}

QString listEmojiSequences(const Context&) {
    QString out;
    int type = -1;
    for (const RbxEmojiSequence& seq : RbxEmoji::allEmojiSequences()) {
        if (seq.type() != type) {
            if (type != -1) out += u'\n';
            type = seq.type();
            out += seq.typeString() + u'\n';
        }
        out += QStringLiteral("%1 // %2 = %3\n")
                   .arg(seq.string())
                   .arg(QString::number(uint(seq.virtualCharacter()), 16).toUpper().rightJustified(4, u'0'))
                   .arg(kx::str::UTF32SequenceString(seq.string()));
    }
    return out;
}

QString listFlags(const Context&) {
    const kx::CharSet& flags = RbxEmoji::colorFlagsCharacterSet();
    QString out;
    for (int i = 0; i < 676; ++i) {
        if (!flags.contains(char32_t(0xA0000 + i))) continue;
        const char32_t pair[2] = {char32_t(0x1F1E6 + i / 26), char32_t(0x1F1E6 + i % 26)};
        out += QStringLiteral("%1%2\t%3\n")
                   .arg(QChar(u'A' + i / 26))
                   .arg(QChar(u'A' + i % 26))
                   .arg(QString::fromUcs4(pair, 2));
    }
    return out;
}

} // namespace rbx::listings

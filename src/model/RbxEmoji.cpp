#include "model/RbxEmoji.h"

#include "core/Log.h"
#include "model/EmojiTables.h"
#include "model/FontExtensions.h"
#include "model/RbxFontInfo.h"
#include "model/RbxModelSettings.h"
#include "model/VirtualCharacters.h"
#include "platform/fonts/FontBackend.h"
#include "core/StringExtensions.h"

#include <QHash>
#include <QSet>
#include <optional>

using namespace rbx::emoji;

namespace {

struct EmojiState {
    std::unique_ptr<RbxEmojiMeasurer> measurer;
    bool measurerMade = false;
    bool fontInfoLooked = false;
    std::shared_ptr<RbxFontInfo> fontInfo;
    std::optional<kx::CharSet> emojiSet, modifiableComplete, modifiable, textOrEmoji, flags, zwj, keycaps;
    std::optional<std::vector<RbxEmojiSequence>> sequences;
    std::optional<QHash<QString, char32_t>> byString;
    // The replacement index.
    bool indexMade = false;
    QHash<QString, char32_t> index;
    QSet<char16_t> startUnits;
    qsizetype longest = 0, shortest = 99;
};
EmojiState& state() {
    static EmojiState s;
    return s;
}

RbxEmojiMeasurer* measurer() {
    EmojiState& s = state();
    if (!s.measurerMade) {
        s.measurerMade = true;
        if (!s.measurer) s.measurer = std::make_unique<RbxFontEmojiMeasurer>(RbxEmoji::appleColorEmojiFontOfSize(12));
    }
    return s.measurer.get();
}

QString text(char32_t c) { return kx::str::stringWithUTF32Character(c); }
QString hex(char32_t c) { return QString::number(uint(c), 16).toUpper(); }

} // namespace

RbxEmojiMeasurer::~RbxEmojiMeasurer() = default;

kx::CharSet RbxFontEmojiMeasurer::coveredCharacters() { return font_ ? font_->coveredCharacters() : kx::CharSet(); }

namespace {
bool isRegionalIndicatorPair(const QString& t) {
    if (t.size() != 4) return false;
    kx::str::CodePointIterator it(t);
    for (int i = 0; i < 2; ++i) {
        const char32_t c = it.next();
        if (c < RegionalIndicatorA || c > RegionalIndicatorA + 25) return false;
    }
    return true;
}
} // namespace

double RbxFontEmojiMeasurer::widthOf(const QString& t) {
    if (!font_ || font_->unitsPerEm() <= 0) return 0;
    const double scale = font_.pointSize() / font_->unitsPerEm();
    const auto glyphs = font_->shape(t);
    if (isRegionalIndicatorPair(t) && glyphs.size() == 1) {
        // Some fonts draw every pair that is no flag as one placeholder flag; such a pair
        // counts as the two letters it is. "ZZ" is never a flag.
        if (placeholderFlag_ < 0) {
            const auto zz = font_->shape(text(0xA02A3));
            placeholderFlag_ = zz.size() == 1 ? std::int64_t(zz.first().glyph) : 0;
        }
        if (placeholderFlag_ > 0 && glyphs.first().glyph == std::uint32_t(placeholderFlag_))
            return double(font_->advanceOf(t.left(2)) + font_->advanceOf(t.mid(2))) * scale;
    }
    long long sum = 0;
    for (const rbx::ShapedGlyph& g : glyphs) sum += g.advance;
    return double(sum) * scale;
}

QString RbxEmojiSequence::typeString() const {
    switch (type_) {
    case Skin: return QStringLiteral("Skin");
    case Flag: return QStringLiteral("Flag");
    case Joined: return QStringLiteral("Joined");
    case KeyCap: return QStringLiteral("KeyCap");
    case TextOrEmoji: return QStringLiteral("Text/Emoji");
    default: return QString::number(type_, 16).toUpper();
    }
}

QString RbxEmojiSequence::description() const {
    return QStringLiteral("(\"%1\" %2 %3)").arg(string_, typeString()).arg(uint(virtualCharacter_));
}

void RbxEmoji::setMeasurer(std::unique_ptr<RbxEmojiMeasurer> m) {
    EmojiState& s = state();
    s = EmojiState();
    s.measurer = std::move(m);
    s.measurerMade = bool(s.measurer);
}

QString RbxEmoji::colorEmojiFontName() {
    const QString chosen = RbxModelSettings::shared().stringValue(QStringLiteral("colorEmojiFont"));
    if (!chosen.isEmpty() && rbx::font::availableFontSet().contains(chosen)) return chosen;
    return rbx::FontBackend::shared().defaultColorEmojiFontName();
}

rbx::Font RbxEmoji::appleColorEmojiFontOfSize(double size) {
    const QString name = colorEmojiFontName();
    if (name.isEmpty()) return rbx::Font();
    return rbx::font::availableFontWithName(name, size);
}

std::shared_ptr<RbxFontInfo> RbxEmoji::fontInfoWithAppleColorEmoji() {
    EmojiState& s = state();
    if (!s.fontInfoLooked) {
        s.fontInfoLooked = true;
        const rbx::Font f = appleColorEmojiFontOfSize(12);
        if (f) s.fontInfo = RbxFontInfo::fontInfoWithFont(f);
    }
    return s.fontInfo;
}

const kx::CharSet& RbxEmoji::appleColorEmojiCharacterSet() {
    EmojiState& s = state();
    if (!s.emojiSet) {
        kx::CharSet set;
        if (measurer()->hasFont()) set = measurer()->coveredCharacters();
        set.removeCharactersFrom(0, 0x2122);
        s.emojiSet = set;
    }
    return *s.emojiSet;
}

std::vector<char32_t> RbxEmoji::modifiableEmojisList() {
    std::vector<char32_t> list;
    for (std::size_t i = 0; i < modifiableEmojiRangeCount; ++i)
        for (char32_t c = modifiableEmojis[i].first; c <= modifiableEmojis[i].last; ++c) list.push_back(c);
    return list;
}

void RbxEmoji::addList(const std::vector<char32_t>& list, kx::CharSet& set, bool checkAvailability) {
    RbxEmojiMeasurer* m = measurer();
    if (!m->hasFont() || !appleColorEmojiCharacterSet().contains(0x1F3FD)) return;
    if (!checkAvailability) {
        for (char32_t c : list) set.addCharacter(c);
        return;
    }
    const double face = m->widthOf(text(0x1F600));
    for (char32_t c : list)
        if (m->widthOf(kx::str::emojiStringWithSkinColor(text(c), 1)) == face) set.addCharacter(c);
}

const kx::CharSet& RbxEmoji::modifiableEmojisCompleteCharacterSet() {
    EmojiState& s = state();
    if (!s.modifiableComplete) {
        kx::CharSet set;
        addList(modifiableEmojisList(), set, false);
        s.modifiableComplete = set;
    }
    return *s.modifiableComplete;
}

const kx::CharSet& RbxEmoji::modifiableEmojisCharacterSet() {
    EmojiState& s = state();
    if (!s.modifiable) {
        kx::CharSet set;
        addList(modifiableEmojisList(), set, true);
        s.modifiable = set;
    }
    return *s.modifiable;
}

const kx::CharSet& RbxEmoji::textOrEmojiCharacterSet() {
    EmojiState& s = state();
    if (!s.textOrEmoji) {
        kx::CharSet set;
        for (std::size_t i = 0; i < textOrEmojiRangeCount; ++i)
            set.addCharactersFrom(textOrEmojis[i].first, textOrEmojis[i].last);
        s.textOrEmoji = set;
    }
    return *s.textOrEmoji;
}

const kx::CharSet& RbxEmoji::colorFlagsCharacterSet() {
    EmojiState& s = state();
    if (!s.flags) {
        kx::CharSet set;
        RbxEmojiMeasurer* m = measurer();
        if (m->hasFont()) {
            const double w = m->widthOf(text(RegionalIndicatorA));
            for (char32_t v = FlagFirst; v <= FlagLast; ++v)
                if (m->widthOf(text(v)) < 2 * w) set.addCharacter(v);
        }
        s.flags = set;
    }
    return *s.flags;
}

const kx::CharSet& RbxEmoji::zwjCharacterSet() {
    EmojiState& s = state();
    if (!s.zwj) {
        kx::CharSet set;
        RbxEmojiMeasurer* m = measurer();
        if (m->hasFont()) {
            const double w = m->widthOf(text(RegionalIndicatorA));
            const kx::CharSet& covered = appleColorEmojiCharacterSet();
            for (char32_t v = JoinedFirst; v <= JoinedLast; ++v) {
                const QString t = text(v);
                const char32_t first = joinedSequences[v - JoinedFirst][0];
                if (!covered.contains(first)) {
                    kx::log(QStringLiteral("ignoring unsupported ZWJ combination (%1): \"%2\", first=%3")
                                .arg(hex(v), t, hex(first)));
                } else if (m->widthOf(t) >= 1.5 * w) {
                    kx::log(QStringLiteral("ignoring wide ZWJ combination (%1): \"%2\", first=%3")
                                .arg(hex(v), t, hex(first)));
                } else {
                    set.addCharacter(v);
                }
            }
        }
        s.zwj = set;
    }
    return *s.zwj;
}

const kx::CharSet& RbxEmoji::keycapCharacterSet() {
    EmojiState& s = state();
    if (!s.keycaps) {
        kx::CharSet set;
        RbxEmojiMeasurer* m = measurer();
        if (m->hasFont()) {
            const double w = m->widthOf(text(RegionalIndicatorA));
            for (char32_t v = KeycapFirst; v <= KeycapLast; ++v)
                if (m->widthOf(text(v)) < 1.5 * w) set.addCharacter(v);
        }
        s.keycaps = set;
    }
    return *s.keycaps;
}

int RbxEmoji::nPartsOfVirtualCharacter(char32_t c) {
    if (c >= FlagFirst && c <= FlagLast) return 2;
    const std::vector<char32_t> parts = kx::str::utf32CharactersForVirtualCharacter(c);
    return parts.empty() ? 1 : int(parts.size());
}

char32_t RbxEmoji::partOfVirtualCharacter(int n, char32_t c) {
    const std::vector<char32_t> parts = kx::str::utf32CharactersForVirtualCharacter(c);
    if (parts.empty()) return n == 1 ? c : 0;
    return (n >= 1 && n <= int(parts.size())) ? parts[std::size_t(n - 1)] : 0;
}

const std::vector<RbxEmojiSequence>& RbxEmoji::allEmojiSequences() {
    EmojiState& s = state();
    if (s.sequences) return *s.sequences;
    std::vector<RbxEmojiSequence> list;
    list.reserve(10000);
    modifiableEmojisCharacterSet().forEach([&](char32_t c) {
        const QString t = text(c);
        list.emplace_back(t, c, RbxEmojiSequence::Skin);
        for (char32_t m : skinModifiers) list.emplace_back(t + text(m), c, RbxEmojiSequence::Skin);
        // A joined sequence takes its modifier after its first character too: the form
        // the published emoji sequences use.
        if (c >= JoinedFirst && c <= JoinedLast) {
            for (int colour = 2; colour <= 6; ++colour) {
                const QString toned = kx::str::emojiStringWithSkinColor(t, colour);
                if (toned != t + text(skinModifiers[colour - 2])) list.emplace_back(toned, c, RbxEmojiSequence::Skin);
            }
        }
    });
    colorFlagsCharacterSet().forEach([&](char32_t v) { list.emplace_back(text(v), v, RbxEmojiSequence::Flag); });
    zwjCharacterSet().forEach([&](char32_t v) { list.emplace_back(text(v), v, RbxEmojiSequence::Joined); });
    keycapCharacterSet().forEach([&](char32_t v) {
        const QString base = text(keycapBases[v - KeycapFirst]);
        list.emplace_back(text(v), v, RbxEmojiSequence::KeyCap);
        list.emplace_back(base + QChar(0xFE0E) + QChar(0x20E3), v, RbxEmojiSequence::KeyCap);
        list.emplace_back(base + QChar(0xFE0F) + QChar(0x20E3), v, RbxEmojiSequence::KeyCap);
    });
    textOrEmojiCharacterSet().forEach([&](char32_t c) {
        list.emplace_back(text(c) + QChar(0xFE0E), c, RbxEmojiSequence::TextOrEmoji);
        list.emplace_back(text(c) + QChar(0xFE0F), c, RbxEmojiSequence::TextOrEmoji);
    });
    s.sequences = std::move(list);
    return *s.sequences;
}

char32_t RbxEmoji::virtualEmojiCharacterForString(const QString& t) {
    EmojiState& s = state();
    if (!s.byString) {
        QHash<QString, char32_t> map;
        for (const RbxEmojiSequence& seq : allEmojiSequences())
            if (!map.contains(seq.string())) map.insert(seq.string(), seq.virtualCharacter());
        s.byString = std::move(map);
    }
    return s.byString->value(t, 0);
}

QString RbxEmoji::stringByReplacingSequencesWithVirtualCharacters(const QString& t) {
    EmojiState& s = state();
    if (!s.indexMade) {
        s.indexMade = true;
        for (const RbxEmojiSequence& seq : allEmojiSequences()) {
            const QString& str = seq.string();
            const bool onePair = str.size() == 2 && str.at(0).isHighSurrogate() && str.at(1).isLowSurrogate();
            if (str.size() < 2 || onePair) continue;
            if (!s.index.contains(str)) s.index.insert(str, seq.virtualCharacter());
            s.startUnits.insert(str.at(0).unicode());
            s.longest = std::max(s.longest, str.size());
            s.shortest = std::min(s.shortest, str.size());
        }
    }
    QString out;
    qsizetype copied = 0, i = 0;
    const qsizetype n = t.size();
    while (i < n) {
        if (s.startUnits.contains(t.at(i).unicode())) {
            bool found = false;
            for (qsizetype len = std::min(s.longest, n - i); len >= s.shortest; --len) {
                auto it = s.index.constFind(t.mid(i, len));
                if (it == s.index.constEnd()) continue;
                out += t.mid(copied, i - copied);
                out += QStringLiteral("$%1 ").arg(hex(it.value()));
                i += len;
                copied = i;
                found = true;
                break;
            }
            if (found) continue;
        }
        ++i;
    }
    if (copied == 0) return t;
    out += t.mid(copied);
    return out;
}

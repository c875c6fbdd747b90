// The key-effect table and the key strokes that type a character.
#include "insertion/KXKeyboard.h"

#include "core/Log.h"

#include <QSet>
#include <bitset>
#include <memory>

namespace kx {

namespace {

constexpr std::uint8_t HeaderModifier = 255;
constexpr std::uint8_t DeadSection = 0x80;
constexpr std::uint8_t DeadKey = 0x80;
// Dead-key states beyond this many are not walked (a compose key opens thousands).
constexpr int MaxDeadStates = 4096;

int carbonFromModifierByte(int byte) { return (byte & 0x7F) << 8; }

} // namespace

const QVector<KXKeyboard::KeyEffect>& KXKeyboard::keyEffects() const {
    buildKeyEffects();
    return keyEffects_;
}

void KXKeyboard::buildKeyEffects() const {
    if (effectsBuilt_) return;
    effectsBuilt_ = true;
    loadKeyLabels();
    keyEffects_.clear();
    keyEffects_.reserve(300);

    QVector<int> keys{49};
    for (int i = 1; i <= nAssignedKeys_ && i < 128; ++i) {
        const int k = keyForIndex_[static_cast<std::size_t>(i)];
        if (k != 49) keys.append(k);
    }
    static constexpr int masks[] = {0, carbon::Shift, carbon::Option, carbon::Shift | carbon::Option};

    auto seenChars = std::make_unique<std::bitset<0x10000>>();
    QSet<std::uint32_t> seenStates{0};
    QVector<std::uint32_t> queue{0};
    for (qsizetype q = 0; q < queue.size(); ++q) {
        const std::uint32_t state = queue.at(q);
        const std::uint8_t section = state ? DeadSection : 0;
        qsizetype headerAt = -1;
        if (state) {
            headerAt = keyEffects_.size();
            keyEffects_.append({HeaderModifier, 0, state});
        }
        for (int mask : masks) {
            for (int key : keys) {
                std::uint32_t st = state;
                const std::uint32_t produced = translateKey(key, mask, st);
                const auto modByte = static_cast<std::uint8_t>((mask >> 8) | section);
                if (produced && !st) {
                    if (produced < 0x20 || produced > 0xFFFF) continue;
                    if (seenChars->test(produced)) continue;
                    seenChars->set(produced);
                    keyEffects_.append({modByte, static_cast<std::uint8_t>(key), produced});
                } else if (!produced && st && st != state) {
                    if (seenStates.contains(st)) continue;
                    if (seenStates.size() >= MaxDeadStates) continue;
                    seenStates.insert(st);
                    queue.append(st);
                    keyEffects_.append({modByte, static_cast<std::uint8_t>(key | DeadKey), st});
                }
            }
        }
        if (headerAt >= 0 && headerAt == keyEffects_.size() - 1) keyEffects_.removeLast();
    }
}

QVector<KXKeyboard::KeyStroke> KXKeyboard::keyStrokesForCharacter(char32_t c) const {
    if (c == 0 || c > 0xFFFF) return {};
    buildKeyEffects();
    qsizetype at = -1;
    for (qsizetype i = 0; i < keyEffects_.size(); ++i) {
        const KeyEffect& e = keyEffects_.at(i);
        if (e.modifier != HeaderModifier && !(e.key & DeadKey) && e.value == c) {
            at = i;
            break;
        }
    }
    if (at < 0) return {};
    QVector<KeyStroke> strokes;
    strokes.prepend({keyEffects_.at(at).key & 0x7F, carbonFromModifierByte(keyEffects_.at(at).modifier)});
    for (int step = 0; keyEffects_.at(at).modifier & DeadSection; ++step) {
        if (step >= 19) return {};
        // Back to the section's header, then further back to the dead key entering it.
        qsizetype h = at;
        while (h >= 0 && keyEffects_.at(h).modifier != HeaderModifier) --h;
        if (h < 0) {
            log(QStringLiteral("could not find dead key header"));
            return {};
        }
        const std::uint32_t state = keyEffects_.at(h).value;
        qsizetype d = h - 1;
        while (d >= 0 && !(keyEffects_.at(d).modifier != HeaderModifier &&
                           (keyEffects_.at(d).key & DeadKey) && keyEffects_.at(d).value == state))
            --d;
        if (d < 0) {
            log(QStringLiteral("could not find dead key"));
            return {};
        }
        strokes.prepend({keyEffects_.at(d).key & 0x7F, carbonFromModifierByte(keyEffects_.at(d).modifier)});
        at = d;
    }
    return strokes;
}

QString KXKeyboard::modifierSymbols(int modifiers) const {
    QString s;
    if (modifiers & carbon::Option)
        s += (keymap_ && keymap_->hasLevelThree()) ? QStringLiteral("AltGr") : QStringLiteral("Alt");
    if (modifiers & carbon::Shift) s += QChar(0x21E7);
    return s;
}

QStringList KXKeyboard::keySequenceArrayForCharacter(char32_t c) const {
    const QVector<KeyStroke> strokes = keyStrokesForCharacter(c);
    QStringList out;
    int previous = -1;
    for (const KeyStroke& s : strokes) {
        const QString label = labelForKey(s.keyCode);
        if (label.isEmpty()) {
            log(QStringLiteral("nil label"));
            return {};
        }
        if (previous >= 0 && s.modifiers != previous) out << QStringLiteral("then");
        if (previous < 0 || s.modifiers != previous) {
            if (s.modifiers & carbon::Option) out << modifierSymbols(carbon::Option);
            if (s.modifiers & carbon::Shift) out << modifierSymbols(carbon::Shift);
        }
        out << label;
        previous = s.modifiers;
    }
    return out;
}

QString KXKeyboard::keySequenceForCharacter(char32_t c) const {
    const QVector<KeyStroke> strokes = keyStrokesForCharacter(c);
    if (strokes.isEmpty()) return QStringLiteral("--");
    auto prefix = [this](int modifiers) {
        const QString m = modifierSymbols(modifiers);
        return m.isEmpty() ? m : m + u'-';
    };
    QString text;
    int previous = -1;
    for (const KeyStroke& s : strokes) {
        const QString label = labelForKey(s.keyCode);
        if (previous < 0) text = prefix(s.modifiers) + u'"';
        else if (s.modifiers != previous) text += QStringLiteral("\" + %1\"").arg(prefix(s.modifiers));
        text += label;
        previous = s.modifiers;
    }
    return text + u'"';
}

} // namespace kx

#include "insertion/KXKeyboard.h"

#include "core/Log.h"
#include "platform/x11/MacKeyCodes.h"

namespace kx {

using x11::KeyMods;

KXKeyboard::KXKeyboard(int keyboardType, std::shared_ptr<x11::XkbKeymap> keymap, int group,
                       std::shared_ptr<x11::XkbCompose> compose)
    : keyboardType_(keyboardType), keymap_(std::move(keymap)), group_(group),
      compose_(std::move(compose)) {
    deadStates_.append(QVector<x11::Keysym>{});
}

std::unique_ptr<KXKeyboard> KXKeyboard::fromNames(const QString& layout, const QString& variant,
                                                  const QString& model, int group) {
    auto keymap = x11::XkbKeymap::fromNames(QStringLiteral("evdev"), model, layout, variant, {});
    if (!keymap) return nullptr;
    const int type = keyboardTypeForKeymap(*keymap, group);
    return std::make_unique<KXKeyboard>(type, std::move(keymap), group,
                                        x11::XkbCompose::forCurrentLocale());
}

QString KXKeyboard::layoutName() const { return keymap_ ? keymap_->groupName(group_) : QString(); }

QString KXKeyboard::description() const {
    return QStringLiteral("keyboard %1, type=%2, source=%3, uchr=%4")
        .arg(layoutName())
        .arg(keyboardType_)
        .arg(QString::number(quintptr(keymap_.get()), 16).toUpper())
        .arg(QString::number(quintptr(keymap_ ? keymap_->raw() : nullptr), 16).toUpper());
}

KeyMods KXKeyboard::keyModsFor(int carbonModifiers) const {
    const bool shift = carbonModifiers & carbon::Shift;
    const bool option = carbonModifiers & carbon::Option;
    if (carbonModifiers & carbon::Command) return KeyMods::Command;
    if (shift && option) return KeyMods::ShiftOption;
    if (option) return KeyMods::Option;
    if (shift) return KeyMods::Shift;
    return KeyMods::Plain;
}

void KXKeyboard::loadKeyLabels() const {
    if (labelsLoaded_) return;
    labelsLoaded_ = true;
    keyLabels_ = QStringLiteral("_");
    commandKeyLabels_ = QStringLiteral("_");
    nAssignedKeys_ = 0;
    keyAssignment_.fill(0);
    keyForIndex_.fill(0);
    if (!keymap_) {
        log(QStringLiteral("could not load keyboard layout"));
        return;
    }
    const int groups = keymap_->groupCount();
    for (int key = 0; key < 128; ++key) {
        if (!hasPhysicalKey(key)) continue;
        const int xkc = x11::xKeycodeForMacKey(key);
        if (!xkc) continue;
        const x11::Keysym sym = keymap_->keysym(xkc, group_, KeyMods::Plain);
        const char32_t c = x11::isDeadKeysym(sym) ? x11::deadKeysymLabel(sym) : x11::keysymToChar(sym);
        if (c < 0x20 || c == 0x7F || c > 0xFFFF) continue;
        // With Command held: what the key gives in this group, or, when that is no
        // ASCII character, what it gives in the first group that has one (how
        // applications match Ctrl shortcuts on non-Latin layouts).
        char32_t cc = x11::keysymToChar(keymap_->keysym(xkc, group_, KeyMods::Command));
        if (cc < 0x20 || cc >= 0x7F) {
            for (int g = 0; g < groups; ++g) {
                if (g == group_) continue;
                const char32_t other = x11::keysymToChar(keymap_->keysym(xkc, g, KeyMods::Command));
                if (other > 0x20 && other < 0x7F) { cc = other; break; }
            }
        }
        if (cc == 0 || cc > 0xFFFF) cc = U' ';
        const int index = ++nAssignedKeys_;
        keyAssignment_[static_cast<std::size_t>(key)] = static_cast<std::uint8_t>(index);
        if (index < 128) keyForIndex_[static_cast<std::size_t>(index)] = static_cast<std::uint8_t>(key);
        keyLabels_.append(QChar(static_cast<char16_t>(c)));
        commandKeyLabels_.append(QChar(static_cast<char16_t>(cc)));
    }
}

int KXKeyboard::keyCodeIn(const QString& labels, const QString& label) const {
    // One label is one unit; the placeholder at index 0 never matches.
    if (label.size() != 1) return -1;
    const char32_t wanted = x11::keyLabelLower(label.at(0).unicode());
    for (qsizetype i = 1; i < labels.size(); ++i) {
        if (x11::keyLabelLower(labels.at(i).unicode()) != wanted) continue;
        if (i >= 128) return -2;
        return keyForIndex_[static_cast<std::size_t>(i)];
    }
    return -1;
}

int KXKeyboard::keyCodeForKeyLabeled(const QString& label) const {
    loadKeyLabels();
    const int k = keyCodeIn(keyLabels_, label);
    if (k == -2) {
        log(QStringLiteral("*** index error (%1) in keyCodeForKeyLabeled").arg(keyLabels_.size()));
        return -1;
    }
    return k;
}

int KXKeyboard::keyCodeForCommandKeyLabeled(const QString& label) const {
    loadKeyLabels();
    const int k = keyCodeIn(commandKeyLabels_, label);
    if (k == -2) {
        log(QStringLiteral("*** index error (%1) in keyCodeForCommandKeyLabeled").arg(commandKeyLabels_.size()));
        return -1;
    }
    return k;
}

int KXKeyboard::keyCodeForUnicodeCharacter(char32_t c) const {
    loadKeyLabels();
    if (c < 0x20 || c > 0xFFFF) return -1;
    for (qsizetype i = 1; i < keyLabels_.size() && i < 128; ++i)
        if (keyLabels_.at(i).unicode() == c) return keyForIndex_[static_cast<std::size_t>(i)];
    return -1;
}

bool KXKeyboard::hasPhysicalKey(int keyCode) const {
    if (keyCode < 0 || keyCode >= 128) return false;
    loadPhysicalKeys();
    return physicalKeys_.test(static_cast<std::size_t>(keyCode));
}

bool KXKeyboard::hasKey(int keyCode) const {
    if (keyCode < 0 || keyCode >= 128) return false;
    loadKeyLabels();
    return keyAssignment_[static_cast<std::size_t>(keyCode)] != 0;
}

std::uint32_t KXKeyboard::translateKey(int keyCode, int carbonModifiers,
                                       std::uint32_t& deadKeyState) const {
    const int xkc = x11::xKeycodeForMacKey(keyCode);
    if (!keymap_ || !xkc || deadKeyState >= std::uint32_t(deadStates_.size())) {
        deadKeyState = 0;
        return 0;
    }
    const x11::Keysym sym = keymap_->keysym(xkc, group_, keyModsFor(carbonModifiers));
    if (!sym) {
        deadKeyState = 0;
        return 0;
    }
    auto pack = [](const QString& text) -> std::uint32_t {
        if (text.size() == 1) return text.at(0).unicode();
        if (text.size() == 2 && text.at(0).isHighSurrogate())
            return std::uint32_t(text.at(0).unicode()) | (std::uint32_t(text.at(1).unicode()) << 16);
        return 0;
    };
    QVector<x11::Keysym> sequence = deadStates_.at(deadKeyState);
    sequence.append(sym);
    const auto result = compose_ ? compose_->feed(sequence, nullptr)
                                 : x11::XkbCompose::Result::Nothing;
    switch (result) {
    case x11::XkbCompose::Result::Composing: {
        qsizetype index = deadStates_.indexOf(sequence);
        if (index < 0) {
            deadStates_.append(sequence);
            index = deadStates_.size() - 1;
        }
        deadKeyState = std::uint32_t(index);
        return 0;
    }
    case x11::XkbCompose::Result::Composed: {
        QString text;
        compose_->feed(sequence, &text);
        deadKeyState = 0;
        return pack(text);
    }
    case x11::XkbCompose::Result::Cancelled:
        deadKeyState = 0;
        return 0;
    case x11::XkbCompose::Result::Nothing:
        break;
    }
    const bool wasDead = deadKeyState != 0;
    deadKeyState = 0;
    if (wasDead) return 0;
    const char32_t c = x11::keysymToChar(sym);
    if (!c) return 0;
    return pack(QString::fromUcs4(&c, 1));
}

} // namespace kx

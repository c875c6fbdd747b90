#include "insertion/KXHotKey.h"

#include "core/Log.h"
#include "insertion/KXKeyboard.h"
#include "platform/dbus/AppleEventSender.h"
#include "platform/x11/HotKeyGrabs.h"

#include <QRegularExpression>
#include <algorithm>

// ---- the registry -------------------------------------------------------------------------

KXHotKeyRegistry::KXHotKeyRegistry(kx::x11::HotKeyGrabs& grabs, QObject* parent) : QObject(parent), grabs_(grabs) {
    slots_.reserve(10);
    connect(&grabs_, &kx::x11::HotKeyGrabs::pressed, this, &KXHotKeyRegistry::dispatch);
}

KXHotKeyRegistry::~KXHotKeyRegistry() {
    for (KXHotKey* k : slots_)
        if (k) k->registeredID_ = 0;
}

KXHotKey* KXHotKeyRegistry::activeHotKey(int keyCode, std::uint32_t modifiers) const {
    for (KXHotKey* k : slots_)
        if (k && k->keyCode() == keyCode && (std::uint32_t(k->modifiers()) & kx::modifier::Mask) == (modifiers & kx::modifier::Mask))
            return k;
    return nullptr;
}

int KXHotKeyRegistry::registerHotKey(KXHotKey& hotKey) {
    auto free = std::find(slots_.begin(), slots_.end(), nullptr);
    if (free == slots_.end()) free = slots_.insert(slots_.end(), nullptr);
    *free = &hotKey;
    hotKey.registeredID_ = std::uint32_t(free - slots_.begin()) + 1;
    const int error = grabs_.grab(hotKey.registeredID_, hotKey.keyCode(), std::uint32_t(hotKey.modifiers()));
    if (error != 0) {
        kx::log(QStringLiteral("RegisterEventHotKey error %1").arg(error));
        unregisterHotKey(hotKey);
    }
    return error;
}

void KXHotKeyRegistry::unregisterHotKey(KXHotKey& hotKey) {
    const std::uint32_t id = hotKey.registeredID_;
    if (id == 0 || id > slots_.size() || slots_[id - 1] != &hotKey) return;
    grabs_.ungrab(id);
    slots_[id - 1] = nullptr;
    hotKey.registeredID_ = 0;
}

void KXHotKeyRegistry::dispatch(std::uint32_t id) {
    if (id == 0) {
        kx::log(QStringLiteral("KXHotKey: Invalid hotkey id"));
        return;
    }
    if (id > slots_.size() || !slots_[id - 1]) {
        kx::log(QStringLiteral("KXHotKey: Hotkey not found (id %1)").arg(id));
        return;
    }
    slots_[id - 1]->invoke();
}

// ---- the hot key ----------------------------------------------------------------------------

KXHotKey::KXHotKey(KXHotKeyRegistry& registry, KXHotKeyTarget* target) : registry_(registry), target_(target) {}

KXHotKey::KXHotKey(KXHotKeyRegistry& registry, int keyCode, std::uint32_t modifiers, KXHotKeyTarget* target)
    : registry_(registry), keyCode_(keyCode), modifiers_(std::int32_t(modifiers)), target_(target) {}

KXHotKey::~KXHotKey() { disable(); }

void KXHotKey::reregister() {
    if (!isEnabled()) return;
    disable();
    enable();
}

void KXHotKey::setKeyCode(int keyCode) {
    keyCode_ = keyCode;
    reregister();
}

void KXHotKey::setModifiers(std::int32_t modifiers) {
    modifiers_ = modifiers;
    reregister();
}

int KXHotKey::carbonModifiers() const {
    const auto m = std::uint32_t(modifiers_);
    int carbon = 0;
    if (m & kx::modifier::Command) carbon |= kx::carbon::Command;
    if (m & kx::modifier::Shift) carbon |= kx::carbon::Shift;
    if (m & kx::modifier::Option) carbon |= kx::carbon::Option;
    if (m & kx::modifier::Control) carbon |= kx::carbon::Control;
    return carbon;
}

QString KXHotKey::serializedDescription() const {
    if (keyCode_ < 0) return QString();
    return QStringLiteral("%1,%2").arg(modifiers_).arg(keyCode_);
}

std::optional<KXHotKey::Stored> KXHotKey::parseSerializedDescription(const QString& text, QString* problem) {
    static const QRegularExpression form(QStringLiteral("^([0-9]{1,10}),([0-9]{1,3})$"));
    const QRegularExpressionMatch m = form.match(text);
    const qint64 modifiers = m.hasMatch() ? m.captured(1).toLongLong() : -1;
    const int key = m.hasMatch() ? m.captured(2).toInt() : -1;
    QString why;
    if (modifiers < 0 || modifiers > 0x7FFFFFFF || key > 127)
        why = QStringLiteral("not two numbers, modifiers and a key code 0-127");
    else if ((kx::KXKeyboard::keyboardZoneForKey(key) & ZonesRequiringModifiers) &&
             !(modifiers & (kx::modifier::Command | kx::modifier::Option | kx::modifier::Control)))
        why = QStringLiteral("the key needs Command, Option or Control");
    if (why.isEmpty()) return Stored{std::uint32_t(modifiers), key};
    if (problem && !text.isEmpty()) *problem = why;
    return std::nullopt;
}

void KXHotKey::setSerializedDescription(const QString& text) {
    disable();
    QString problem;
    const std::optional<Stored> stored = parseSerializedDescription(text, &problem);
    if (!stored) {
        if (!problem.isEmpty()) kx::log(QStringLiteral("invalid hotkey \"%1\": %2").arg(text.left(100), problem));
        modifiers_ = 0;
        keyCode_ = -1;
        return;
    }
    modifiers_ = std::int32_t(stored->modifiers);
    keyCode_ = stored->keyCode;
    enable();
}

bool KXHotKey::enable() {
    if (isEnabled()) return true;
    registrationError_ = 0;
    if (!isValid() || !isUnique()) return false;
    registrationError_ = registry_.registerHotKey(*this);
    return isEnabled();
}

void KXHotKey::disable() { registry_.unregisterHotKey(*this); }

bool KXHotKey::isValid() const { return target_ && keyCode_ >= 0 && modifiers_ >= 0; }

bool KXHotKey::isUnique() const {
    const KXHotKey* other = registry_.activeHotKey(keyCode_, std::uint32_t(modifiers_));
    return !other || other == this;
}

bool KXHotKey::matchesEvent(int keyCode, std::uint32_t flags) const {
    return keyCode == keyCode_ && (flags & kx::modifier::Mask) == (std::uint32_t(modifiers_) & kx::modifier::Mask);
}

void KXHotKey::invoke() {
    if (!isValid()) return;
    if (sendsHintboardEvent_)
        appleevent::postToSignature(HintboardSignature, HintboardSignature, HintboardKeyEvent, {});
    target_->hotKeyPressed(*this);
}

QString KXHotKey::description() const { return QStringLiteral("keyCode=%1, modifiers=%2").arg(keyCode_).arg(modifiers_); }

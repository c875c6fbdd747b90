#include "app/KXHotkeyField.h"

#include "core/Log.h"
#include "core/ModifierFlags.h"
#include "insertion/KXHotKey.h"
#include "insertion/KXKeyboard.h"
#include "kxlib/gui/KXAppearance.h"
#include "platform/x11/MacKeyCodes.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>
#include <QToolButton>

namespace {
constexpr int KeySpace = 49;
constexpr int KeyTab = 48;
constexpr int KeyHome = 115;
// The function keys F1 to F20 by their key codes.
constexpr int FunctionKeys[20] = {122, 120, 99, 118, 96, 97, 98, 100, 101, 109,
                                  103, 111, 105, 107, 113, 106, 64, 79, 80, 90};
} // namespace

KXHotkeyField::KXHotkeyField(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    clearButton_ = new QToolButton(this);
    clearButton_->setText(QStringLiteral("×"));
    clearButton_->setAutoRaise(true);
    clearButton_->setFocusPolicy(Qt::NoFocus);
    clearButton_->setToolTip(QStringLiteral("Clear"));
    connect(clearButton_, &QToolButton::clicked, this, &KXHotkeyField::clear);
    updateClearButton();
}

void KXHotkeyField::setKeyCode(int keyCode) {
    keyCode_ = keyCode;
    updateClearButton();
    update();
}

void KXHotkeyField::setModifiers(std::uint32_t modifiers) {
    modifiers_ = modifiers;
    update();
}

void KXHotkeyField::updateClearButton() { clearButton_->setVisible(keyCode_ >= 0); }

QString KXHotkeyField::serializedDescription() const {
    if (keyCode_ < 0) return QString();
    return QStringLiteral("%1,%2").arg(modifiers_).arg(keyCode_);
}

void KXHotkeyField::setSerializedDescription(const QString& text) {
    const auto stored = KXHotKey::parseSerializedDescription(text);
    setModifiers(stored ? stored->modifiers : 0);
    setKeyCode(stored ? stored->keyCode : -1);
}

QString KXHotkeyField::modifierString() const {
    if (keyCode_ < 0) return QString();
    // The names this desktop gives the keys: Command is Ctrl, Option Alt, Control Super.
    QStringList names;
    if (modifiers_ & kx::modifier::Command) names << QStringLiteral("Ctrl");
    if (modifiers_ & kx::modifier::Option) names << QStringLiteral("Alt");
    if (modifiers_ & kx::modifier::Shift) names << QStringLiteral("Shift");
    if (modifiers_ & kx::modifier::Control) names << QStringLiteral("Super");
    return names.join(u'+');
}

QString KXHotkeyField::keyString() const {
    if (keyCode_ < 0) return QString();
    if (keyCode_ == KeySpace) return QStringLiteral("Space");
    const kx::KXKeyboard* keyboard = kx::KXKeyboard::currentKeyboard();
    if (!keyboard) return QString();
    // A key that types a character shows its key cap, the others their X keysym name.
    const QString name = keyboard->keysymNameForKey(keyCode_);
    return name.isEmpty() ? keyboard->labelForKey(keyCode_) : name;
}

QString KXHotkeyField::text() const {
    const QString key = keyString();
    if (key.isEmpty()) return QString();
    const QString modifiers = modifierString();
    return modifiers.isEmpty() ? key : modifiers + u'+' + key;
}

QString KXHotkeyField::string() {
    if (keyCode_ < 0) return QString();
    const QString shown = text();
    if (shown.isEmpty()) {
        kx::log(QStringLiteral("invalid hotkey: key=%1, mod=%2").arg(keyCode_).arg(modifiers_));
        keyCode_ = -1;
        modifiers_ = 0;
        updateClearButton();
    }
    return shown;
}

char32_t KXHotkeyField::menuKeyEquivalent() const {
    if (keyCode_ < 0) return 0;
    if (keyCode_ == KeyHome) return 0xF729;
    for (int n = 0; n < 20; ++n)
        if (FunctionKeys[n] == keyCode_) return char32_t(0xF704 + n);
    const kx::KXKeyboard* keyboard = kx::KXKeyboard::currentKeyboard();
    if (!keyboard) return 0;
    std::uint32_t dead = 0;
    std::uint32_t c = keyboard->translateKey(keyCode_, 0, dead);
    if (c == 0 && dead != 0) c = keyboard->translateKey(KeySpace, 0, dead);
    // Two UTF-16 units come packed, low unit first.
    if (c > 0xFFFF) c = QChar::surrogateToUcs4(char16_t(c & 0xFFFF), char16_t(c >> 16));
    return char32_t(c);
}

bool KXHotkeyField::setKeyFromEvent(QKeyEvent* event) {
    // A modifier pressed alone records nothing: the recorder waits for the key it goes with.
    if (kx::modifier::isModifierKey(event->key())) return true;
    const int k = kx::x11::macKeyForXKeycode(int(event->nativeScanCode()));
    const std::uint32_t flags = kx::modifier::fromQt(event->modifiers());
    const bool commandLike = flags & (kx::modifier::Command | kx::modifier::Control);
    const bool tab = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
    if (tab && !(flags & (kx::modifier::Command | kx::modifier::Option | kx::modifier::Control))) {
        // Tab moves the focus on, unless Tab alone may be a hot key: then it becomes one.
        if (kx::KXKeyboard::keyboardZoneForKey(KeyTab) & zoneMask_) {
            focusNextPrevChild(event->key() == Qt::Key_Tab && !(flags & kx::modifier::Shift));
            return true;
        }
        record(KeyTab, flags);
        return true;
    }
    const bool deleteKey = event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete;
    if (deleteKey && backspaceClears_ && !(flags & kx::modifier::Mask)) {
        clear();
        return true;
    }
    if (k < 0) return false;
    if ((k > 127 || (kx::KXKeyboard::keyboardZoneForKey(k) & zoneMask_)) && !commandLike) return false;
    record(k, flags);
    return true;
}

void KXHotkeyField::record(int keyCode, std::uint32_t flags) {
    keyCode_ = keyCode;
    modifiers_ = flags;
    updateClearButton();
    update();
    changed();
}

void KXHotkeyField::changed() {
    if (delegate_) delegate_->hotkeyChanged(*this);
}

void KXHotkeyField::clear() {
    keyCode_ = -1;
    modifiers_ = 0;
    updateClearButton();
    update();
    changed();
    setFocus(Qt::OtherFocusReason);
}

bool KXHotkeyField::event(QEvent* e) {
    // Tab and Shift-Tab reach the recorder before the focus chain does.
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
            if (!setKeyFromEvent(k)) k->ignore();
            return true;
        }
    }
    return QWidget::event(e);
}

void KXHotkeyField::keyPressEvent(QKeyEvent* event) {
    if (!setKeyFromEvent(event)) QWidget::keyPressEvent(event);
}

void KXHotkeyField::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    QWidget::mousePressEvent(event);
}

void KXHotkeyField::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    if (delegate_) delegate_->hotkeyFieldBecameFirstResponder(*this, true);
    update();
}

void KXHotkeyField::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    if (delegate_) delegate_->hotkeyFieldBecameFirstResponder(*this, false);
    update();
}

QSize KXHotkeyField::sizeHint() const { return {140, MinimumHeight}; }
QSize KXHotkeyField::minimumSizeHint() const { return {60, MinimumHeight}; }

void KXHotkeyField::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int side = height() - 6;
    clearButton_->setGeometry(width() - side - 3, 3, side, side);
}

void KXHotkeyField::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = KXAppearance::shared().isDark();
    const bool focused = hasFocus() && window()->isActiveWindow();
    // A field shorter than the minimum is drawn at the minimum around its centre.
    QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (r.height() < MinimumHeight - 1) r.adjust(0, (r.height() - MinimumHeight + 1) / 2, 0, -(r.height() - MinimumHeight + 1) / 2);
    QPainterPath frame;
    frame.addRoundedRect(r, 3, 3);
    p.fillPath(frame, palette().color(QPalette::Base));
    const QColor grey = focused ? (dark ? QColor(160, 160, 160) : QColor(100, 100, 100))
                                : (dark ? QColor(90, 90, 90) : QColor(190, 190, 190));
    p.setPen(QPen(grey, focused ? 2.0 : 1.0));
    p.drawPath(frame);
    const QString shown = string();
    p.setPen(palette().color(shown.isEmpty() ? QPalette::Disabled : QPalette::Active, QPalette::Text));
    QRectF textRect = r.adjusted(6, 0, -(clearButton_->isVisible() ? clearButton_->width() + 4 : 6), 0);
    p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, shown.isEmpty() ? placeholder_ : shown);
}

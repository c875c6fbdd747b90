// The table view's keys: navigation between groups, the fixed Command shortcuts, the view
// mode keys, and every other key handed to the search field.
#include "table/widgets/RbxCharView.h"

#include "kxlib/RbxDefaults.h"
#include "kxlib/SettingsKeys.h"
#include "core/Log.h"
#include "core/ModifierFlags.h"
#include "table/core/RbxGeometry.h"

#include <QCoreApplication>
#include <QKeyEvent>

using namespace rbx::geom;

namespace {

using kx::modifier::Command;
constexpr std::uint32_t ModifierMask = kx::modifier::Mask;
constexpr std::uint32_t CommandShift = kx::modifier::Command | kx::modifier::Shift;

int viewSetting() { return RbxDefaults::userDefaults().integerForKey(rbx::key::view); }

bool isModifierKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
        return true;
    default:
        return false;
    }
}

// The letter or digit of a key whatever the modifiers made of its text.
QChar keyCharacter(const QKeyEvent* event) {
    const int k = event->key();
    if (k >= Qt::Key_A && k <= Qt::Key_Z) return QChar(u'a' + (k - Qt::Key_A));
    if (k >= Qt::Key_0 && k <= Qt::Key_9) return QChar(u'0' + (k - Qt::Key_0));
    const QString t = event->text();
    return t.size() == 1 ? t.at(0) : QChar();
}

} // namespace

bool RbxCharView::logFocus() const { return RbxDefaults::userDefaults().boolForKey(rbx::key::logFocus); }

void RbxCharView::keyPressEvent(QKeyEvent* event) {
    if (!handleKey(event)) event->ignore();
}

void RbxCharView::keyReleaseEvent(QKeyEvent* event) {
    // A modifier let go shows or hides the magnifier at once (Shift inverts "magnify").
    if (isModifierKey(event->key())) selectionRectChanged();
    event->ignore();
}

bool RbxCharView::handleKey(QKeyEvent* event) {
    if (isModifierKey(event->key())) {
        selectionRectChanged();
        return true;
    }
    if (viewSetting() > 3) return false;
    if (handleHardWiredShortcut(event) || viewSelectionKeyEvent(event)) return true;
    const std::uint32_t flags = kx::modifier::fromQt(event->modifiers());
    if ((flags & ModifierMask) == 0) {
        switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            navigate(event->key());
            return true;
        case Qt::Key_Escape:
            return false;
        default:
            break;
        }
    }
    // Every other key starts a search: the search field takes the keyboard and then
    // receives the key itself.
    QWidget* field = controller_->searchField();
    if (!field || field->focusPolicy() == Qt::NoFocus || !field->isEnabled() || !field->isVisible()) return false;
    field->setFocus(Qt::OtherFocusReason);
    if (logFocus()) kx::log(QStringLiteral("FOCUS: keyDown (enter search)"));
    repostKeyEvent(field, *event);
    return true;
}

void RbxCharView::repostKeyEvent(QWidget* target, const QKeyEvent& event) {
    QPointer<QWidget> to(target);
    const QEvent::Type type = event.type();
    const int key = event.key();
    const Qt::KeyboardModifiers mods = event.modifiers();
    const quint32 scan = event.nativeScanCode(), virtualKey = event.nativeVirtualKey(), native = event.nativeModifiers();
    const QString text = event.text();
    const bool repeat = event.isAutoRepeat();
    const int count = event.count();
    QTimer::singleShot(1, this, [=] {
        if (!to) return;
        QCoreApplication::postEvent(to, new QKeyEvent(type, key, mods, scan, virtualKey, native, text, repeat, ushort(count)),
                                    Qt::HighEventPriority);
    });
}

void RbxCharView::gotoSearchField() {
    QWidget* field = controller_->searchField();
    if (!field || field->focusPolicy() == Qt::NoFocus || !field->isEnabled()) return;
    field->setFocus(Qt::OtherFocusReason);
    if (logFocus()) kx::log(QStringLiteral("FOCUS: gotoSearchField"));
}

bool RbxCharView::handleHardWiredShortcut(const QKeyEvent* event) {
    if (viewSetting() >= 4 || windowHasSheet()) return false;
    const QChar key = keyCharacter(event);
    if (key.isNull()) return false;
    const std::uint32_t mods = kx::modifier::fromQt(event->modifiers()) & ModifierMask;
    const char32_t c = selectedCharacter();
    // Commands on the selected character: nothing without one, but the key is taken
    // so that it does not reach the search field.
    auto onCharacter = [this, c](auto&& command, bool blink) {
        if (c == 0) return true;
        command(c);
        if (blink) blinkCharacterAtIndex(selectedCharIndex_);
        return true;
    };
    if (mods == Command) {
        switch (key.unicode()) {
        case u'c': return onCharacter([this](char32_t ch) { copyCharacterPlain(ch); }, true);
        case u'd': return onCharacter([this](char32_t ch) { copyCharacterUnicodeDecimal(ch); }, true);
        case u'h': return onCharacter([this](char32_t ch) { copyCharacterHTML(ch); }, true);
        case u'i': return onCharacter([this](char32_t ch) { controller_->showInfoForCharacter(ch); }, false);
        case u'k': return onCharacter([this](char32_t) { controller_->markFontsContainingSelectedCharacter(); }, true);
        case u'n': return onCharacter([this](char32_t ch) { copyCharacterName(ch); }, true);
        case u'r':
            controller_->resetMarkedFonts();
            return true;
        case u'x': return onCharacter([this](char32_t ch) { copyCharacterUnicodeHex(ch); }, true);
        default: return false;
        }
    }
    if (mods == CommandShift) {
        switch (key.toLower().unicode()) {
        case u's': return onCharacter([this](char32_t ch) { copyCharacterSwift(ch); }, true);
        case u'd': return onCharacter([this](char32_t ch) { copyCharacterDescription(ch); }, true);
        default: return false;
        }
    }
    return false;
}

bool RbxCharView::viewSelectionKeyEvent(const QKeyEvent* event) {
    if (windowHasSheet()) return false;
    if ((kx::modifier::fromQt(event->modifiers()) & ModifierMask) != Command) return false;
    static const int views[] = {3, 10, 11, 12};
    const int k = event->key();
    if (k < Qt::Key_1 || k > Qt::Key_4) return false;
    controller_->changeViewTo(views[k - Qt::Key_1]);
    return true;
}

void RbxCharView::navigate(int key) {
    const auto& groups = table_.groups();
    const QRectF visible = scrollArea();
    const double visibleTop = maxY(visible);
    auto scrollToGroupStart = [this](std::size_t position) {
        RbxTableGroup& g = table_.groups()[position];
        g.saveAnchorAtGroupStart();
        scrollToY(g.top());
        viewport()->update();
    };
    switch (key) {
    case Qt::Key_Home:
        scrollToY(table_.tableHeight());
        viewport()->update();
        saveAnchorCharacter();
        break;
    case Qt::Key_End:
        scrollToY(0);
        viewport()->update();
        saveAnchorCharacter();
        break;
    case Qt::Key_Space:
        // One page down: the old visible bottom becomes the top.
        scrollToY(minY(visible));
        return;
    case Qt::Key_Up:
    case Qt::Key_PageUp: {
        if (groups.empty()) break;
        const std::size_t g = indexOfFirstVisibleGroup();
        if (groups[g].top() > visibleTop) scrollToGroupStart(g);
        else if (g > 0) scrollToGroupStart(g - 1);
        break;
    }
    case Qt::Key_Down:
    case Qt::Key_PageDown: {
        if (groups.empty()) break;
        const std::size_t g = indexOfFirstVisibleGroup();
        if (g + 1 < groups.size()) scrollToGroupStart(g + 1);
        break;
    }
    default:
        return;
    }
    reselectAfterScrolling();
}

// The table view's keys: navigation between groups, the fixed Command shortcuts, the view
// mode keys, and every other key handed to the search field.
#include "table/widgets/RbxCharKeys.h"

#include "core/Log.h"
#include "core/ModifierFlags.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/SettingsKeys.h"
#include "table/core/RbxGeometry.h"
#include "table/widgets/RbxCharSelection.h"
#include "table/widgets/RbxCharView.h"
#include "table/widgets/RbxCharViewInternal.h"

#include <QCoreApplication>
#include <QKeyEvent>

using namespace rbx::geom;

namespace {

using kx::modifier::Command;
constexpr std::uint32_t ModifierMask = kx::modifier::Mask;
constexpr std::uint32_t CommandShift = kx::modifier::Command | kx::modifier::Shift;

int viewSetting() { return RbxDefaults::userDefaults().integerForKey(rbx::key::view); }

// The letter or digit of a key whatever the modifiers made of its text.
QChar keyCharacter(const QKeyEvent* event) {
    const int k = event->key();
    if (k >= Qt::Key_A && k <= Qt::Key_Z) return QChar(u'a' + (k - Qt::Key_A));
    if (k >= Qt::Key_0 && k <= Qt::Key_9) return QChar(u'0' + (k - Qt::Key_0));
    const QString t = event->text();
    return t.size() == 1 ? t.at(0) : QChar();
}

} // namespace

bool RbxCharKeys::windowHasSheet() const { return view_.controller().hasAttachedSheet(); }

bool RbxCharKeys::handleKey(QKeyEvent* event) {
    if (kx::modifier::isModifierKey(event->key())) {
        view_.selection().selectionRectChanged();
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
    QWidget* field = view_.controller().searchField();
    if (!field || field->focusPolicy() == Qt::NoFocus || !field->isEnabled() || !field->isVisible()) return false;
    field->setFocus(Qt::OtherFocusReason);
    if (logFocus()) kx::log(QStringLiteral("FOCUS: keyDown (enter search)"));
    repostKeyEvent(field, *event);
    return true;
}

void RbxCharKeys::keyReleased(const QKeyEvent* event) {
    if (kx::modifier::isModifierKey(event->key())) view_.selection().selectionRectChanged();
}

void RbxCharKeys::repostKeyEvent(QWidget* target, const QKeyEvent& event) {
    // Handed on at once, not queued: the keys typed after this one may already wait in
    // the window system's queue, and they go straight to the field that now has the
    // keyboard, so the first key must be there before them.
    QKeyEvent copy(event.type(), event.key(), event.modifiers(), event.nativeScanCode(), event.nativeVirtualKey(),
                   event.nativeModifiers(), event.text(), event.isAutoRepeat(), ushort(event.count()));
    QCoreApplication::sendEvent(target, &copy);
}

void RbxCharKeys::gotoSearchField() {
    QWidget* field = view_.controller().searchField();
    if (!field || field->focusPolicy() == Qt::NoFocus || !field->isEnabled()) return;
    field->setFocus(Qt::OtherFocusReason);
    if (logFocus()) kx::log(QStringLiteral("FOCUS: gotoSearchField"));
}

// ---------------------------------------------------------------- the fixed shortcuts

template <typename Command> bool RbxCharKeys::onSelectedCharacter(Command&& command, bool blink) {
    RbxCharSelection& selection = view_.selection();
    const char32_t c = selection.selectedCharacter();
    if (c == 0) return true;
    command(c);
    if (blink) selection.blinkCharacterAtIndex(selection.selectedCharIndex());
    return true;
}

bool RbxCharKeys::handleHardWiredShortcut(const QKeyEvent* event) {
    if (viewSetting() >= 4 || windowHasSheet()) return false;
    const QChar key = keyCharacter(event);
    if (key.isNull()) return false;
    const std::uint32_t mods = kx::modifier::fromQt(event->modifiers()) & ModifierMask;
    if (mods == Command) return commandShortcut(key.unicode());
    if (mods == CommandShift) return commandShiftShortcut(key.toLower().unicode());
    return false;
}

bool RbxCharKeys::commandShortcut(char16_t key) {
    RbxCharView& v = view_;
    RbxCharViewController& controller = v.controller();
    switch (key) {
    case u'c': return onSelectedCharacter([&v](char32_t ch) { v.copyCharacterPlain(ch); }, true);
    case u'd': return onSelectedCharacter([&v](char32_t ch) { v.copyCharacterUnicodeDecimal(ch); }, true);
    case u'h': return onSelectedCharacter([&v](char32_t ch) { v.copyCharacterHTML(ch); }, true);
    case u'i': return onSelectedCharacter([&controller](char32_t ch) { controller.showInfoForCharacter(ch); }, false);
    case u'k':
        return onSelectedCharacter([&controller](char32_t ch) { controller.markFontsContainingCharacter(ch); }, true);
    case u'n': return onSelectedCharacter([&v](char32_t ch) { v.copyCharacterName(ch); }, true);
    case u'r':
        controller.resetMarkedFonts();
        return true;
    case u'x': return onSelectedCharacter([&v](char32_t ch) { v.copyCharacterUnicodeHex(ch); }, true);
    default: return false;
    }
}

bool RbxCharKeys::commandShiftShortcut(char16_t key) {
    RbxCharView& v = view_;
    switch (key) {
    case u's': return onSelectedCharacter([&v](char32_t ch) { v.copyCharacterSwift(ch); }, true);
    case u'd': return onSelectedCharacter([&v](char32_t ch) { v.copyCharacterDescription(ch); }, true);
    default: return false;
    }
}

bool RbxCharKeys::viewSelectionKeyEvent(const QKeyEvent* event) {
    if (windowHasSheet()) return false;
    if ((kx::modifier::fromQt(event->modifiers()) & ModifierMask) != Command) return false;
    static const int views[] = {3, 10, 11, 12};
    const int k = event->key();
    if (k < Qt::Key_1 || k > Qt::Key_4) return false;
    view_.controller().changeViewTo(views[k - Qt::Key_1]);
    return true;
}

// ---------------------------------------------------------------- navigation

void RbxCharKeys::scrollToGroupStart(std::size_t position) {
    RbxTableGroup& g = view_.table().groups()[position];
    g.saveAnchorAtGroupStart();
    view_.scrollToY(g.top());
    view_.viewport()->update();
}

void RbxCharKeys::navigate(int key) {
    const auto& groups = view_.table().groups();
    const QRectF visible = view_.scrollArea();
    const double visibleTop = maxY(visible);
    switch (key) {
    case Qt::Key_Home:
        view_.scrollToY(view_.table().tableHeight());
        view_.viewport()->update();
        view_.saveAnchorCharacter();
        break;
    case Qt::Key_End:
        view_.scrollToY(0);
        view_.viewport()->update();
        view_.saveAnchorCharacter();
        break;
    case Qt::Key_Space:
        // One page down: the old visible bottom becomes the top.
        view_.scrollToY(minY(visible));
        return;
    case Qt::Key_Up:
    case Qt::Key_PageUp: {
        if (groups.empty()) break;
        const std::size_t g = view_.indexOfFirstVisibleGroup();
        if (groups[g].top() > visibleTop) scrollToGroupStart(g);
        else if (g > 0) scrollToGroupStart(g - 1);
        break;
    }
    case Qt::Key_Down:
    case Qt::Key_PageDown: {
        if (groups.empty()) break;
        const std::size_t g = view_.indexOfFirstVisibleGroup();
        if (g + 1 < groups.size()) scrollToGroupStart(g + 1);
        break;
    }
    default:
        return;
    }
    view_.selection().reselectAfterScrolling();
}

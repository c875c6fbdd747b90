// The table view: where the mouse is (the palette window with its title bar, the table,
// the font list, an attached sheet, a menu anywhere), and what follows from it: the hover
// selection, the palette taking or handing back the keys, and closing when the mouse
// leaves the palette.
#include "table/widgets/RbxCharView.h"

#include "core/ModifierFlags.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/SettingsKeys.h"
#include "core/Log.h"
#include "table/widgets/RbxMagnifier.h"

#include <QCursor>
#include <QEvent>

namespace {

// While the mouse is over the window's frame (the title bar) no crossing is reported:
// its position is looked at this often until it leaves the frame.
constexpr int TitleBarPollMs = 50;
constexpr int ModifierPollMs = 100;

} // namespace

bool RbxCharView::windowHasSheet() const { return controller_->hasAttachedSheet(); }

// ---------------------------------------------------------------- the tracked areas

void RbxCharView::trackWidget(int area, QWidget* widget) {
    if (tracked_[std::size_t(area)] == widget) return;
    untrack(area);
    if (!widget) return;
    tracked_[std::size_t(area)] = widget;
    widget->installEventFilter(this);
}

void RbxCharView::untrack(int area) {
    QPointer<QWidget>& w = tracked_[std::size_t(area)];
    // A widget tracked for two areas (the view is also inside the window) keeps its filter.
    if (w) {
        bool elsewhere = false;
        for (std::size_t i = 0; i < tracked_.size(); ++i)
            elsewhere = elsewhere || (int(i) != area && tracked_[i] == w);
        if (!elsewhere) w->removeEventFilter(this);
    }
    w = nullptr;
    if (area == WindowArea && titleBarTimer_) titleBarTimer_->stop();
}

bool RbxCharView::isTracking(int area) const { return area > 0 && area < int(tracked_.size()) && tracked_[std::size_t(area)]; }

void RbxCharView::setupViewTracking() {
    if (isMiniaturized_) return;
    trackWidget(WindowArea, window());
    trackWidget(ViewArea, this);
    trackWidget(FontListArea, controller_->fontListView());
}

void RbxCharView::removeTrackingRects() {
    for (int area : {WindowArea, ViewArea, FontListArea}) untrack(area);
}

void RbxCharView::setSheetTracking(QWidget* sheet, bool enable) {
    if (enable) {
        trackWidget(SheetArea, sheet);
        // The mouse is taken to be in the sheet when it appears.
        sheetEntered();
    } else {
        untrack(SheetArea);
        if (inSheet_) {
            inSheet_ = false;
            windowEntered();
        }
    }
    QPointer<RbxCharView> self(this);
    QTimer::singleShot(500, this, [self] {
        if (self) self->selectionRectChanged();
    });
}

bool RbxCharView::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type t = event->type();
    if (t != QEvent::Enter && t != QEvent::Leave) return QAbstractScrollArea::eventFilter(watched, event);
    for (int area : {WindowArea, ViewArea, FontListArea, SheetArea}) {
        if (tracked_[std::size_t(area)] != watched) continue;
        if (t == QEvent::Enter) mouseEntered(area);
        else mouseExited(area);
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

void RbxCharView::mouseEntered(int area) {
    switch (area) {
    case WindowArea:
        if (titleBarTimer_) titleBarTimer_->stop();
        windowEntered();
        break;
    case ViewArea: viewEntered(); break;
    case FontListArea: fontsEntered(); break;
    case SheetArea: sheetEntered(); break;
    default: break;
    }
}

void RbxCharView::mouseExited(int area) {
    switch (area) {
    case WindowArea: {
        // Over the title bar the mouse still counts as inside the window.
        QWidget* w = tracked_[WindowArea];
        const QPoint global = globalMouseLocation();
        if (w && w->isVisible() && w->frameGeometry().contains(global) && !w->geometry().contains(global)) {
            if (!titleBarTimer_) {
                titleBarTimer_ = new QTimer(this);
                titleBarTimer_->setInterval(TitleBarPollMs);
                connect(titleBarTimer_, &QTimer::timeout, this, &RbxCharView::checkTitleBarExit);
            }
            titleBarTimer_->start();
            return;
        }
        // Leaving the window is handled on the next turn of the event loop, after a sheet
        // or the font list had the chance to report the mouse.
        QPointer<RbxCharView> self(this);
        QTimer::singleShot(0, this, [self] {
            if (self) self->windowExited();
        });
        break;
    }
    case ViewArea: viewExited(); break;
    case FontListArea: fontsExited(); break;
    case SheetArea: sheetExited(); break;
    default: break;
    }
}

void RbxCharView::checkTitleBarExit() {
    QWidget* w = tracked_[WindowArea];
    const QPoint global = globalMouseLocation();
    if (w && w->isVisible() && w->frameGeometry().contains(global)) return;
    titleBarTimer_->stop();
    if (w && w->isVisible() && w->geometry().contains(global)) return;  // back inside: Enter follows
    windowExited();
}

// ---------------------------------------------------------------- the handlers

void RbxCharView::watchModifiers(bool on) {
    if (!on) {
        if (modifierTimer_) modifierTimer_->stop();
        return;
    }
    if (!modifierTimer_) {
        modifierTimer_ = new QTimer(this);
        modifierTimer_->setInterval(ModifierPollMs);
        connect(modifierTimer_, &QTimer::timeout, this, [this] {
            if (selectedCharIndex_ == kx::NotFound) return;
            const bool shift = currentModifierFlags() & kx::modifier::Shift;
            if (shift == shiftHeld_) return;
            shiftHeld_ = shift;
            selectionRectChanged();
        });
    }
    shiftHeld_ = currentModifierFlags() & kx::modifier::Shift;
    modifierTimer_->start();
}

void RbxCharView::windowEntered() {
    inWindow_ = true;
    window()->setMouseTracking(true);
    watchModifiers(true);
    if (!menuOpen_) activateWindow(true);
    const int view = RbxDefaults::userDefaults().integerForKey(rbx::key::view);
    if (view < 4) updateSelection();
    else if (view == 12) controller_->activateInfoView();
    else if (view == 11) controller_->activateSampleEditor();
    else if (view == 10) controller_->activatePreview();
    stopClosing();
}

void RbxCharView::windowExited() {
    inWindow_ = false;
    watchModifiers(false);
    updateSelection();
    if (inFonts_ || inSheet_ || menuOpen_ || magnifier_->isShown()) return;
    activateWindow(false);
    setFocus(Qt::OtherFocusReason);
    if (logFocus()) kx::log(QStringLiteral("FOCUS: windowExited"));
    window()->setMouseTracking(false);
    if (!isMiniaturized_) startClosing();
}

void RbxCharView::fontsEntered() {
    inFonts_ = true;
    if (!menuOpen_) {
        activateWindow(true);
        QWidget* fonts = controller_->fontListView();
        if (!windowHasSheet() && fonts && fonts->focusPolicy() != Qt::NoFocus && logFocus())
            kx::log(QStringLiteral("FOCUS: fontsEntered"));
    }
    updateSelection();
    stopClosing();
}

void RbxCharView::fontsExited() {
    inFonts_ = false;
    if (inWindow_ || inSheet_ || menuOpen_) return;
    activateWindow(false);
    updateSelection();
    setFocus(Qt::OtherFocusReason);
    if (logFocus()) kx::log(QStringLiteral("FOCUS: fontsExited"));
    startClosing();
}

void RbxCharView::viewEntered() {
    inWindow_ = inView_ = true;
    updateSelection();
    stopClosing();
}

void RbxCharView::viewExited() {
    inView_ = false;
    updateSelection();
}

void RbxCharView::sheetEntered() {
    inWindow_ = inSheet_ = true;
    if (windowHasSheet() && controller_->reenterShapeFinder()) {
        activateWindow(true);
        return;
    }
    updateSelection();
    stopClosing();
}

void RbxCharView::sheetExited() {
    inSheet_ = false;
    updateSelection();
}

void RbxCharView::noteMenuState(bool open) {
    if (open) menuOpened();
    else menuClosed();
}

void RbxCharView::menuOpened() {
    menuOpen_ = true;
    updateSelection();
}

void RbxCharView::menuClosed() {
    menuOpen_ = contextMenuOpen_ = false;
    // What the mouse did meanwhile is replayed.
    if (inWindow_) windowEntered();
    else if (inFonts_) fontsEntered();
    if (inView_) viewEntered();
    updateSelection();
}

// ---------------------------------------------------------------- keys and closing

void RbxCharView::activateWindow(bool activate) {
    if (windowHasSheet()) return;
    if (activate) {
        if (logFocus()) kx::log(QStringLiteral("FOCUS: activateWindow started"));
        controller_->activateApplication();
        controller_->updateToFrontApplication(false);
    } else if (!controller_->whatsNewWindowIsVisible() && controller_->isKeyWindow()) {
        controller_->deactivateApplication();
    }
}

void RbxCharView::startClosing() {
    if (inWindow_ || inFonts_ || windowHasSheet()) return;
    if (!RbxDefaults::userDefaults().boolForKey(rbx::key::mouseOutsideCloses)) return;
    controller_->fadeOut(0.3, 0.5);
}

void RbxCharView::stopClosing() { controller_->stopMouseOutsideFading(); }

void RbxCharView::setMiniaturized(bool miniaturized) {
    isMiniaturized_ = miniaturized;
    if (miniaturized) {
        windowExited();
        removeTrackingRects();
    } else {
        setupViewTracking();
    }
}

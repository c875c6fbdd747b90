// The table view's tracking of the mouse: the areas, the crossings, and what follows from
// them.
#include "table/widgets/RbxCharTracking.h"

#include "core/Log.h"
#include "core/ModifierFlags.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/SettingsKeys.h"
#include "table/widgets/RbxCharSelection.h"
#include "table/widgets/RbxCharView.h"
#include "table/widgets/RbxCharViewInternal.h"
#include "table/widgets/RbxMenuWatch.h"

#include <QCursor>
#include <QEvent>
#include <QTimer>

namespace {

// While the mouse is over the window's frame (the title bar) no crossing is reported:
// its position is looked at this often until it leaves the frame.
constexpr int TitleBarPollMs = 50;
constexpr int ModifierPollMs = 100;

} // namespace

RbxCharTracking::RbxCharTracking(RbxCharView& view) : view_(view) {
    RbxMenuWatch& menus = RbxMenuWatch::shared();
    connect(&menus, &RbxMenuWatch::menuOpened, this, &RbxCharTracking::menuOpened);
    connect(&menus, &RbxMenuWatch::menuClosed, this, &RbxCharTracking::menuClosed);
    menuOpen_ = menus.isMenuOpen();
}

RbxCharTracking::~RbxCharTracking() {
    removeTrackingRects();
    untrack(SheetArea);
}

bool RbxCharTracking::windowHasSheet() const { return view_.controller().hasAttachedSheet(); }

// ---------------------------------------------------------------- the tracked areas

void RbxCharTracking::trackWidget(int area, QWidget* widget) {
    if (tracked_[std::size_t(area)] == widget) return;
    untrack(area);
    if (!widget) return;
    tracked_[std::size_t(area)] = widget;
    widget->installEventFilter(this);
}

void RbxCharTracking::untrack(int area) {
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

bool RbxCharTracking::isTracking(int area) const { return area > 0 && area < int(tracked_.size()) && tracked_[std::size_t(area)]; }

void RbxCharTracking::setupViewTracking() {
    if (isMiniaturized_) return;
    trackWidget(WindowArea, view_.window());
    trackWidget(ViewArea, &view_);
    trackWidget(FontListArea, view_.controller().fontListView());
}

void RbxCharTracking::removeTrackingRects() {
    for (int area : {WindowArea, ViewArea, FontListArea}) untrack(area);
}

void RbxCharTracking::setSheetTracking(QWidget* sheet, bool enable) {
    if (enable) {
        trackWidget(SheetArea, sheet);
        // The mouse is taken to be in the sheet when it appears.
        sheetEntered();
    } else {
        untrack(SheetArea);
        if (inSheet_) {
            inSheet_ = false;
            // The sheet was taken to hold the mouse: where the mouse really is now decides
            // whether the window is entered again or was left meanwhile.
            QWidget* window = view_.window();
            if (window->isVisible() && window->frameGeometry().contains(view_.globalMouseLocation())) windowEntered();
            else if (inWindow_) windowExited();
        }
    }
    QPointer<RbxCharTracking> self(this);
    QTimer::singleShot(500, this, [self] {
        if (self) self->view_.selection().selectionRectChanged();
    });
}

bool RbxCharTracking::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type t = event->type();
    if (t != QEvent::Enter && t != QEvent::Leave) return false;
    for (int area : {WindowArea, ViewArea, FontListArea, SheetArea}) {
        if (tracked_[std::size_t(area)] != watched) continue;
        if (t == QEvent::Enter) mouseEntered(area);
        else mouseExited(area);
    }
    return false;
}

void RbxCharTracking::mouseEntered(int area) {
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

void RbxCharTracking::mouseExited(int area) {
    switch (area) {
    case WindowArea: {
        if (overTitleBar()) {
            if (!titleBarTimer_) {
                titleBarTimer_ = new QTimer(this);
                titleBarTimer_->setInterval(TitleBarPollMs);
                connect(titleBarTimer_, &QTimer::timeout, this, &RbxCharTracking::checkTitleBarExit);
            }
            titleBarTimer_->start();
            return;
        }
        // Leaving the window is handled on the next turn of the event loop, after a sheet
        // or the font list had the chance to report the mouse.
        QPointer<RbxCharTracking> self(this);
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

bool RbxCharTracking::overTitleBar() const {
    QWidget* w = tracked_[WindowArea];
    const QPoint global = view_.globalMouseLocation();
    return w && w->isVisible() && w->frameGeometry().contains(global) && !w->geometry().contains(global);
}

void RbxCharTracking::checkTitleBarExit() {
    QWidget* w = tracked_[WindowArea];
    const QPoint global = view_.globalMouseLocation();
    if (w && w->isVisible() && w->frameGeometry().contains(global)) return;
    titleBarTimer_->stop();
    if (w && w->isVisible() && w->geometry().contains(global)) return;  // back inside: Enter follows
    windowExited();
}

// ---------------------------------------------------------------- the handlers

void RbxCharTracking::watchModifiers(bool on) {
    if (!on) {
        if (modifierTimer_) modifierTimer_->stop();
        return;
    }
    if (!modifierTimer_) {
        modifierTimer_ = new QTimer(this);
        modifierTimer_->setInterval(ModifierPollMs);
        connect(modifierTimer_, &QTimer::timeout, this, &RbxCharTracking::shiftMayHaveChanged);
    }
    shiftHeld_ = view_.currentModifierFlags() & kx::modifier::Shift;
    modifierTimer_->start();
}

void RbxCharTracking::shiftMayHaveChanged() {
    if (view_.selectedCharIndex() == kx::NotFound) return;
    const bool shift = view_.currentModifierFlags() & kx::modifier::Shift;
    if (shift == shiftHeld_) return;
    shiftHeld_ = shift;
    view_.selection().selectionRectChanged();
}

void RbxCharTracking::windowEntered() {
    inWindow_ = true;
    view_.window()->setMouseTracking(true);
    watchModifiers(true);
    if (!menuOpen_) activateWindow(true);
    const int view = RbxDefaults::userDefaults().integerForKey(rbx::key::view);
    if (view < 4) view_.selection().updateSelection();
    else if (view == 12) view_.controller().activateInfoView();
    else if (view == 11) view_.controller().activateSampleEditor();
    else if (view == 10) view_.controller().activatePreview();
    stopClosing();
}

void RbxCharTracking::windowExited() {
    inWindow_ = false;
    watchModifiers(false);
    view_.selection().updateSelection();
    if (inFonts_ || inSheet_ || menuOpen_ || view_.selection().magnifierHoldsKeys()) return;
    activateWindow(false);
    view_.setFocus(Qt::OtherFocusReason);
    if (logFocus()) kx::log(QStringLiteral("FOCUS: windowExited"));
    view_.window()->setMouseTracking(false);
    if (!isMiniaturized_) startClosing();
}

void RbxCharTracking::fontsEntered() {
    inFonts_ = true;
    if (!menuOpen_) {
        activateWindow(true);
        QWidget* fonts = view_.controller().fontListView();
        if (!windowHasSheet() && fonts && fonts->focusPolicy() != Qt::NoFocus && logFocus())
            kx::log(QStringLiteral("FOCUS: fontsEntered"));
    }
    view_.selection().updateSelection();
    stopClosing();
}

void RbxCharTracking::fontsExited() {
    inFonts_ = false;
    if (inWindow_ || inSheet_ || menuOpen_) return;
    activateWindow(false);
    view_.selection().updateSelection();
    view_.setFocus(Qt::OtherFocusReason);
    if (logFocus()) kx::log(QStringLiteral("FOCUS: fontsExited"));
    startClosing();
}

void RbxCharTracking::viewEntered() {
    inWindow_ = inView_ = true;
    view_.selection().updateSelection();
    stopClosing();
}

void RbxCharTracking::viewExited() {
    inView_ = false;
    view_.selection().updateSelection();
}

void RbxCharTracking::sheetEntered() {
    inWindow_ = inSheet_ = true;
    if (windowHasSheet() && view_.controller().reenterShapeFinder()) {
        activateWindow(true);
        return;
    }
    view_.selection().updateSelection();
    stopClosing();
}

void RbxCharTracking::sheetExited() {
    inSheet_ = false;
    view_.selection().updateSelection();
}

void RbxCharTracking::menuOpened() {
    menuOpen_ = true;
    view_.selection().updateSelection();
}

void RbxCharTracking::menuClosed() {
    menuOpen_ = contextMenuOpen_ = false;
    // The menu held the pointer: the window may have missed the mouse leaving it.
    QWidget* window = view_.window();
    if (inWindow_ && !window->rect().contains(window->mapFromGlobal(QCursor::pos()))) inWindow_ = inView_ = false;
    // What the mouse did meanwhile is replayed.
    if (inWindow_) windowEntered();
    else if (inFonts_) fontsEntered();
    else windowExited();
    if (inView_) viewEntered();
    view_.selection().updateSelection();
}

// ---------------------------------------------------------------- keys and closing

void RbxCharTracking::activateWindow(bool activate) {
    if (windowHasSheet()) return;
    if (activate) {
        if (logFocus()) kx::log(QStringLiteral("FOCUS: activateWindow started"));
        // Keys typed over the palette go to the table (and from there to the search
        // field) unless another of its widgets has the keyboard.
        if (!view_.window()->focusWidget()) view_.setFocus(Qt::OtherFocusReason);
        view_.controller().activateApplication();
        view_.controller().updateToFrontApplication(false);
    } else if (!view_.controller().whatsNewWindowIsVisible() && view_.controller().isKeyWindow()) {
        view_.controller().deactivateApplication();
    }
}

void RbxCharTracking::startClosing() {
    if (inWindow_ || inFonts_ || windowHasSheet()) return;
    if (!RbxDefaults::userDefaults().boolForKey(rbx::key::mouseOutsideCloses)) return;
    view_.controller().fadeOut(0.3, 0.5);
}

void RbxCharTracking::stopClosing() { view_.controller().stopMouseOutsideFading(); }

void RbxCharTracking::windowOrderedOut() {
    // A closed palette is left: the mouse is in none of its areas and the keyboard goes
    // back to the window that had it.
    const bool wasIn = inWindow_ || inFonts_ || inView_;
    inWindow_ = inView_ = inFonts_ = false;
    watchModifiers(false);
    if (titleBarTimer_) titleBarTimer_->stop();
    if (wasIn) activateWindow(false);
}

void RbxCharTracking::setMiniaturized(bool miniaturized) {
    isMiniaturized_ = miniaturized;
    if (miniaturized) {
        windowExited();
        removeTrackingRects();
    } else {
        setupViewTracking();
    }
}

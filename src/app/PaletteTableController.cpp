#include "app/PaletteTableController.h"

#include "app/PaletteTable.h"
#include "app/RbxCharWindowController.h"
#include "insertion/RbxPoster.h"
#include "platform/x11/Ewmh.h"
#include "platform/x11/X11Session.h"
#include "table/widgets/RbxCharView.h"

#include <QApplication>
#include <QLineEdit>

#include <unistd.h>

namespace {

// The active window of the display and whether it belongs to this process.
unsigned long activeWindow(bool* ours) {
    X11Session& s = X11Session::shared();
    if (!s.isAvailable()) return 0;
    const unsigned long w = ewmh::activeWindow(s);
    if (ours) *ours = w && ewmh::windowPid(s, w) == int(getpid());
    return w;
}

} // namespace

PaletteTableController::PaletteTableController(RbxCharWindowController& controller) : c_(controller) {}

std::shared_ptr<RbxPoster> PaletteTableController::install(RbxCharWindowController& controller, RbxCharView& view) {
    view.setController(std::make_shared<PaletteTableController>(controller));
    auto system = std::make_shared<RbxPostingSystem>();
    system->installPostingTap();
    auto poster = std::make_shared<RbxPoster>(&view, system);
    view.setPosting(poster);

    QPointer<RbxCharView> v(&view);
    RbxCharWindowController::Extensions& ext = controller.extensions();
    ext.enablePostingTap = [system](bool on) {
        if (on) system->enablePostingTap();
        else system->disablePostingTap();
    };
    ext.setupViewTracking = [v] {
        if (v) v->setupViewTracking();
    };
    ext.setSheetTracking = [v](QWidget* sheet, bool on) {
        if (v) v->setSheetTracking(sheet, on);
    };
    ext.mouseInFonts = [v] { return v && v->mouseInFonts(); };
    ext.menuOpen = [v] { return v && v->menuOpen(); };
    ext.hideMagnifier = [v] {
        if (v) v->magnifierPopover().close();
    };
    return poster;
}

bool PaletteTableController::hasAttachedSheet() const { return c_.hasSheet(); }

bool PaletteTableController::isKeyWindow() const {
    const QWidget* w = c_.window();
    return w && QApplication::activeWindow() == w;
}

void PaletteTableController::activateApplication() {
    // The palette does not take the keyboard from the application the user types in; it
    // only notes that application's window, to give the keyboard back to it should the
    // palette have taken it (with a sheet that needs keys).
    bool ours = false;
    const unsigned long w = activeWindow(&ours);
    if (w && !ours) previousActive_ = w;
}

void PaletteTableController::deactivateApplication() {
    bool ours = false;
    activeWindow(&ours);
    if (!ours || !previousActive_) return;
    ewmh::activateWindow(X11Session::shared(), previousActive_);
}

void PaletteTableController::fadeOut(double duration, double delay) { c_.fadeOut(float(duration), float(delay)); }

void PaletteTableController::stopMouseOutsideFading() { c_.stopMouseOutsideFading(); }

void PaletteTableController::updateToFrontApplication(bool force) {
    if (c_.extensions().updateToFrontApplication) c_.extensions().updateToFrontApplication(force);
}

QWidget* PaletteTableController::searchField() const { return c_.searchField(); }

void PaletteTableController::updateRecentGroup() {
    // Only a table that shows recent characters changes: its groups are built anew from
    // the layout (the table keeps its place through the layout's anchor).
    auto* view = qobject_cast<RbxCharView*>(c_.charView());
    if (!view) return;
    bool showsRecents = view->showingRecentLayout();
    for (const RbxTableGroup& g : view->groups()) showsRecents = showsRecents || g.groupKind() == RbxRecentGroupKind;
    if (showsRecents) c_.table().reload();
}

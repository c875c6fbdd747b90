// The table view: presses, drags and releases. A release of the left button over a cell
// inserts the character under the mouse at that moment; the other buttons mark fonts or
// open menus, and never insert.
#include "table/widgets/RbxCharView.h"

#include "kxlib/RbxDefaults.h"
#include "kxlib/SettingsKeys.h"
#include "core/Log.h"
#include "core/ModifierFlags.h"
#include "table/core/RbxGeometry.h"
#include "table/core/RbxPictureStrings.h"
#include "table/widgets/RbxCharSelection.h"
#include "table/widgets/RbxCharTracking.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <algorithm>

using namespace rbx::geom;

namespace {

// The button a press stands for: Control (Super) makes any left press a right one,
// Command (Ctrl) a middle one.
int buttonOfPress(Qt::MouseButton button, std::uint32_t flags) {
    if (button == Qt::RightButton) return RbxCharView::RightClick;
    if (button != Qt::LeftButton) return RbxCharView::OtherClick;
    if (flags & kx::modifier::Control) return RbxCharView::RightClick;
    if (flags & kx::modifier::Command) return RbxCharView::OtherClick;
    return RbxCharView::LeftClick;
}

} // namespace

void RbxCharView::handlePress(QMouseEvent* event, int clickCount) {
    const std::uint32_t flags = kx::modifier::fromQt(event->modifiers());
    handleClick(event->position().toPoint(), buttonOfPress(event->button(), flags), clickCount, flags,
                event->globalPosition().toPoint(), event->button() == Qt::RightButton);
}

void RbxCharView::mousePressEvent(QMouseEvent* event) { handlePress(event, 1); }

void RbxCharView::mouseDoubleClickEvent(QMouseEvent* event) { handlePress(event, 2); }

void RbxCharView::mouseMoveEvent(QMouseEvent* event) {
    selection_->updateSelection();
    if (event->buttons() != Qt::NoButton && selection_->duringClick()) autoscroll();
}

void RbxCharView::mouseReleaseEvent(QMouseEvent* event) { mouseUp(event->button()); }

void RbxCharView::mouseUp(Qt::MouseButton released) {
    // Any release ends the press in progress; only the left button inserts. While a menu
    // of the table is open the press belongs to the menu (it ends the press on closing).
    const int button = selection_->clickButton();
    if (button == NoClick || button == ProgrammaticClick || tracking_->contextMenuOpen()) return;
    handleMouseUp(released == Qt::LeftButton ? button : NoClick);
}

double RbxCharView::hotCornerSize(const QSizeF& cell) {
    const double side = std::min(cell.width(), cell.height());
    return side < 45 ? 16 * side / 45 : 16;
}

void RbxCharView::handleClick(const QPoint& p, int b, int clickCount, std::uint32_t flags, const QPoint& globalPoint,
                              bool rightButtonEvent) {
    if (tracking_->menuOpen()) return;
    const QPointF tablePoint = tablePointFromViewport(QPointF(p) + QPointF(0.5, 0.5));
    if (const RbxTableGroup* g = groupAtPoint(tablePoint); g && g->headerContainsPoint(tablePoint)) {
        headerClick(std::size_t(g - table_.groups().data()), tablePoint, clickCount, rightButtonEvent ? 3 : 1, flags,
                    globalPoint);
        return;
    }
    // The hover selection is the clicked cell; make sure it has seen where the mouse is.
    selection_->updateSelection();
    const char32_t c = selectedCharacter();
    if (b == OtherClick && c != 0) {
        controller_->markFontsContainingCharacter(c);
        return;
    }
    if (b == RightClick) {
        // The menu takes the release; no press is left in progress.
        showContextMenu(globalPoint);
        return;
    }
    if (clickCount >= 2) return;
    if (c != 0 && openPictureMenuAt(c, tablePoint)) return;
    selection_->setClickButton(b);
    startAutoScrolling();
}

bool RbxCharView::takesSkinTone(char32_t c) const {
    const kx::CharSet* emoji = sources_->colorEmojiCharacters();
    if (!emoji || !emoji->contains(c)) return false;
    const kx::CharSet* modifiable = sources_->modifiableEmojiCharacters();
    return modifiable && modifiable->contains(c);
}

// A press on the hot corner of an emoji that takes a skin tone, or that is shown as text or
// as emoji, opens the menu of its pictures.
bool RbxCharView::openPictureMenuAt(char32_t c, const QPointF& tablePoint) {
    const kx::CharSet* textOrEmoji = sources_->textOrEmojiCharacters();
    const bool skins = takesSkinTone(c);
    const bool presentations = !skins && textOrEmoji && textOrEmoji->contains(c);
    const QRectF cell = rectForCharacterAtIndex(selectedCharIndex());
    if (!(skins || presentations) || cell.isEmpty()) return false;
    const double s = hotCornerSize(cell.size());
    if (tablePoint.x() < maxX(cell) - s || tablePoint.y() >= minY(cell) + s) return false;
    std::unique_ptr<QMenu> menu = skins ? controller_->skinsMenu(c) : controller_->emojiTextMenu(c);
    if (!menu) return false;
    menu->setTitle(skins ? QStringLiteral("Skins") : QStringLiteral("EmojiText"));
    openPictureMenu(std::move(menu), viewportRectFromTable(cell));
    return true;
}

void RbxCharView::openPictureMenu(std::unique_ptr<QMenu> menu, const QRectF& cell) {
    tracking_->removeTrackingRects();
    tracking_->setContextMenuOpen(true);
    selection_->setClickButton(LeftClick);
    selection_->hideMagnifier();
    // Centred over the cell, overlapping its top by 8 points.
    const QSize size = menu->sizeHint();
    const QPoint topLeft = viewport()->mapToGlobal(
        QPointF(cell.x() + (cell.width() - size.width()) * 0.5 - 1, cell.y() - size.height() + 8).toPoint());
    QMenu* m = menu.release();
    m->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<RbxCharView> self(this);
    connect(m, &QMenu::aboutToHide, this, [self] {
        if (!self) return;
        self->tracking_->setContextMenuOpen(false);
        self->selection_->setClickButton(NoClick);
        self->selection_->invalidateSelection();
        self->tracking_->setupViewTracking();
    });
    m->popup(topLeft);
}

bool RbxCharView::showContextMenu(const QPoint& globalPoint) {
    const char32_t c = selectedCharacter();
    std::unique_ptr<QMenu> menu = controller_->contextMenu(c);
    if (!menu || menu->isEmpty()) return false;
    QPoint at = globalPoint;
    if (c != 0) {
        // The top-right corner of the selected cell.
        const QRectF cell = viewportRectFromTable(rectForCharacterAtIndex(selectedCharIndex()));
        if (!cell.isEmpty()) at = viewport()->mapToGlobal(cell.topRight().toPoint());
    }
    tracking_->setContextMenuOpen(true);
    selection_->hideMagnifier();
    QMenu* m = menu.release();
    m->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<RbxCharView> self(this);
    connect(m, &QMenu::aboutToHide, this, [self] {
        if (self) self->tracking_->setContextMenuOpen(false);
    });
    m->popup(at);
    return true;
}

void RbxCharView::handleMouseUp(int button) {
    selection_->setClickButton(NoClick);
    stopAutoScrolling();
    selection_->invalidateSelection();
    if (button != LeftClick) return;
    if (const char32_t c = selectedCharacter()) {
        postCharacter(c, QString());
        afterPosting();
    }
}

// ---------------------------------------------------------------- auto-scrolling

void RbxCharView::startAutoScrolling() {
    if (!autoScrollTimer_) {
        autoScrollTimer_ = new QTimer(this);
        autoScrollTimer_->setInterval(10);
        connect(autoScrollTimer_, &QTimer::timeout, this, [this] { autoscroll(); });
    }
    autoScrollTimer_->start();
}

void RbxCharView::stopAutoScrolling() {
    if (autoScrollTimer_) autoScrollTimer_->stop();
}

bool RbxCharView::isAutoScrolling() const { return autoScrollTimer_ && autoScrollTimer_->isActive(); }

bool RbxCharView::autoscroll() {
    if (!selection_->duringClick()) {
        stopAutoScrolling();
        return false;
    }
    const QPointF p = currentMouseLocation();
    const double height = viewport()->height();
    const QRectF visible = scrollArea();
    const double top = maxY(visible);
    double y = top;
    if (p.y() < 0) y = top - p.y();
    else if (p.y() > height) y = top - (p.y() - height);
    if (y == top) return false;
    const double before = scrollValue();
    scrollToY(std::clamp(y, visible.height(), double(table_.tableHeight())));
    if (scrollValue() == before) return false;
    selection_->updateSelection();
    return true;
}

// ---------------------------------------------------------------- after posting

void RbxCharView::afterPosting() {
    controller_->updateRecentGroup();
    RbxDefaults& d = RbxDefaults::userDefaults();
    if (d.boolForKey(rbx::key::insertionCloses)) {
        controller_->fadeOut(0, 0);
        return;
    }
    if (d.boolForKey(rbx::key::hiliteRecentCharacters)) {
        defineRecentCharactersToHilite();
        viewport()->update();
    }
}

// ---------------------------------------------------------------- picture-menu choices

void RbxCharView::postSkinnedString(const QString& s) {
    postCharacter(rbx::pictures::firstCodePoint(s), s);
    afterPosting();
}

void RbxCharView::delayedPostSkinnedString(const QVariant& string) {
    QPointer<RbxCharView> self(this);
    QTimer::singleShot(100, this, [self, s = string.toString()] {
        if (self) self->postSkinnedString(s);
    });
}

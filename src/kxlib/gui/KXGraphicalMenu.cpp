#include "kxlib/gui/KXGraphicalMenu.h"

#include "core/Log.h"
#include "kxlib/gui/KXAppearance.h"
#include "kxlib/gui/KXDynamicColor.h"

#include <QApplication>
#include <QCursor>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWidgetAction>

// ---------------------------------------------------------------- items

namespace {

QByteArray signatureOf(const QByteArray& action) { return action + "(QVariant)"; }

} // namespace

bool KXGraphicalItem::targetResponds() const {
    return target && !action.isEmpty() &&
           target->metaObject()->indexOfMethod(QMetaObject::normalizedSignature(signatureOf(action).constData())) >= 0;
}

void KXGraphicalItem::performAction() const {
    if (!targetResponds()) {
        const QString owner = target ? QString::fromLatin1(target->metaObject()->className()) : QStringLiteral("(nil)");
        kx::log(QStringLiteral("%1 object does not respond to %2").arg(owner, QString::fromLatin1(action)));
        return;
    }
    QTimer::singleShot(0, target.data(), [target = target, action = action, argument = argument] {
        if (target) QMetaObject::invokeMethod(target.data(), action.constData(), Q_ARG(QVariant, argument));
    });
}

// ---------------------------------------------------------------- the canvas

KXGraphicalMenuView::KXGraphicalMenuView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
}

void KXGraphicalMenuView::addItem(KXGraphicalItem item) {
    frame_ = frame_.isEmpty() ? item.rect : frame_.united(item.rect);
    items_.push_back(std::move(item));
    setFixedSize(frame_.size());
    update();
}

int KXGraphicalMenuView::itemAt(const QPoint& point) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].rect.contains(point)) return int(i) + 1;
    return 0;
}

void KXGraphicalMenuView::track(int item) {
    if (item == tracked_) return;
    tracked_ = item;
    update();
}

void KXGraphicalMenuView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), KXAppearance::currentIsDark() ? QColor::fromRgbF(0.13f, 0.13f, 0.13f)
                                                     : palette().color(QPalette::Window));
    for (std::size_t i = 0; i < items_.size(); ++i) {
        const KXGraphicalItem& item = items_[i];
        if (int(i) + 1 == tracked_) p.fillRect(item.rect, KXDynamicColor::menuItemHighlightColor().effectiveColor());
        p.drawImage(QRectF(item.rect), item.image);
    }
}

// Hovering and dragging both follow the item under the mouse.
void KXGraphicalMenuView::mouseMoveEvent(QMouseEvent* event) {
    track(itemAt(event->position().toPoint()));
    event->accept();
}

void KXGraphicalMenuView::mousePressEvent(QMouseEvent* event) {
    track(itemAt(event->position().toPoint()));
    event->accept();
}

void KXGraphicalMenuView::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    track(itemAt(event->position().toPoint()));
    emit released(tracked_);
}

void KXGraphicalMenuView::leaveEvent(QEvent*) { track(0); }

// ---------------------------------------------------------------- the menu

KXGraphicalMenu::KXGraphicalMenu(const QString& title, QWidget* parent) : QMenu(title, parent) {
    first_ = new QWidgetAction(this);
    first_->setText(QStringLiteral("FIRST"));
    canvas_ = new KXGraphicalMenuView();
    first_->setDefaultWidget(canvas_);
    addAction(first_);
    connect(canvas_, &KXGraphicalMenuView::released, this, &KXGraphicalMenu::canvasReleased);
}

void KXGraphicalMenu::addImage(const QImage& image, const QRect& rect, const QByteArray& action, QObject* target,
                               const QVariant& argument) {
    canvas_->addItem(KXGraphicalItem{image, rect, action, target, argument});
}

void KXGraphicalMenu::graphicalItemSelected(const QVariant& item) {
    kx::log(QStringLiteral("item selected: %1").arg(item.toString()));
}

void KXGraphicalMenu::canvasReleased(int item) {
    // The item is copied before the menu closes: closing may end the menu's life.
    const bool chosen = item > 0 && std::size_t(item) <= canvas_->items().size();
    const KXGraphicalItem choice = chosen ? canvas_->items()[std::size_t(item) - 1] : KXGraphicalItem{};
    close();
    if (chosen) choice.performAction();
}

void KXGraphicalMenu::showEvent(QShowEvent* event) {
    openedAt_ = QCursor::pos();
    opened_.start();
    QMenu::showEvent(event);
}

void KXGraphicalMenu::mouseReleaseEvent(QMouseEvent* event) {
    if (!rect().contains(event->position().toPoint())) {
        const bool openingClick = opened_.isValid() && opened_.elapsed() < QApplication::doubleClickInterval() &&
                                  (event->globalPosition().toPoint() - openedAt_).manhattanLength() <
                                      QApplication::startDragDistance();
        if (!openingClick) {
            event->accept();
            close();
            return;
        }
    }
    QMenu::mouseReleaseEvent(event);
}

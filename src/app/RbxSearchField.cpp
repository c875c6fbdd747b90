#include "app/RbxSearchField.h"

#include "kxlib/gui/MenuExtensions.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QToolButton>

namespace {

// A magnifying glass with a small triangle: the button opens a menu.
QIcon templateIcon(const QPalette& palette) {
    QPixmap pixmap(QSize(32, 32));
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(palette.color(QPalette::Text), 2.6));
    p.drawEllipse(QRectF(3, 4, 15, 15));
    p.drawLine(QPointF(16, 17), QPointF(22, 23));
    QPainterPath triangle;
    triangle.moveTo(22, 8);
    triangle.lineTo(30, 8);
    triangle.lineTo(26, 13);
    triangle.closeSubpath();
    p.fillPath(triangle, palette.color(QPalette::Text));
    return QIcon(pixmap);
}

} // namespace

RbxSearchField::RbxSearchField(QWidget* parent) : QLineEdit(parent) {}

void RbxSearchField::setTemplateMenu(QMenu* menu) {
    menu_ = menu;
    if (!menu) {
        if (templateAction_) {
            removeAction(templateAction_);
            delete templateAction_;
            templateAction_ = nullptr;
        }
        return;
    }
    if (templateAction_) return;
    templateAction_ = new QAction(templateIcon(palette()), QStringLiteral("Search Templates"), this);
    addAction(templateAction_, QLineEdit::LeadingPosition);
    connect(templateAction_, &QAction::triggered, this, &RbxSearchField::showTemplateMenu);
    // The button the field made for the action: named, so it can be found.
    for (QToolButton* b : findChildren<QToolButton*>())
        if (b->defaultAction() == templateAction_) b->setObjectName(QStringLiteral("searchTemplatesButton"));
}

void RbxSearchField::showTemplateMenu() {
    // Once the click that asked for it is over, so that the menu can take the pointer.
    QTimer::singleShot(0, this, [this] {
        if (menu_ && isVisible()) kx::menu::pullDownBelow(*menu_, *this, 2.0);
    });
}

void RbxSearchField::keyPressEvent(QKeyEvent* event) {
    ++keyDepth_;
    QLineEdit::keyPressEvent(event);
    --keyDepth_;
    if (!event->isAccepted() && (event->modifiers() & Qt::ControlModifier) && unusedShortcut_ && unusedShortcut_(event))
        event->accept();
}

void RbxSearchField::keyReleaseEvent(QKeyEvent* event) {
    ++keyDepth_;
    QLineEdit::keyReleaseEvent(event);
    --keyDepth_;
}

bool RbxSearchField::focusNextPrevChild(bool next) {
    if (next && next_ && next_->isVisible() && next_->isEnabled()) {
        next_->setFocus(Qt::TabFocusReason);
        return true;
    }
    return QLineEdit::focusNextPrevChild(next);
}

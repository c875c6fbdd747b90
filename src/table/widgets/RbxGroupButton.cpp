#include "table/widgets/RbxGroupButton.h"

#include "kxlib/gui/KXDynamicImage.h"
#include "kxlib/gui/MenuExtensions.h"
#include "table/widgets/RbxCharView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>

namespace {

QIcon groupIcon(bool visible) {
    const KXDynamicImage image = KXDynamicImage::imageNamed(visible ? QStringLiteral("visibleGroup")
                                                                    : QStringLiteral("invisibleGroup"));
    if (!image.isValid()) return {};
    QPixmap pixmap = QPixmap::fromImage(image.effectiveImage());
    pixmap.setDevicePixelRatio(image.effectiveImage().width() / std::max(1.0, image.size().width()));
    return QIcon(pixmap);
}

QFont smallSystemFont() {
    QFont f = QApplication::font();
    if (f.pointSizeF() > 0) f.setPointSizeF(std::max(6.0, f.pointSizeF() - 2));
    return f;
}

} // namespace

RbxGroupButton::RbxGroupButton(RbxCharView* view, QWidget* parent) : QPushButton(parent), rbxCharView_(view) {
    setContextMenuPolicy(Qt::DefaultContextMenu);
}

std::unique_ptr<QMenu> RbxGroupButton::groupsMenu() const {
    auto menu = std::make_unique<QMenu>();
    menu->addAction(QCoreApplication::translate("RbxGroupButton", "Groups"))->setEnabled(false);
    RbxCharView* view = rbxCharView_;
    if (!view) return menu;
    const QFont small = smallSystemFont();
    std::size_t total = 0;
    const auto& groups = view->groups();
    for (std::size_t i = 0; i < groups.size(); ++i) {
        const RbxTableGroup& g = groups[i];
        QAction* item = menu->addAction(groupIcon(view->isGroupVisible(g)), g.displayName());
        item->setFont(small);
        item->setData(qulonglong(i));
        QPointer<RbxCharView> v(view);
        QObject::connect(item, &QAction::triggered, view, [v, i] {
            if (v) v->scrollToGroup(i);
        });
        if (g.groupKind() != RbxFavoritesGroupKind) total += g.count();
    }
    menu->addSeparator();
    QAction* sum = menu->addAction(
        QCoreApplication::translate("RbxGroupButton", "Total: %1 characters").arg(qulonglong(total)));
    sum->setFont(small);
    sum->setEnabled(false);
    return menu;
}

void RbxGroupButton::pullDown() {
    setDown(true);
    QMenu* menu = groupsMenu().release();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<RbxGroupButton> self(this);
    connect(menu, &QMenu::aboutToHide, this, [self] {
        if (self) self->setDown(false);
    });
    kx::menu::pullDownBelow(*menu, *this, -2.0);
}

void RbxGroupButton::mousePressEvent(QMouseEvent* event) {
    // Every button pulls the menu down.
    event->accept();
    pullDown();
}

void RbxGroupButton::contextMenuEvent(QContextMenuEvent* event) {
    // No menu of its own beyond the groups.
    event->accept();
}

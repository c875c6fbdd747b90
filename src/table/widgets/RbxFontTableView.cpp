#include "table/widgets/RbxFontTableView.h"

#include "table/widgets/RbxCharKeys.h"
#include "table/widgets/RbxCharView.h"

#include <QKeyEvent>

RbxFontTableView::RbxFontTableView(QWidget* parent) : QTableView(parent) {}

void RbxFontTableView::setCharView(RbxCharView* view) { charView_ = view; }

void RbxFontTableView::keyPressEvent(QKeyEvent* event) {
    RbxCharView* view = charView_ ? charView_.data() : RbxCharView::view();
    if (view && view->keys().handleHardWiredShortcut(event)) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

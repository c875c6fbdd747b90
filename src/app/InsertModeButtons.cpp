#include "app/InsertModeButtons.h"

#include "core/InsertMode.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/gui/MenuExtensions.h"

#include <QKeyEvent>
#include <QMenu>

namespace {
constexpr double PullDownOffset = 2;
} // namespace

RbxPullDownButton::RbxPullDownButton(QWidget* parent) : QToolButton(parent) {
    menu_ = new QMenu(this);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::ArrowCursor);
    setAutoRaise(true);
}

void RbxPullDownButton::pullDown() { kx::menu::pullDownBelow(*menu_, *this, PullDownOffset); }

void RbxPullDownButton::mousePressEvent(QMouseEvent* event) {
    event->accept();
    pullDown();
}

void RbxPullDownButton::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Down:
        pullDown();
        return;
    default:
        QToolButton::keyPressEvent(event);
    }
}

void RbxPullDownButton::paintEvent(QPaintEvent* event) {
    // The button is a clear area over the segment's arrow; only the focus shows.
    if (hasFocus()) QToolButton::paintEvent(event);
}

const QList<int>& RbxFormattedSizeButton::sizes() {
    static const QList<int> s{9, 10, 11, 12, 13, 14, 18, 24, 36, 48, 64, 72};
    return s;
}

RbxFormattedSizeButton::RbxFormattedSizeButton(QWidget* parent) : RbxPullDownButton(parent) {
    setObjectName(QStringLiteral("formattedSizeButton"));
    menu_->setObjectName(QStringLiteral("sizeMenu"));
    for (const int size : sizes()) menu_->addAction(QString::number(size));
}

void RbxFormattedSizeButton::reformatSizeMenu() {
    menu_->setTitle(QString());
    QFont small = font();
    small.setPixelSize(11);
    for (QAction* item : menu_->actions()) item->setFont(small);
}

void RbxFormattedSizeButton::pullDown() {
    reformatSizeMenu();
    RbxPullDownButton::pullDown();
}

RbxInsertTypeButton::RbxInsertTypeButton(QWidget* parent) : RbxPullDownButton(parent) {
    setObjectName(QStringLiteral("insertTypesButton"));
    menu_->setObjectName(QStringLiteral("typesMenu"));
    for (const InsertMode mode : {InsertMode::HTML, InsertMode::Swift, InsertMode::Decimal, InsertMode::Hex,
                                  InsertMode::Name, InsertMode::Description}) {
        QAction* item = menu_->addAction(RbxDefaults::applicationInsertModeAsString(mode));
        item->setData(insertModeNumber(mode));
    }
}

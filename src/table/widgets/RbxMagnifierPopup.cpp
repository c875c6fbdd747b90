#include "table/widgets/RbxMagnifierPopup.h"

#include "kxlib/gui/KXAppearance.h"
#include "table/widgets/RbxMagnifierView.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace {

constexpr int Radius = 8;
constexpr int ArrowHalfWidth = 10;

// The colours of the popover in the appearance of the moment.
QPalette popoverPalette(const QPalette& base, bool dark) {
    QPalette p = base;
    const QColor body = dark ? QColor(0x2C, 0x2C, 0x2E) : QColor(0xF6, 0xF6, 0xF6);
    const QColor text = dark ? QColor(0xF2, 0xF2, 0xF2) : QColor(0x1C, 0x1C, 0x1E);
    const QColor secondary = dark ? QColor(0xA0, 0xA0, 0xA6) : QColor(0x6E, 0x6E, 0x73);
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::Window, body);
        p.setColor(group, QPalette::WindowText, text);
        p.setColor(group, QPalette::Text, text);
        p.setColor(group, QPalette::PlaceholderText, secondary);
    }
    return p;
}

} // namespace

RbxMagnifierWindow::RbxMagnifierWindow()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                           Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Magnifier"));
    content_ = new RbxMagnifierView(this);
}

QPainterPath RbxMagnifierWindow::outline(const QSize& size, const RbxPopupPlacement& placement) {
    const bool below = placement.arrowEdge == RbxPopupPlacement::ArrowEdge::Bottom;
    const QRectF body(0, below ? 0 : ArrowHeight, size.width(), size.height() - ArrowHeight);
    QPainterPath path;
    path.addRoundedRect(body, Radius, Radius);
    const double tip = placement.arrowX;
    QPolygonF arrow;
    if (below) arrow << QPointF(tip - ArrowHalfWidth, body.bottom() - 1) << QPointF(tip, size.height())
                     << QPointF(tip + ArrowHalfWidth, body.bottom() - 1);
    else arrow << QPointF(tip - ArrowHalfWidth, body.top() + 1) << QPointF(tip, 0)
               << QPointF(tip + ArrowHalfWidth, body.top() + 1);
    QPainterPath pointer;
    pointer.addPolygon(arrow);
    pointer.closeSubpath();
    return path.united(pointer);
}

void RbxMagnifierWindow::present(char32_t c, const rbx::Font& font, const QRect& cell) {
    const bool dark = KXAppearance::currentIsDark();
    setPalette(popoverPalette(QGuiApplication::palette(), dark));
    {
        KXAppearance::DrawingScope scope(dark);
        content_->fill(c, font);
    }
    const QSize body = content_->size();
    const QSize size(body.width(), body.height() + ArrowHeight);
    QScreen* screen = QGuiApplication::screenAt(cell.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), size);
    placement_ = placePopup(cell, size, available, Radius + ArrowHalfWidth);
    const bool arrowBelow = placement_.arrowEdge == RbxPopupPlacement::ArrowEdge::Bottom;
    content_->move(0, arrowBelow ? 0 : ArrowHeight);
    setGeometry(QRect(placement_.topLeft, size));
    // Without a compositor the window's shape is its outline.
    setMask(QRegion(outline(size, placement_).toFillPolygon().toPolygon()));
    update();
    if (!isVisible()) show();
    raise();
}

void RbxMagnifierWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath path = outline(size(), placement_);
    p.fillPath(path, palette().color(QPalette::Window));
    const bool dark = KXAppearance::currentIsDark();
    p.setPen(QPen(dark ? QColor(0x55, 0x55, 0x5A) : QColor(0xC4, 0xC4, 0xC8), 1));
    p.drawPath(path);
}

// ---------------------------------------------------------------- the popover

RbxMagnifierPopup::RbxMagnifierPopup() : window_(std::make_unique<RbxMagnifierWindow>()) {}

RbxMagnifierPopup::~RbxMagnifierPopup() = default;

void RbxMagnifierPopup::show(char32_t c, const rbx::Font& font, const QRect& cell) {
    cell_ = cell;
    window_->present(c, font, cell);
}

void RbxMagnifierPopup::close() { window_->hide(); }

bool RbxMagnifierPopup::isShown() const { return window_->isVisible(); }

#include "kxlib/gui/KXToolTip.h"

#include "core/Clock.h"

#include <QFontMetrics>
#include <QPainter>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWhatsThis>

namespace {

KXToolTip*& currentTip() {
    static KXToolTip* tip = nullptr;
    return tip;
}

const QColor Background = QColor::fromRgbF(1.0f, 0.96f, 0.76f);
const QColor FrameWhite = QColor::fromRgbF(0.925f, 0.925f, 0.925f);

class ToolTipWindow : public QWidget {
public:
    ToolTipWindow()
        : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput |
                               Qt::BypassWindowManagerHint) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        setWindowOpacity(0.9);
        resize(100, 20);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Background);
    }
};

} // namespace

ToolTipTextField::ToolTipTextField(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void ToolTipTextField::setText(const QString& text) {
    text_ = text;
    update();
}

void ToolTipTextField::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setFont(font());
    p.setPen(QColor(Qt::black));
    p.drawText(rect().adjusted(TextInset, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs, text_);
    p.setPen(FrameWhite);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

KXToolTip::KXToolTip() : window_(std::make_unique<ToolTipWindow>()) {
    textField_ = new ToolTipTextField(window_.get());
    auto* layout = new QVBoxLayout(window_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(textField_);
    // The attributes text is measured with are taken once, from the field as set up.
    textFont_ = QToolTip::font();
    textField_->setFont(textFont_);
    textField_->setText(QStringLiteral(" "));
    showTimer_.setSingleShot(true);
    connect(&showTimer_, &QTimer::timeout, this, &KXToolTip::showTimerFired);
}

KXToolTip::~KXToolTip() {
    showTimer_.stop();
    if (currentTip() == this) {
        currentTip() = nullptr;
        window_->hide();
    }
}

std::unique_ptr<KXToolTip> KXToolTip::tooltip() { return std::unique_ptr<KXToolTip>(new KXToolTip()); }

KXToolTip* KXToolTip::current() { return currentTip(); }

void KXToolTip::hide() {
    if (currentTip()) currentTip()->hideTip();
}


bool KXToolTip::isVisible() const { return window_->isVisible(); }

bool KXToolTip::recentlyHidden() const {
    return lastHideTime_ && kx::Clock::shared().nowMs() - *lastHideTime_ <= 1000;
}

void KXToolTip::showString(const QString& text, const QPoint& globalPoint) {
    QWhatsThis::leaveWhatsThisMode();
    const QFontMetrics metrics(textFont_);
    const QSize size = metrics.boundingRect(QRect(0, 0, 100000, 100000),
                                            Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs, text).size();
    textField_->setText(text);
    const QSize content(size.width() + 20, size.height() + 1);
    window_->resize(content);
    window_->move(globalPoint.x(), globalPoint.y() - 8 - content.height());
    show();
}

void KXToolTip::show() {
    KXToolTip*& cur = currentTip();
    if (cur && cur != this) cur->hideTip();
    if (cur == this && window_->isVisible()) return;
    cur = this;
    if (showDelay_ > 0 && !recentlyHidden())
        startShowTimer();
    else
        orderFront();
}

void KXToolTip::hideTip() {
    if (currentTip() == this) {
        if (window_->isVisible()) {
            window_->hide();
            lastHideTime_ = kx::Clock::shared().nowMs();
        }
        stopShowTimer();
        currentTip() = nullptr;
    }
    QWhatsThis::leaveWhatsThisMode();
}

void KXToolTip::startShowTimer() {
    showTimer_.start(int(showDelay_ * 1000));
}

void KXToolTip::stopShowTimer() { showTimer_.stop(); }

void KXToolTip::showTimerFired() { orderFront(); }

void KXToolTip::orderFront() {
    showTimer_.stop();
    window_->show();
    window_->raise();
}

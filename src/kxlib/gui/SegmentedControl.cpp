#include "kxlib/gui/SegmentedControl.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <algorithm>
#include <cmath>

namespace {

constexpr QChar MenuArrow(0x25BE);

// A segment: a tool button whose label may end in the menu arrow, which it draws itself
// in the room its style sheet leaves on the right (menuArrowRoom()).
class SegmentButton : public QToolButton {
public:
    using QToolButton::QToolButton;

    void setLabel(const QString& label) {
        label_ = label;
        arrow_ = label.endsWith(MenuArrow);
        QString text = label;
        if (arrow_) {
            text.chop(1);
            if (text.endsWith(u' ')) text.chop(1);
        }
        setText(text);
    }
    const QString& label() const { return label_; }
    bool hasMenuArrow() const { return arrow_; }

    // The width the arrow and the space before it take.
    int menuArrowRoom() const { return arrowWidth() + fontMetrics().horizontalAdvance(u' '); }

    // The width of its left border in the row (the first segment's only).
    void setLeftBorder(int width) { leftBorder_ = width; }

    static constexpr int Padding = 8;

protected:
    void paintEvent(QPaintEvent* event) override {
        QToolButton::paintEvent(event);
        if (!arrow_) return;
        const QPalette p = parentWidget() ? parentWidget()->palette() : palette();
        const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
        const QColor colour = p.color(group, isChecked() ? QPalette::HighlightedText : QPalette::ButtonText);
        // Where the label's "▾" stood: a space after the text, standing on the baseline.
        // The style puts a text beside an image after the image and its 4 pixels of
        // space, and centres a text alone between the paddings.
        const QFontMetricsF fm(font());
        const double contentsLeft = leftBorder_ + Padding;
        const double contentsRight = width() - 1 - Padding - menuArrowRoom();
        const double textWidth = fm.horizontalAdvance(text());
        const double textRight = toolButtonStyle() == Qt::ToolButtonTextBesideIcon
                                     ? contentsLeft + iconSize().width() + 4 + textWidth
                                     : (contentsLeft + contentsRight + textWidth) / 2;
        const double left = textRight + fm.horizontalAdvance(u' ');
        const double w = arrowWidth();
        const double h = w * 0.85;
        const double baseline = height() / 2.0 + (fm.ascent() - fm.descent()) / 2;
        QPainterPath triangle;
        triangle.moveTo(left, baseline - h);
        triangle.lineTo(left + w, baseline - h);
        triangle.lineTo(left + w / 2, baseline);
        triangle.closeSubpath();
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(triangle, colour);
    }

private:
    int arrowWidth() const { return std::max(5, int(std::lround(fontMetrics().xHeight() * 1.1))); }

    QString label_;
    bool arrow_ = false;
    int leftBorder_ = 0;
};

SegmentButton* segmentButton(QToolButton* b) { return static_cast<SegmentButton*>(b); }

} // namespace

SegmentedControl::SegmentedControl(QWidget* parent) : QWidget(parent) {
    row_ = new QHBoxLayout(this);
    row_->setContentsMargins(0, 0, 0, 0);
    row_->setSpacing(0);
    group_ = new QButtonGroup(this);
    group_->setExclusive(true);
    connect(group_, &QButtonGroup::idClicked, this, &SegmentedControl::segmentClicked);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

int SegmentedControl::addSegment(const QString& label, int tag, const QIcon& image) {
    auto* b = new SegmentButton(this);
    b->setCheckable(true);
    b->setAutoRaise(false);
    b->setFocusPolicy(Qt::TabFocus);
    b->setLabel(label);
    b->setIconSize(QSize(16, 16));
    b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    const int index = int(buttons_.size());
    buttons_.append(b);
    tags_.append(tag);
    group_->addButton(b, index);
    row_->addWidget(b);
    restyle();
    setImage(index, image);
    return index;
}

QToolButton* SegmentedControl::button(int segment) const {
    return segment >= 0 && segment < buttons_.size() ? buttons_[segment] : nullptr;
}

namespace {

// Text, image or both, as the button has them.
void fitButtonStyle(QToolButton& b) {
    b.setToolButtonStyle(b.icon().isNull()   ? Qt::ToolButtonTextOnly
                         : b.text().isEmpty() ? Qt::ToolButtonIconOnly
                                              : Qt::ToolButtonTextBesideIcon);
}

} // namespace

void SegmentedControl::setLabel(int segment, const QString& label) {
    if (QToolButton* b = button(segment)) {
        SegmentButton* segment = segmentButton(b);
        const bool hadArrow = segment->hasMenuArrow();
        segment->setLabel(label);
        fitButtonStyle(*b);
        if (segment->hasMenuArrow() != hadArrow) restyle();
    }
}

QString SegmentedControl::label(int segment) const {
    QToolButton* b = button(segment);
    return b ? segmentButton(b)->label() : QString();
}

void SegmentedControl::setImage(int segment, const QIcon& image) {
    QToolButton* b = button(segment);
    if (!b) return;
    b->setIcon(image);
    fitButtonStyle(*b);
}

void SegmentedControl::setSegmentToolTip(int segment, const QString& tip) {
    if (QToolButton* b = button(segment)) {
        b->setToolTip(tip);
        if (b->text().isEmpty()) b->setAccessibleName(tip);  // a picture: screen readers say the tip
    }
}

int SegmentedControl::tag(int segment) const { return segment >= 0 && segment < tags_.size() ? tags_[segment] : 0; }

int SegmentedControl::segmentWithTag(int tag) const { return int(tags_.indexOf(tag)); }

void SegmentedControl::setSegmentHidden(int segment, bool hidden) {
    if (QToolButton* b = button(segment)) {
        b->setHidden(hidden);
        restyle();
    }
}

int SegmentedControl::selectedSegment() const { return group_->checkedId(); }

int SegmentedControl::selectedTag() const { return tag(selectedSegment()); }

void SegmentedControl::setSelectedSegment(int segment) {
    if (QToolButton* b = button(segment)) {
        b->setChecked(true);
        return;
    }
    // An exclusive group keeps one button checked: it is let go for the moment.
    if (QAbstractButton* checked = group_->checkedButton()) {
        group_->setExclusive(false);
        checked->setChecked(false);
        group_->setExclusive(true);
    }
}

bool SegmentedControl::selectSegmentWithTag(int tag) {
    const int segment = segmentWithTag(tag);
    if (segment < 0) return false;
    setSelectedSegment(segment);
    return true;
}

void SegmentedControl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) restyle();
    QWidget::changeEvent(event);
}

void SegmentedControl::restyle() {
    // Joined buttons: one frame round the row, thin lines between the segments, rounded
    // outer corners; the selected segment in the selection colour. The colours are the
    // palette's, so the control follows the light and the dark look.
    const QPalette p = palette();
    const QColor frame = p.color(QPalette::Mid);
    const QColor face = p.color(QPalette::Button);
    const QColor text = p.color(QPalette::ButtonText);
    const QColor on = p.color(QPalette::Highlight);
    const QColor onText = p.color(QPalette::HighlightedText);
    const QColor pressed = face.darker(115);
    QList<QToolButton*> shown;
    for (QToolButton* b : buttons_)
        if (!b->isHidden()) shown.append(b);
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const bool first = i == 0;
        const bool last = i == shown.size() - 1;
        const QString radius = QStringLiteral("border-top-left-radius: %1px; border-bottom-left-radius: %1px;"
                                              "border-top-right-radius: %2px; border-bottom-right-radius: %2px;")
                                   .arg(first ? 4 : 0)
                                   .arg(last ? 4 : 0);
        // A label's menu arrow is drawn in room of its own on the right.
        SegmentButton* segment = segmentButton(shown[i]);
        const int right = SegmentButton::Padding + (segment->hasMenuArrow() ? segment->menuArrowRoom() : 0);
        const QString padding = QStringLiteral("2px %1px 2px %2px").arg(right).arg(SegmentButton::Padding);
        segment->setLeftBorder(first ? 1 : 0);
        const QString sheet =
            QStringLiteral("QToolButton { background: %1; color: %2; border: 1px solid %3; %4"
                           " border-left-width: %5px; padding: %9; min-height: 18px; }"
                           " QToolButton:pressed { background: %6; }"
                           " QToolButton:checked { background: %7; color: %8; }"
                           " QToolButton:focus { border-color: %7; }")
                .arg(face.name(), text.name(), frame.name(), radius, QString::number(first ? 1 : 0), pressed.name(),
                     on.name(), onText.name(), padding);
        // Each new sheet is parsed and the button polished again; most stay as they were.
        if (shown[i]->styleSheet() != sheet) shown[i]->setStyleSheet(sheet);
    }
}

#include "kxlib/gui/SegmentedControl.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QToolButton>

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
    auto* b = new QToolButton(this);
    b->setCheckable(true);
    b->setAutoRaise(false);
    b->setFocusPolicy(Qt::TabFocus);
    b->setText(label);
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
        b->setText(label);
        fitButtonStyle(*b);
    }
}

QString SegmentedControl::label(int segment) const {
    const QToolButton* b = button(segment);
    return b ? b->text() : QString();
}

void SegmentedControl::setImage(int segment, const QIcon& image) {
    QToolButton* b = button(segment);
    if (!b) return;
    b->setIcon(image);
    fitButtonStyle(*b);
}

void SegmentedControl::setSegmentToolTip(int segment, const QString& tip) {
    if (QToolButton* b = button(segment)) b->setToolTip(tip);
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
        const QString sheet =
            QStringLiteral("QToolButton { background: %1; color: %2; border: 1px solid %3; %4"
                           " border-left-width: %5px; padding: 2px 8px; min-height: 18px; }"
                           " QToolButton:pressed { background: %6; }"
                           " QToolButton:checked { background: %7; color: %8; }"
                           " QToolButton:focus { border-color: %7; }")
                .arg(face.name(), text.name(), frame.name(), radius, QString::number(first ? 1 : 0), pressed.name(),
                     on.name(), onText.name());
        // Each new sheet is parsed and the button polished again; most stay as they were.
        if (shown[i]->styleSheet() != sheet) shown[i]->setStyleSheet(sheet);
    }
}

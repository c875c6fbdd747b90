#include "kxlib/gui/KXPopUpButton.h"

#include <QAbstractItemView>
#include <QStyleOptionComboBox>
#include <QStylePainter>

KXPopUpButton::KXPopUpButton(QWidget* parent) : QComboBox(parent) {
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(4);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void KXPopUpButton::setPullDownImage(const QIcon& image) {
    pullDownImage_ = image;
    updateGeometry();
    update();
}

void KXPopUpButton::showPopup() {
    emit willPopUp();
    // The list is as wide as its longest title, even when the button is narrow.
    view()->setMinimumWidth(view()->sizeHintForColumn(0) + 24);
    QComboBox::showPopup();
}

QSize KXPopUpButton::sizeHint() const {
    if (pullDownImage_.isNull()) return QComboBox::sizeHint();
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QSize content = iconSize() + QSize(4, 0);
    return style()->sizeFromContents(QStyle::CT_ComboBox, &option, content, this).expandedTo(QSize(0, QComboBox::sizeHint().height()));
}

QSize KXPopUpButton::minimumSizeHint() const {
    return pullDownImage_.isNull() ? QComboBox::minimumSizeHint() : sizeHint();
}

void KXPopUpButton::keyPressEvent(QKeyEvent* event) {
    emit willPopUp();
    QComboBox::keyPressEvent(event);
}

void KXPopUpButton::wheelEvent(QWheelEvent* event) {
    emit willPopUp();
    QComboBox::wheelEvent(event);
}

void KXPopUpButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    if (!pullDownImage_.isNull()) {
        option.currentText.clear();
        option.currentIcon = pullDownImage_;
    } else {
        // A title longer than the button has room for ends in an ellipsis.
        QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
        if (!option.currentIcon.isNull()) field.setLeft(field.left() + option.iconSize.width() + 4);
        option.currentText = fontMetrics().elidedText(option.currentText, Qt::ElideRight, field.width() - 2);
    }
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

#include "model/RbxLayoutPopUp.h"

QString RbxLayoutPopUp::titleOfSelectedItem() const {
    return selected_ >= 0 && selected_ < numberOfItems() ? items_[static_cast<std::size_t>(selected_)].title : QString();
}

int RbxLayoutPopUp::indexOfItemWithTitle(const QString& title) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (!items_[i].isSeparator && items_[i].title == title) return static_cast<int>(i);
    return -1;
}

int RbxLayoutPopUp::indexOfItemWithRepresentedObject(const QString& object) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (!items_[i].isSeparator && items_[i].representedObject == object) return static_cast<int>(i);
    return -1;
}

void RbxLayoutPopUp::selectItemAtIndex(int index) {
    selected_ = index >= 0 && index < numberOfItems() ? index : -1;
    emit changed();
}

void RbxLayoutPopUp::setHidden(bool hidden) {
    hidden_ = hidden;
    emit changed();
}

void RbxLayoutPopUp::setEnabled(bool enabled) {
    enabled_ = enabled;
    emit changed();
}

void RbxLayoutPopUp::removeAllItems() {
    items_.clear();
    selected_ = -1;
    emit changed();
}

void RbxLayoutPopUp::addItem(const QString& title, const QString& representedObject) {
    items_.push_back(Item{title, representedObject, false});
    emit changed();
}

void RbxLayoutPopUp::addSeparator() {
    items_.push_back(Item{QString(), QString(), true});
    emit changed();
}


#include "model/RbxPopUpModel.h"

#include <algorithm>

QStringList RbxPopUpModel::titles() const {
    QStringList t;
    for (const Item& i : items_) t.append(i.separator ? QStringLiteral("-") : i.title);
    return t;
}

int RbxPopUpModel::indexOfItemWithTitle(const QString& title) const {
    for (qsizetype i = 0; i < items_.size(); ++i)
        if (!items_.at(i).separator && items_.at(i).title == title) return static_cast<int>(i);
    return -1;
}

void RbxPopUpModel::insert(const Item& item, int index) {
    index = std::clamp(index, 0, count());
    items_.insert(index, item);
    if (selected_ >= index) ++selected_;
}

void RbxPopUpModel::addItem(const QString& title) { insertItem(title, count() + 1); }

void RbxPopUpModel::insertItem(const QString& title, int index) {
    const int present = indexOfItemWithTitle(title);
    if (present >= 0) removeItemAt(present);
    Item item;
    item.title = title;
    insert(item, index);
}

void RbxPopUpModel::addSeparator() { insertSeparator(count()); }

void RbxPopUpModel::insertSeparator(int index) {
    Item item;
    item.separator = true;
    item.enabled = false;
    insert(item, index);
}

void RbxPopUpModel::removeItemAt(int index) {
    if (index < 0 || index >= count()) return;
    items_.removeAt(index);
    if (selected_ == index) selected_ = -1;
    else if (selected_ > index) --selected_;
}

void RbxPopUpModel::removeAllItems() {
    items_.clear();
    selected_ = -1;
}

void RbxPopUpModel::setImage(int index, const QString& image) {
    if (index >= 0 && index < count()) items_[index].image = image;
}

void RbxPopUpModel::setEnabled(int index, bool enabled) {
    if (index >= 0 && index < count()) items_[index].enabled = enabled;
}

void RbxPopUpModel::setRepresentedObject(int index, const QVariant& object) {
    if (index >= 0 && index < count()) items_[index].representedObject = object;
}

QString RbxPopUpModel::titleOfSelectedItem() const {
    return selected_ >= 0 && selected_ < count() ? items_.at(selected_).title : QString();
}

void RbxPopUpModel::selectItemAt(int index) { selected_ = (index >= 0 && index < count()) ? index : -1; }

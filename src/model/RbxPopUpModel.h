#pragma once
// The contents of a pop-up button as a small model: titled items and separators, one
// selected item, an optional image per item. As with a pop-up button, adding or
// inserting a title that is already present first removes the present item. The
// window layer shows the model in its widget.

#include <QList>
#include <QString>
#include <QVariant>

class RbxPopUpModel {
public:
    struct Item {
        QString title;
        bool separator = false;
        bool enabled = true;
        QString image;  // the name of the item's image; "" for none
        QVariant representedObject;
        bool operator==(const Item&) const = default;
    };

    int count() const { return static_cast<int>(items_.size()); }
    const QList<Item>& items() const { return items_; }
    const Item& itemAt(int index) const { return items_.at(index); }
    QStringList titles() const;  // separators as "-"
    // -1 when absent (separators have no title).
    int indexOfItemWithTitle(const QString& title) const;

    void addItem(const QString& title);
    // index is clamped to 0..count.
    void insertItem(const QString& title, int index);
    void addSeparator();
    void insertSeparator(int index);
    void removeItemAt(int index);
    void removeAllItems();

    void setImage(int index, const QString& image);
    void setEnabled(int index, bool enabled);
    void setRepresentedObject(int index, const QVariant& object);

    // -1 when nothing is selected.
    int indexOfSelectedItem() const { return selected_; }
    QString titleOfSelectedItem() const;
    void selectItemAt(int index);

    bool operator==(const RbxPopUpModel&) const = default;

private:
    void insert(const Item& item, int index);
    QList<Item> items_;
    int selected_ = -1;
};

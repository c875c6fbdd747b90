#pragma once
// The contents of the window's layout pop-up as a model: items (a title, the object
// the item stands for, or a separator), the selected item and whether the pop-up is
// shown. The layout registry fills it (RbxLayout::fillLayoutPopUp); the window shows it
// and reports the user's choice with selectItemAtIndex.

#include <QObject>
#include <QString>
#include <vector>

class RbxLayoutPopUp : public QObject {
    Q_OBJECT
public:
    // Represented objects of the two items after the layouts.
    static QString customLayoutsFolderItem() { return QStringLiteral("CUSTOM_LAYOUTS_FOLDER"); }
    static QString moreLayoutsItem() { return QStringLiteral("VISIT_MORE_LAYOUTS_PAGE"); }

    struct Item {
        QString title;
        QString representedObject;
        bool isSeparator = false;
        bool operator==(const Item&) const = default;
    };

    const std::vector<Item>& items() const { return items_; }
    int numberOfItems() const { return static_cast<int>(items_.size()); }
    // -1 when no item is selected.
    int indexOfSelectedItem() const { return selected_; }
    QString titleOfSelectedItem() const;
    // The first item of that title; -1 when none.
    int indexOfItemWithTitle(const QString& title) const;
    int indexOfItemWithRepresentedObject(const QString& object) const;
    // An index outside the items selects none.
    void selectItemAtIndex(int index);

    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden);
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);

    void removeAllItems();
    void addItem(const QString& title, const QString& representedObject = QString());
    void addSeparator();

signals:
    // After every change (items, selection, shown, enabled).
    void changed();

private:
    std::vector<Item> items_;
    int selected_ = -1;
    bool hidden_ = false;
    bool enabled_ = true;
};

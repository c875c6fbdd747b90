#pragma once
// The group-jump button beside the character table: any mouse button pulls down a menu of
// the table's groups (marked by whether they show now) that scrolls to the chosen one,
// with the number of characters of the table at its end.

#include <QPointer>
#include <QPushButton>
#include <memory>

class QMenu;
class RbxCharView;

class RbxGroupButton : public QPushButton {
    Q_OBJECT
public:
    explicit RbxGroupButton(RbxCharView* view = nullptr, QWidget* parent = nullptr);

    void setCharView(RbxCharView* view) { rbxCharView_ = view; }
    RbxCharView* charView() const { return rbxCharView_; }

    // The menu, built anew from the table's groups: "Groups", one item per group (its
    // data the group's position), a separator, "Total: %d characters".
    std::unique_ptr<QMenu> groupsMenu() const;
    // Pulls the menu down below the button (2 points up).
    void pullDown();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QPointer<RbxCharView> rbxCharView_;
};

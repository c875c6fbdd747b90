#pragma once
// The two small buttons that lie over the insert-mode control's segments 1 and 2: a press
// with any mouse button (or Space, Return or Down while it has the focus) pulls its menu
// down below it, 2 points lower. The size button's menu lists point sizes for formatted
// text; the types button's menu lists the special forms, each item carrying its insert
// mode as data.

#include <QToolButton>

class QMenu;

class RbxPullDownButton : public QToolButton {
    Q_OBJECT
public:
    explicit RbxPullDownButton(QWidget* parent = nullptr);
    // Pulls the button's menu down below it.
    virtual void pullDown();
    QMenu* pullDownMenu() const { return menu_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

    QMenu* menu_ = nullptr;
};

class RbxFormattedSizeButton : public RbxPullDownButton {
    Q_OBJECT
public:
    // The sizes offered, in points.
    static const QList<int>& sizes();

    explicit RbxFormattedSizeButton(QWidget* parent = nullptr);
    QMenu* sizeMenu() const { return menu_; }
    // The menu without a title, its items in the small system font.
    void reformatSizeMenu();
    void pullDown() override;
};

class RbxInsertTypeButton : public RbxPullDownButton {
    Q_OBJECT
public:
    explicit RbxInsertTypeButton(QWidget* parent = nullptr);
    QMenu* typesMenu() const { return menu_; }
};

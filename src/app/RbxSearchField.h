#pragma once
// The palette's search field: a line edit with a clear button and, at its leading edge,
// the button of the search-template menu. It tells whether the key event it is handling
// now is a key (so a search can tell typing from a click on the clear button), and hands
// Tab on to the field named as the next one (the font filter). A Ctrl key the field has no
// use for goes to the handler of such keys (the table's shortcuts, for the character under
// the pointer). The palette turns the clear
// button on after its first picture: finding its icon searches the desktop's icon themes.

#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <functional>

class QToolButton;

class RbxSearchField : public QLineEdit {
    Q_OBJECT
public:
    explicit RbxSearchField(QWidget* parent = nullptr);

    // The menu behind the leading button (the field does not own it); null: no button.
    void setTemplateMenu(QMenu* menu);
    QMenu* templateMenu() const { return menu_; }

    // Whether the field is inside the handling of a key press or release.
    bool isHandlingKey() const { return keyDepth_ > 0; }

    // Where Tab goes from this field; null: the window's order.
    void setNextField(QWidget* next) { next_ = next; }
    // Offered each key with Ctrl that the field does not take; answers whether it took it.
    void setUnusedShortcutHandler(std::function<bool(QKeyEvent*)> handler) { unusedShortcut_ = std::move(handler); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void showTemplateMenu();

    QAction* templateAction_ = nullptr;
    QPointer<QMenu> menu_;
    QPointer<QWidget> next_;
    std::function<bool(QKeyEvent*)> unusedShortcut_;
    int keyDepth_ = 0;
};

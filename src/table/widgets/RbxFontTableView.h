#pragma once
// The font list's table: its keys go to the character table's fixed shortcuts first, so
// that Command-C copies the selected character wherever the palette's keys go.

#include <QPointer>
#include <QTableView>

class RbxCharView;

class RbxFontTableView : public QTableView {
    Q_OBJECT
public:
    explicit RbxFontTableView(QWidget* parent = nullptr);
    // The character table whose shortcuts come first (default: RbxCharView::view()).
    void setCharView(RbxCharView* view);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPointer<RbxCharView> charView_;
};

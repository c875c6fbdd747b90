#pragma once
// The shape finder's sheet: the drawing pad with its undo, redo and clear buttons (each
// shown only when it can do something), and Cancel and Find. Return and Enter press Find,
// Escape Cancel. For developers it is wider and shows what was recorded for a saved
// drawing (best match and mismatches).

#include <QDialog>

class QLabel;
class QPushButton;

namespace shapes {

class RbxShapeView;

class ShapeFinderSheet : public QDialog {
    Q_OBJECT
public:
    ShapeFinderSheet(const QString& animationFolder, QWidget* parent = nullptr);

    RbxShapeView& view() const { return *view_; }
    // The developers' width with the information line, or the plain one.
    void setDeveloperMode(bool on);
    void updateShapeControlButtons();
    void updateInfo();

signals:
    void findRequested();

private:
    RbxShapeView* view_;
    QPushButton* undo_;
    QPushButton* redo_;
    QPushButton* clear_;
    QPushButton* find_;
    QLabel* info_;
};

} // namespace shapes

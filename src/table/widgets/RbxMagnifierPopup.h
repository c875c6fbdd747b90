#pragma once
// The magnifier popover: a frameless window beside the selected cell, above it where there
// is room (its arrow pointing down at the cell), below it at the screen's top edge, always
// on the screen. It never takes the keyboard focus and the mouse passes through it, so the
// table under it keeps following the mouse. Its content is replaced for each character.
// Main thread only.

#include "table/core/RbxPopupPlacement.h"
#include "table/widgets/RbxCharViewHooks.h"

#include <QPainterPath>
#include <QWidget>
#include <memory>

class RbxMagnifierView;

// The popover's window: its rounded body and arrow, the content inside.
class RbxMagnifierWindow : public QWidget {
    Q_OBJECT
public:
    RbxMagnifierWindow();

    RbxMagnifierView& content() const { return *content_; }
    const RbxPopupPlacement& placement() const { return placement_; }
    // Fills the content and places the window beside the cell.
    void present(char32_t c, const rbx::Font& font, const QRect& cell);

    // The outline of the body with its arrow, for a window of `size` (arrow included).
    static QPainterPath outline(const QSize& size, const RbxPopupPlacement& placement);
    static constexpr int ArrowHeight = 10;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    RbxMagnifierView* content_ = nullptr;
    RbxPopupPlacement placement_;
};

class RbxMagnifierPopup : public RbxMagnifierPopover {
public:
    RbxMagnifierPopup();
    ~RbxMagnifierPopup() override;

    void show(char32_t c, const rbx::Font& font, const QRect& cell) override;
    void close() override;
    bool isShown() const override;

    RbxMagnifierWindow& window() const { return *window_; }
    // The cell shown beside (global coordinates).
    QRect cell() const { return cell_; }

private:
    std::unique_ptr<RbxMagnifierWindow> window_;
    QRect cell_;
};

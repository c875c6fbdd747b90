#pragma once
// What the character table asks of the palette, answered by the window controller: the
// window's state, fading, the search field, the keys, the recent group after an
// insertion.

#include "table/widgets/RbxCharViewHooks.h"

class RbxCharWindowController;

class PaletteTableController : public RbxCharViewController {
public:
    explicit PaletteTableController(RbxCharWindowController& controller);

    bool hasAttachedSheet() const override;
    bool isKeyWindow() const override;
    void activateApplication() override;
    void deactivateApplication() override;
    void fadeOut(double duration, double delay) override;
    void stopMouseOutsideFading() override;
    void updateToFrontApplication(bool force) override;
    QWidget* searchField() const override;
    void updateRecentGroup() override;

private:
    RbxCharWindowController& c_;
    // The window that had the keyboard before the palette was activated (X window id).
    unsigned long previousActive_ = 0;
};

#pragma once
// What the character table asks of the palette, answered by the window controller: the
// window's state, fading, the search field, the keys, the recent group after an
// insertion.

#include "table/widgets/RbxCharViewHooks.h"

#include <memory>

class PaletteFocus;
class RbxCharWindowController;

class PaletteTableController : public RbxCharViewController {
public:
    PaletteTableController(RbxCharWindowController& controller, std::shared_ptr<PaletteFocus> focus);

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
    std::shared_ptr<PaletteFocus> focus_;
};

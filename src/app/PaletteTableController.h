#pragma once
// What the character table asks of the palette, answered by the window controller: the
// window's state, fading, the search field, the keys; and the insertion road the table
// hands its clicked characters to. `install` puts both into the table view, makes the
// table's copy commands publish on the clipboard, and plugs the table's tracking and
// posting tap into the window controller's extensions.

#include "table/widgets/RbxCharViewHooks.h"

#include <QPointer>
#include <memory>

class RbxCharView;
class RbxCharWindowController;
class RbxPoster;
class RbxPostingSystem;

class PaletteTableController : public RbxCharViewController {
public:
    explicit PaletteTableController(RbxCharWindowController& controller);

    // The controller and the posting road of the table view; the posting tap is
    // installed (when "useTapping" allows) and follows the palette's showing.
    static std::shared_ptr<RbxPoster> install(RbxCharWindowController& controller, RbxCharView& view);

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

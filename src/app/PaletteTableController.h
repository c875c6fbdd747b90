#pragma once
// What the character table asks of the palette, answered by the window controller: the
// window's state, fading, the search field, the keys, the recent group after an
// insertion.

#include "insertion/RbxPostingSystem.h"
#include "table/widgets/RbxCharViewHooks.h"

#include <memory>

class RbxCharWindowController;
class ShapeFinder;
class X11Session;

// The keyboard between the palette and the application the user types in: the palette
// notes that application's window when it could take the keys, and gives them back to it
// (the posting road does so before every insertion).
class PaletteFocus : public RbxFocusHandBack {
public:
    explicit PaletteFocus(X11Session& session);

    // Notes the active window unless it is one of ours.
    void noteKeyboardOwner();
    void deactivateApplication() override;

private:
    // The active window of the display and whether it belongs to this process.
    unsigned long activeWindow(bool* ours) const;

    X11Session& session_;
    // The window that had the keyboard before the palette was activated (X window id).
    unsigned long previousActive_ = 0;
};

class PaletteTableController : public RbxCharViewController {
public:
    // `shapes` (may be null) answers the shape finder's best matches and takes the keys back.
    PaletteTableController(RbxCharWindowController& controller, std::shared_ptr<PaletteFocus> focus,
                           ShapeFinder* shapes = nullptr);

    bool hasAttachedSheet() const override;
    bool isKeyWindow() const override;
    void activateApplication() override;
    void deactivateApplication() override;
    void fadeOut(double duration, double delay) override;
    void stopMouseOutsideFading() override;
    void updateToFrontApplication(bool force) override;
    QWidget* searchField() const override;
    void updateRecentGroup() override;
    double bestMatchQuality(char32_t c) const override;
    bool reenterShapeFinder() override;

private:
    RbxCharWindowController& c_;
    std::shared_ptr<PaletteFocus> focus_;
    ShapeFinder* shapes_;
};

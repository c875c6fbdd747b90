#pragma once
// Where the application routes the palette's mouse releases and keys before the normal
// delivery: the character table first (its release ends a click anywhere, its selection
// keys and shortcuts come before the widget that has the keyboard), the layouts rebuilt
// on Alt+Escape. Nothing reaches the table while a sheet is attached.

#include "app/RbxCharApplication.h"

class RbxCharView;
class RbxCharWindowController;
class PaletteTable;

class PaletteEvents : public PaletteEventTarget {
public:
    PaletteEvents(RbxCharWindowController& controller, RbxCharView& view);

    bool hasSheet() const override;
    void mouseUp(QMouseEvent& event) override;
    bool keyDown(QKeyEvent& event) override;
    void deselectCharacter() override;
    void rebuildLayouts() override;

private:
    RbxCharWindowController& controller_;
    RbxCharView& view_;
};

#pragma once
// What the character table asks of the palette, answered by the window controller: the
// window's state, fading, the search field, the keys, the recent group after an
// insertion.

#include "table/widgets/RbxCharViewHooks.h"

#include <memory>

class PaletteSampleViews;
class PaletteFocus;
class RbxCharWindowController;
class ShapeFinder;

class PaletteTableController : public RbxCharViewController {
public:
    // `samples`: the sample text views (none in a palette without them); `shapes` (may be null)
    // answers the shape finder's best matches and takes the keys back.
    PaletteTableController(RbxCharWindowController& controller, std::shared_ptr<PaletteFocus> focus,
                           PaletteSampleViews* samples = nullptr, ShapeFinder* shapes = nullptr);

    bool hasAttachedSheet() const override;
    bool isKeyWindow() const override;
    void activateApplication() override;
    void deactivateApplication() override;
    void fadeOut(double duration, double delay) override;
    void stopMouseOutsideFading() override;
    void updateToFrontApplication(bool force) override;
    QWidget* searchField() const override;
    void updateRecentGroup() override;
    // The menus of a character: the table's, with what the palette knows added.
    std::unique_ptr<QMenu> contextMenu(char32_t c) override;
    std::unique_ptr<QMenu> skinsMenu(char32_t c) override;
    std::unique_ptr<QMenu> emojiTextMenu(char32_t c) override;
    // The font list's marks and the context menu's actions on characters.
    char32_t markedCharacter() const override;
    void markFontsContainingCharacter(char32_t c) override;
    void resetMarkedFonts() override;
    QWidget* fontListView() const override;
    void activateSampleEditor() override;
    // The information sheet of a character in the palette's font.
    void showInfoForCharacter(char32_t c) override;
    void activatePreview() override;
    void changeViewTo(int view) override;
    bool offersCharacterCommand(RbxMenuCommand command) const override;
    void characterCommand(RbxMenuCommand command, char32_t c) override;
    double bestMatchQuality(char32_t c) const override;
    bool reenterShapeFinder() override;

private:
    RbxCharWindowController& c_;
    std::shared_ptr<PaletteFocus> focus_;
    PaletteSampleViews* samples_;
    ShapeFinder* shapes_;
};

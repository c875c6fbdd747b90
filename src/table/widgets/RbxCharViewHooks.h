#pragma once
// What the character table asks of the layers above it and of parts of the model it does
// not own, as small interfaces with do-nothing defaults; and what it is given when it is
// made (the insertion road below it, the pointer and the keyboard). The application gives
// real ones; until then the table draws and hit-tests on its own and every upward call is
// a no-op.

#include "core/CharSet.h"
#include "insertion/RbxCharacterPosting.h"
#include "platform/fonts/Font.h"
#include "table/core/RbxContextMenu.h"

#include <QMenu>
#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The palette's window controller.
class RbxCharViewController {
public:
    virtual ~RbxCharViewController() = default;
    // The character whose fonts are marked in the font list; 0 for none.
    virtual char32_t markedCharacter() const { return 0; }
    // How well the character matches the shape drawn in the shape finder, 0 to 1; 0 when it
    // is not among the best matches.
    virtual double bestMatchQuality(char32_t) const { return 0; }

    // ---- the window
    // A sheet is attached to the palette.
    virtual bool hasAttachedSheet() const { return false; }
    // The palette is the window that takes the palette's keys ("key window").
    virtual bool isKeyWindow() const { return false; }
    // Makes the palette take keys without bringing the application's other windows
    // forward, or hands them back to the application the user works in. The palette
    // never takes the keyboard focus from that application by itself.
    virtual void activateApplication() {}
    virtual void deactivateApplication() {}
    // Fades the palette out over `duration` seconds after `delay` seconds; cancels a
    // fade that waits for its delay.
    virtual void fadeOut(double /*duration*/, double /*delay*/) {}
    virtual void stopMouseOutsideFading() {}
    // Reads the front application anew (its insert mode and font).
    virtual void updateToFrontApplication(bool /*force*/) {}
    // The release-notes window is on screen.
    virtual bool whatsNewWindowIsVisible() const { return false; }
    // The views that take the mouse for their own: information, sample editor, preview.
    virtual void activateInfoView() {}
    virtual void activateSampleEditor() {}
    virtual void activatePreview() {}
    // The shape finder's sheet wants the keys back; true when it took them.
    virtual bool reenterShapeFinder() { return false; }
    // The search field and the font list of the palette (nullptr when there is none).
    virtual QWidget* searchField() const { return nullptr; }
    virtual QWidget* fontListView() const { return nullptr; }

    // ---- commands on characters
    // The families holding the character get a mark (0: no mark); from the mouse, the
    // context menu or the key that asked for the selected character.
    virtual void markFontsContainingCharacter(char32_t) {}
    virtual void resetMarkedFonts() {}
    // The information sheet of the character in the font list's selected font.
    virtual void showInfoForCharacter(char32_t) {}
    // Switches the view mode (3 all defined characters, 10 preview, 11 sample, 12 info).
    virtual void changeViewTo(int) {}
    // The commands of the context menu that act on the palette (information, marks,
    // favourites, recent characters, context, the shape finder): whether the palette
    // offers one now (a command it does not offer is shown disabled), and doing one that
    // has no call of its own above (the favourites, recent, context and shape commands).
    virtual bool offersCharacterCommand(RbxMenuCommand) const { return false; }
    virtual void characterCommand(RbxMenuCommand, char32_t) {}
    // The menus of a character: the context menu, and the two picture menus offering an
    // emoji in its skin tones and as text or emoji (RbxCharMenus makes them). nullptr: no
    // menu.
    virtual std::unique_ptr<QMenu> contextMenu(char32_t) { return nullptr; }
    virtual std::unique_ptr<QMenu> skinsMenu(char32_t) { return nullptr; }
    virtual std::unique_ptr<QMenu> emojiTextMenu(char32_t) { return nullptr; }
    // A character was posted from the table: update the recent characters shown.
    virtual void updateRecentGroup() {}
};

// The magnifier popover beside the selected cell.
class RbxMagnifierPopover {
public:
    virtual ~RbxMagnifierPopover() = default;
    // Shows the character in the font beside `cell` (global coordinates), above it where
    // there is room. Replaces what was shown.
    virtual void show(char32_t, const rbx::Font&, const QRect& /*cell*/) {}
    virtual void close() {}
    virtual bool isShown() const { return false; }
};

// Where the mouse is, in global coordinates, read outside the event stream (the pointer's
// position by default).
class RbxMouseLocator {
public:
    virtual ~RbxMouseLocator() = default;
    virtual QPoint globalMouseLocation() const = 0;
};

// The modifier keys held now, in the stored form (kx::modifier; the keyboard's by default).
class RbxModifierSource {
public:
    virtual ~RbxModifierSource() = default;
    virtual std::uint32_t currentModifierFlags() const = 0;
};

// What a table view is given when it is made; each may be null: a click then posts nothing,
// and the mouse and the modifier keys are read from the pointer and the keyboard.
struct RbxCharViewServices {
    std::shared_ptr<RbxCharacterPosting> posting;
    std::shared_ptr<const RbxMouseLocator> mouse;
    std::shared_ptr<const RbxModifierSource> modifiers;
};

// What the drawing needs to know of characters beyond the groups: sets of the character
// model and the font list. A null set means "not known".
class RbxCharViewSources {
public:
    virtual ~RbxCharViewSources() = default;
    // The characters that some installed font holds.
    virtual const kx::CharSet* charactersInAllFonts() { return nullptr; }
    // The characters (and sequence values) the colour emoji font draws.
    virtual const kx::CharSet* colorEmojiCharacters() { return nullptr; }
    // Emoji that take a skin tone.
    virtual const kx::CharSet* modifiableEmojiCharacters() { return nullptr; }
    // Characters shown as text or as emoji by a selector.
    virtual const kx::CharSet* textOrEmojiCharacters() { return nullptr; }
    // The favourites of a font.
    virtual const kx::CharSet* favoriteCharacters(const rbx::Font&) { return nullptr; }
    // The recent characters of a font, most recent first; nullopt when none are kept.
    virtual std::optional<std::vector<char32_t>> recentCharacters(const rbx::Font&) { return std::nullopt; }
    // The colour emoji font at a size; the default asks the font backend for it.
    virtual rbx::Font colorEmojiFont(double size);
    // The font's Mac OS Roman code of a character (32 to 255); 0 for none.
    virtual int romanForUnicode(const rbx::Font&, char32_t) { return 0; }
    // The named HTML entity of a character ("&amp;"); empty for none.
    virtual QString htmlEntityForCharacter(char32_t) { return {}; }
};

// A font's tuning values as far as drawing and cell size use them.
struct RbxFontTuning {
    double baselineOffset = 0;           // × cell height, added to the baseline
    double scaledOffsetX = 0;            // × cell width, added to squeezed glyphs
    double ligatureScalingThreshold = 1; // ligatures up to this × cell width are not squeezed
    double relativeWidth = 0;            // > 0: cells are pointSize × this wide
    double zoomX = 1, zoomY = 1;         // the unscaled cell is divided by these
    bool requiresSafeDrawing = false;    // draw every cell as text with font substitution
    std::vector<char32_t> scaleCharacters; // drawn squeezed when too large
};

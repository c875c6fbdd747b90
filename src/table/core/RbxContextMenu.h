#pragma once
// The context menu of a character cell as a plain list of entries, made from what the
// palette knows at the moment it opens; the table turns the list into a menu. Titles are
// final (the character, its notations and its name filled in); a key equivalent is shown
// beside its title and handled by the table's keys, not by the menu.

#include <QString>
#include <vector>

// What an entry does.
enum class RbxMenuCommand {
    None,  // a separator
    ShowInfo,
    CopyPlain,
    CopyHTML,
    CopyDecimal,
    CopyHex,
    CopySwift,
    CopyName,
    CopyDescription,
    MarkFonts,
    ResetMarks,
    AddToFavorites,
    RemoveFromFavorites,
    RemoveFromRecent,
    ShowInContext,
    ShowInUnicodeBlocksContext,
    FindSimilarShape,
    SetBestMatch,
    AddMismatch,
};

// Who does it: the table view, the palette's window controller, the shape finder's view.
enum class RbxMenuTarget { View, WindowController, ShapeView };

struct RbxMenuEntry {
    QString title;
    RbxMenuCommand command = RbxMenuCommand::None;
    QString shortcutText;  // "Ctrl+C"; empty for none
    RbxMenuTarget target = RbxMenuTarget::View;
    bool separator = false;
    // The entry carries the character (every entry but "Reset Marks").
    bool carriesCharacter = true;

    bool operator==(const RbxMenuEntry&) const = default;
};

// What the menu is made from.
struct RbxContextMenuState {
    char32_t character = 0;            // the selected character; 0 for none
    char32_t markedCharacter = 0;      // the character whose fonts are marked; 0 for none
    bool inFavorites = false;          // the character is a favourite of the table's font
    bool showingRecentLayout = false;  // the table shows the recent-characters layout
    int groupKind = -1;                // the kind of the selected cell's group; -1 for none
    bool searchFieldEmpty = true;
    bool unicodeBlocksLayout = false;  // the selected layout is the Unicode blocks
    bool shapeTools = false;           // the shape finder has a saved shape and "shapeTools" is on
};

// The entries of the context menu; empty when there is nothing to show.
std::vector<RbxMenuEntry> buildContextMenu(const RbxContextMenuState& state);

// The text a menu item shows: the title, and the key equivalent after a tab.
QString menuItemText(const RbxMenuEntry& entry);

#pragma once
// What the palette does with a character from the table's context menu (each menu item
// carries its character): show it in its context (the search left, the Unicode blocks
// shown when the table is not on them, its group unfolded, the character selected and in
// view), add it to or remove it from the favourites of the table's font, remove it from
// the recent characters.

#include <QObject>

class PaletteSearch;
class PaletteTable;

class PaletteCharacterActions : public QObject {
    Q_OBJECT
public:
    // The delay before the character is selected, and how long the mouse then leaves the
    // selection alone.
    static constexpr int SelectDelayMs = 250;
    static constexpr float KeepSelectionSeconds = 1.75f;

    PaletteCharacterActions(PaletteSearch& search, PaletteTable& table, QObject* parent = nullptr);

    void showSelectedCharacterInContext(char32_t c);
    void showSelectedCharacterInUnicodeBlocksContext(char32_t c);
    void addSelectedCharacterToFavorites(char32_t c);
    void removeSelectedCharacterFromFavorites(char32_t c);
    void removeSelectedCharacterFromRecent(char32_t c);

    // Empties the search, shows the Unicode blocks when the layout was another, unfolds
    // the character's group and selects the character 0.25 s later.
    void showSelectedCharacter(char32_t c);
    // Hides the magnifier, selects and shows the character at that index of the table and
    // keeps the mouse from changing the selection for 1.75 s.
    void selectAndShowCharacterAtIndex(std::size_t index);
    // Scrolls the table to the marked character and selects it 0.25 s later.
    void goToMarkedCharacter(char32_t marked);
    // Selects and shows the character when the table holds it, and keeps the mouse from
    // changing the selection for 1.75 s.
    void selectMarkedCharacter(char32_t marked);

private:
    // The layout chosen anew is shown.
    void changeLayout();

    PaletteSearch& search_;
    PaletteTable& table_;
};

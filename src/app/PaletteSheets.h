#pragma once
// The sheets of the palette beyond the shape finder, made once with what they need and
// registered by name with the palette's SheetHost, so that the URL command "open", the
// menus and the table's commands reach them: "characterInfo".

#include <QPointer>
#include <memory>

class CharacterInfoSheet;
class PaletteFontList;
class RbxCharWindowController;
class RbxDefaults;

class PaletteSheets {
public:
    PaletteSheets(RbxCharWindowController& controller, RbxDefaults& settings, PaletteFontList& fonts);
    ~PaletteSheets();
    PaletteSheets(const PaletteSheets&) = delete;
    PaletteSheets& operator=(const PaletteSheets&) = delete;

    CharacterInfoSheet& characterInfo() const;

private:
    struct Palette;
    std::unique_ptr<Palette> palette_;
    QPointer<CharacterInfoSheet> characterInfo_;  // a child of the palette window
};

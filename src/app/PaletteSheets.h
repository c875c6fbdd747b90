#pragma once
// The sheets of the palette beyond the shape finder, and the font information view, made once with what they need and
// registered by name with the palette's SheetHost, so that the URL command "open", the
// menus and the table's commands reach them: "characterInfo", "about", "preferences", "contact", and the
// favourites files' dialogs "exportFavorites" and "importFavorites". The four sheets are
// made when first asked for, off the palette's way to its first picture.

#include <QPointer>
#include <memory>

class AboutSheet;
class CharacterInfoSheet;
class ContactSheet;
class FavoritesFiles;
class FontInfoView;
class PreferencesSheet;
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
    AboutSheet& about() const;
    PreferencesSheet& preferences() const;
    ContactSheet& contact() const;
    FavoritesFiles& favorites() const { return *favorites_; }
    FontInfoView& fontInfo() const { return *fontInfo_; }

private:
    struct Palette;
    std::unique_ptr<Palette> palette_;
    RbxCharWindowController& controller_;
    RbxDefaults& settings_;
    PaletteFontList& fonts_;
    // Children of the palette window, made on first use.
    mutable QPointer<CharacterInfoSheet> characterInfo_;
    mutable QPointer<AboutSheet> about_;
    mutable QPointer<PreferencesSheet> preferences_;
    mutable QPointer<ContactSheet> contact_;
    std::unique_ptr<FavoritesFiles> favorites_;
    std::unique_ptr<FontInfoView> fontInfo_;
};

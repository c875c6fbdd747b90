#pragma once
// The sheets of the palette beyond the shape finder, and the font information view, made once with what they need and
// registered by name with the palette's SheetHost, so that the URL command "open", the
// menus and the table's commands reach them: "characterInfo", "about", "preferences", "contact", and the
// favourites files' dialogs "exportFavorites" and "importFavorites".

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
    // Children of the palette window.
    QPointer<CharacterInfoSheet> characterInfo_;
    QPointer<AboutSheet> about_;
    QPointer<PreferencesSheet> preferences_;
    QPointer<ContactSheet> contact_;
    std::unique_ptr<FavoritesFiles> favorites_;
    std::unique_ptr<FontInfoView> fontInfo_;
};

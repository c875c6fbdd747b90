#pragma once
// The user's favourite characters: the first group of every group layout. Three kinds
// are kept apart in the settings:
//   "favoriteCharacters"      every ordinary character (emoji-sequence values included),
//                             one list for all fonts, ascending;
//   "favoriteFontCharacters"  private-use characters per font display name, ascending;
//   "favoriteLigatures"       ligatures by their text (their values depend on the font).
//
// Text form (export and import), one line each:
//   line 1                  the global favourites, one after the other;
//   "<font name>: <chars>"  the private-use favourites of one font;
//   "[LIGATURES]: [fi], [ffl]"
// Favourites that stand for a sequence (flags, keycaps, joined emoji) are written as the
// sequence's text and read back into their values.

#include "core/KXIntegerArray.h"
#include "model/RbxGroupDescription.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <memory>
#include <optional>

class RbxDefaults;

class RbxFavGroupDescription : public RbxGroupDescription {
public:
    // The favourites of the process (kx::ProcessWide<RbxFavGroupDescription>):
    // installed by the composition root, else made on first use over the process's
    // settings store.
    static std::shared_ptr<RbxFavGroupDescription> sharedFavorites();
    static std::shared_ptr<RbxFavGroupDescription> makeDefault();

    // Loads the global favourites (dropping ligature values and private-use characters,
    // which do not belong there) and the favourite ligatures from `settings` (the
    // process's store at each use when null), which must outlive the favourites.
    explicit RbxFavGroupDescription(RbxDefaults* settings);

    Role role() const override { return Role::Favorites; }
    QString name() const override { return QStringLiteral("Favorites"); }
    // The number of global favourites.
    int nCharacters() const override { return global_.count(); }
    QString className() const override { return QStringLiteral("RbxFavGroupDescription"); }

    const KXIntegerArray& globalFavoriteCharacters() const { return global_; }
    QString currentFontName() const { return currentFontName_; }
    const std::optional<KXIntegerArray>& fontFavoriteCharacters() const { return fontList_; }
    const QStringList& favoriteLigatures() const { return ligatures_; }

    // Loads the private-use favourites of the font (by its display name); nullptr or a
    // null name clears the current font.
    void loadFavoritesForFont(RbxFontRepertoire* font);
    void loadFavoritesForFontName(const QString& name);
    void reloadFavoritesForCurrentFont();
    // Stores the current font's list in the font dictionary and writes the settings.
    void saveFavoritesForCurrentFont();

    void addCharacter(char32_t c, RbxFontRepertoire* font);
    void removeCharacter(char32_t c, RbxFontRepertoire* font);
    // Global and font favourites, plus the values of the favourite ligatures the font has.
    kx::CharSet characterSetForFont(RbxFontRepertoire* font);

    std::shared_ptr<RbxCharGroup> groupForFontInfo(RbxFontRepertoire* info) override;
    std::size_t bestIndexOf(char32_t c, const std::vector<char32_t>& list) const override;

    QString stringRepresentation();
    void setFavoritesToString(const QString& text);
    // One line "character<TAB>decimal value<TAB>name" per global favourite.
    QString tableRepresentation() const;

    // The font dictionary, loaded on first need.
    const QVariantMap& fontFavoritesDictionary();

private:
    RbxDefaults& settings() const;
    void storeGlobalFavorites();
    void storeLigatures();
    void storeFontDictionary();

    RbxDefaults* const settings_;
    KXIntegerArray global_;
    QString currentFontName_;
    bool hasCurrentFont_ = false;
    std::optional<KXIntegerArray> fontList_;
    std::optional<QVariantMap> fontDictionary_;
    QStringList ligatures_;
};

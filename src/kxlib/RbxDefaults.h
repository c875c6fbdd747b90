#pragma once
// The settings store of this application: KXDefaults with a few computed defaults and
// typed accessors for the structured settings (per-application records, per-family
// size adjustments and layouts, expanded and collapsed groups, recent characters).
//
// The structured accessors are used from the main thread only.
//
// A few answers come from layers built above this one, through the services the store
// is opened with (RbxDefaultsServices.h); without one the fallback its accessor
// describes applies.

#include "core/InsertMode.h"
#include "kxlib/KXDefaults.h"
#include "kxlib/RbxDefaultsServices.h"
#include "core/RbxRecentArray.h"

#include <QString>
#include <QStringList>
#include <memory>

class RbxDefaults : public KXDefaults {
public:
    // What the store asks of the layers above it; each may be null. They must outlive
    // the store.
    struct Services {
        RbxFontAvailability* fonts = nullptr;
        RbxMenuTheme* menuTheme = nullptr;
        RbxLoginItem* loginItem = nullptr;
    };

    // The store of the process: the one the composition root installed
    // (kx::ProcessWide<RbxDefaults>), else one opened on first use on the bundle
    // identifier's domain without services, kept for the life of the process.
    static RbxDefaults& userDefaults();
    static std::unique_ptr<RbxDefaults> makeDefault();
    // A store on `domain` (the bundle identifier when empty) that reads the bundle files
    // from `resourceFolder` (the bundle's when empty), loaded as at start-up.
    static std::unique_ptr<RbxDefaults> open(const QString& domain, const QString& resourceFolder, Services services);
    static std::unique_ptr<RbxDefaults> open(const QString& domain, const QString& resourceFolder = QString());

    // The bundle's defaults plus: "recentFontsV2" (a copy of the bundle's), empty
    // "applications" and "font recent characters", and "buildNr" from "build.nr".
    QVariantMap defaultValues() override;

    // ---- per-application record (of the front application) ----
    // Remembers the front application by its process name and a copy of its record.
    void setFrontApplication(const QString& processName);
    QString frontApplicationName() const { return frontName_; }
    // Writes the record back under the process name, drops entries that are no
    // collection or are empty, and stores "applications".
    void updateApplicationSettings();
    // The insert mode is stored as its number; plain text removes the entry.
    InsertMode applicationInsertMode() const;
    void setApplicationInsertMode(InsertMode mode);
    // The insert mode limited to at most HTML (2).
    InsertMode safeApplicationInsertMode() const;
    // "Plain", "Formatted", "HTML", "Picture", "Swift", "Decimal", "Hex", "Name",
    // "Description" for 0 to 3 and 5 to 9; "" otherwise.
    static QString applicationInsertModeAsString(InsertMode mode);
    // The view the user chose while the application was in front; 0 when none was.
    int applicationView() const;
    void setApplicationView(int view);
    InsertMode latestSpecialInsertMode() const;  // absent: HTML
    void setLatestSpecialInsertMode(InsertMode mode);  // HTML removes the entry
    bool isFontDetectionEnabled();
    void toggleFontDetectionEnabled();
    bool applicationFontDectection();
    void setApplicationFontDectection(bool on);
    void disableFontDetectionForApplication(const QString& processName);
    // The universal font when "useUniversalFont" is on, else the record's "font",
    // passed through the font availability service (unchanged without one).
    QString applicationFont();
    void setApplicationFont(const QString& postScriptName);

    // ---- fonts and layouts ----
    QString layoutForFontFamily(const QString& family);
    // A null layout removes the link.
    void setLayout(const QString& layout, const QString& family);
    // Offers the bundle's "FontLinks.plist" suggestions once per store.
    void installFontLayoutSuggestions();
    float sizeAdjustmentForFontFamily(const QString& family);
    void setSizeAdjustment(float adjustment, const QString& family);
    void clearAllSizeAdjustments();
    // a < 0: 1 + a/2; else 1 + a/2 + a²/2 (-1 gives 0.5, 0 gives 1, 1 gives 2).
    static double fontSizeFactorForAdjustment(double adjustment);

    // ---- table and sample text ----
    // 3 (justified) when "editorAlignment" is 3, else 4 (natural).
    int defaultSampleAlignment();
    // Stores the rule and removes both exception lists.
    void setDefaultBlocksCollapsed(bool collapsed);
    bool isExpandedGroup(const QString& name);
    void setPrefersExpanded(bool expanded, const QString& group);
    // NO unless the menu theme is dark (never without a menu theme service); then the
    // setting "darkTable".
    bool darkTable();

    // ---- recent characters ----
    // The list shared by all fonts, read once and kept; records of no character, of
    // font ligatures (U+B0000 to U+BFFFF) and of private-use characters are dropped.
    // Change it in place and store it with setGlobalRecentCharacters.
    RbxRecentArray& globalRecentCharacters();
    void setGlobalRecentCharacters(const RbxRecentArray& list);
    // A family's list, read anew on every call; only its private-use characters are
    // kept (no character and ligatures dropped too).
    RbxRecentArray recentCharactersForFontFamily(const QString& family);
    void setRecentCharacters(const RbxRecentArray& list, const QString& family);
    // Recent ligatures are not kept per family: always none.
    std::optional<RbxRecentArray> recentLigaturesForFontFamily(const QString&) const { return std::nullopt; }

    // ---- login item (nothing happens without a login item service) ----
    void updateStartAtLogin();
    void updateStartAtLoginInBackground();

protected:
    RbxDefaults(const QString& domain, const QString& resourceFolder, Services services);

private:
    void migrate();

    const Services services_;
    std::optional<QVariantMap> rbxDefaultValues_;
    std::optional<RbxRecentArray> globalRecents_;
    QString frontName_;
    QVariantMap record_;
    bool suggestionsInstalled_ = false;
};

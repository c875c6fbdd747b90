#pragma once
// Layouts: how the characters of a font are divided into the titled groups of the
// character table. Two built-in layouts come from the bundle ("Unicode Blocks" and
// "Scripts and Symbols"), user layouts are text files in the support folder's "Layouts"
// folder, and the recent-characters layout (RbxRecentLayout) has one group of its own.
//
// The class side keeps the registry of layouts (RbxLayoutRegistry), fills the window's
// layout pop-up (RbxLayoutPopUp), remembers the choice in the settings and installs and
// updates the user's layout files.

#include "core/CharSet.h"
#include "model/RbxLayoutAnchor.h"

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <memory>
#include <vector>

class RbxCharGroup;
class RbxFontRepertoire;
class RbxGroupDescription;
class RbxGroupLayout;
class RbxLayoutPopUp;

struct RbxColor {
    double red = 1.0, green = 1.0, blue = 1.0;
    bool operator==(const RbxColor&) const = default;
};

using RbxCharGroupList = std::vector<std::shared_ptr<RbxCharGroup>>;

class RbxLayout : public RbxLayoutAnchor, public std::enable_shared_from_this<RbxLayout> {
public:
    // The built-in layouts' names.
    static QString unicodeBlocksName() { return QStringLiteral("Unicode Blocks"); }
    static QString scriptsAndSymbolsName() { return QStringLiteral("Scripts and Symbols"); }

    explicit RbxLayout(const QString& name = QString()) : name_(name) {}
    ~RbxLayout() override = default;

    // A layout without a name separates the built-in layouts from the user layouts.
    QString name() const { return name_; }
    void setName(const QString& name) { name_ = name; }
    bool isSeparator() const { return name_.isEmpty(); }
    virtual RbxColor backgroundColor() const { return {}; }
    bool isRecentLayout() const override { return false; }
    // The groups of the table for a font (nullptr: no usable font).
    virtual RbxCharGroupList groupsForFontInfo(RbxFontRepertoire* info);

    // ---- the registry ----
    // The built-in layouts, read from the bundle's "Layouts.plist" once per process.
    static std::vector<std::shared_ptr<RbxLayout>> builtinUnicodeLayouts();
    // The "Unicode Blocks" layout: also the reference list of Unicode blocks.
    static std::shared_ptr<RbxGroupLayout> unicodeBlocksLayout();
    // The user layouts, sorted by name; the folder is looked at again on each call and
    // the list rebuilt when its files changed.
    static std::vector<std::shared_ptr<RbxLayout>> customLayouts();
    // The built-in layouts, then (when there are user layouts) a separator layout and
    // the user layouts.
    static std::vector<std::shared_ptr<RbxLayout>> allUnicodeLayouts();
    static std::vector<std::shared_ptr<RbxLayout>> currentLayouts() { return allUnicodeLayouts(); }
    // The first "Unicode Blocks" description of that name, ignoring case; nullptr when none.
    static std::shared_ptr<RbxGroupDescription> unicodeGroupDescriptionWithName(const QString& name);
    // The layout of that name among currentLayouts; nullptr when none.
    static std::shared_ptr<RbxLayout> layoutNamed(const QString& name);

    // ---- the layout pop-up ----
    // The pop-up the registry fills (one is made on first use when none was set).
    static std::shared_ptr<RbxLayoutPopUp> layoutPopUp();
    // Remembers the window's pop-up and fills it (forced) for view 1.
    static void setLayoutPopUp(std::shared_ptr<RbxLayoutPopUp> popUp);
    static void fillLayoutPopUp(int view, bool forceUpdate);
    // Refills for the current "view", forced; when the pop-up is enabled the window is
    // asked to choose the current font's layout.
    static void updateLayoutPopUp();
    // "layout" for views below 4; else "disabledLayout" when the pop-up was last filled
    // for view 12, otherwise "sample".
    static QString layoutPrefKey();
    static void saveLayoutInPrefs();
    static std::shared_ptr<RbxLayout> selectedLayout();
    // Selects item 0; answers whether that changed the selection.
    static bool switchToUnicodeBlocksLayout();
    // Selects the item of that title; an empty or unknown title selects item 0.
    static void switchToLayoutNamed(const QString& name);

    // ---- the user's layout files ----
    // Rewrites every layout file with CR LF line breaks.
    static void updateCustomLayoutFiles();
    // Installs the sample layouts and the info files (once per process).
    static void fillCustomLayoutFolder(const QString& folder);
    static void copySampleLayoutsFrom(const QString& from, const QString& to);
    static void copyInfoFilesFrom(const QString& from, const QString& to);
    // Applies the bundle's "Layout-Updates.plist" entries for this file.
    static void applyLayoutUpdates(const QString& path);
    // The text after the updates (each an array of search/replacement strings); an
    // update applies when all of its search texts occur. `applied` tells whether any did.
    static QString applyUpdates(const QVariantList& updates, const QString& text, bool* applied = nullptr);

private:
    QString name_;
};

// A layout made of group descriptions. Its list begins with the shared favourites and
// recent-characters descriptions.
class RbxGroupLayout : public RbxLayout {
public:
    using DescriptionList = std::vector<std::shared_ptr<RbxGroupDescription>>;

    RbxGroupLayout(const QString& name, DescriptionList ownDescriptions);
    // From an array of a built-in layout: element 0 is the name, then groups.
    static std::shared_ptr<RbxGroupLayout> layoutWithArray(const QStringList& array);

    virtual const DescriptionList& groupList();
    RbxCharGroupList groupsForFontInfo(RbxFontRepertoire* info) override;
    std::size_t anchorIndexInCharacters(const std::vector<char32_t>& characters) const override;

    // Every character of the layout's own groups; a CR goes between two groups whose
    // texts are both at least 11 units long.
    QString repertoireStringForFontInfo(RbxFontRepertoire* info);
    // The union of the layout's own descriptions (but "Undefined") whose name contains
    // every word, ignoring case (all of them when there are no words).
    kx::CharSet characterSetForBlockNameFilter(const QStringList& words);
    // "name: (descriptions)"
    QString description();

protected:
    explicit RbxGroupLayout(const QString& name);
    DescriptionList groupList_;
    bool hasGroupList_ = false;

private:
    // Folded names of the own descriptions, made on first block-name search.
    std::vector<QString> foldedNames_;
};

// A user layout: a text file in the "Layouts" folder, read on first use.
class RbxCustomLayout : public RbxGroupLayout {
public:
    explicit RbxCustomLayout(const QString& path);
    const QString& layoutFilePath() const { return path_; }
    const DescriptionList& groupList() override;

    // The descriptions of a layout file's text (favourites and recents not included),
    // with the OTHER and BLOCK-OTHER groups filled.
    static DescriptionList descriptionsFromText(const QString& text);

private:
    QString path_;
};

// "All Characters": the font's characters for the Mac OS Roman codes 32 to 255 as one
// group without a header.
class RbxBasicLayout : public RbxLayout {
public:
    RbxBasicLayout() : RbxLayout(QStringLiteral("All Characters")) {}
    RbxCharGroupList groupsForFontInfo(RbxFontRepertoire* info) override;
};

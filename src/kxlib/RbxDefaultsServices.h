#pragma once
// What the settings store asks of the layers above it. The program's composition root
// hands implementations to RbxDefaults::open().

#include <QString>

// Which font stands in for a requested one.
class RbxFontAvailability {
public:
    virtual ~RbxFontAvailability() = default;
    // The PostScript name of the font to use at 12 points for a requested name: the
    // font itself when it is available, else the system font's name ("" stands for the
    // system font).
    virtual QString availableFontName(const QString& postScriptName) = 0;
};

// The appearance of the menus.
class RbxMenuTheme {
public:
    virtual ~RbxMenuTheme() = default;
    virtual bool isDarkMenuTheme() = 0;
};

// The program's login item. Called on the main thread or on a thread of its own.
class RbxLoginItem {
public:
    virtual ~RbxLoginItem() = default;
    // Makes the login item match `enabled`.
    virtual void updateLoginItem(bool enabled, bool hidden, const QString& namePart) = 0;
};

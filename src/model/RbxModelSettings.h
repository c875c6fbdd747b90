#pragma once
// The settings the font model reads ("view", "ligatures", "gsub", "morx",
// "safeDrawing", "colorEmojiFont"): from the settings store, or from a reader
// installed in its place (tests, tools that set a view of their own).

#include <QString>
#include <QVariant>
#include <functional>

class RbxModelSettings {
public:
    using Reader = std::function<QVariant(const QString& key)>;
    // nullptr goes back to the settings store.
    static void setReader(Reader reader);

    // The value, or an invalid QVariant when there is none.
    static QVariant value(const QString& key);
    static bool boolValue(const QString& key, bool defaultValue);
    static int intValue(const QString& key, int defaultValue);
    // "" when there is no string value.
    static QString stringValue(const QString& key);
};

#pragma once
// The settings the font model reads ("view", "ligatures", "gsub", "morx",
// "safeDrawing", "colorEmojiFont"), through a reader that the application installs
// over its settings store. Without a reader every key answers its default.

#include <QString>
#include <QVariant>
#include <functional>

class RbxModelSettings {
public:
    using Reader = std::function<QVariant(const QString& key)>;
    static void setReader(Reader reader);

    // The stored value, or an invalid QVariant when there is none.
    static QVariant value(const QString& key);
    static bool boolValue(const QString& key, bool defaultValue);
    static int intValue(const QString& key, int defaultValue);
    static QString stringValue(const QString& key);
};

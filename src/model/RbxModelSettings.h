#pragma once
// The settings the font model reads ("view", "ligatures", "gsub", "morx",
// "safeDrawing", "colorEmojiFont"): the settings store's, with some values fixed in
// their place (tools that show a view of their own, tests).

#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <memory>

class RbxModelSettings {
public:
    // What the keys not fixed read.
    enum class Others { FromStore, Absent };

    // The settings of the process (kx::ProcessWide<RbxModelSettings>): installed by the
    // composition root, else the process's store unchanged.
    static RbxModelSettings& shared();
    static std::unique_ptr<RbxModelSettings> makeDefault();

    // The values of `fixed`; the other keys from the process's settings store, or none.
    explicit RbxModelSettings(QVariantMap fixed = QVariantMap(), Others others = Others::FromStore);

    // The value, or an invalid QVariant when there is none.
    QVariant value(const QString& key) const;
    // A value of the store is read as the store reads it; a fixed one counts when it has
    // a number value.
    bool boolValue(const QString& key, bool defaultValue) const;
    int intValue(const QString& key, int defaultValue) const;
    // "" when there is no string value.
    QString stringValue(const QString& key) const;

private:
    bool fromStore(const QString& key) const { return others_ == Others::FromStore && !fixed_.contains(key); }

    const QVariantMap fixed_;
    const Others others_;
};

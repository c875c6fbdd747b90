#pragma once
// The settings store: the one place through which the system reads and writes its
// settings. It sits on the application's settings domain (platform::UserDefaults),
// keeps a cache of every value it handed out, stores numbers as numbers and
// tells registered observers about every change of a key it has looked at, whether
// the change came from this process or from another process writing the same file.
//
// Storage forms of the typed setters: integers as integers, floats as the number of their
// shortest decimal form (0.1f as 0.1), doubles as numbers, booleans as booleans, strings
// as they are (a null string as ""). The readers accept these and numbers written as
// decimal text alike.
//
// A key enters the cache on its first read that finds a value or on its first write,
// and is observed from then on; the first write of a key never seen before therefore
// notifies nobody, every later change does. The cache holds "<nil>" for a key known
// to have no value.
//
// In a process that may not change the user's files (KXUserFileAccess), the store
// reads the file as always but keeps every change, the launch count's included, in this
// process's memory.
//
// Thread safety: objectForKey/setObject and everything built on them may be called
// from any thread (one recursive lock guards the cache and the platform access).
// Observers hear of changes on the main thread, queued, never awaited.

#include "kxlib/SettingsKeys.h"

#include "platform/defaults/UserDefaults.h"

#include <QHash>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class KXDefaultObserver;

class KXDefaults {
public:
    // The marker cached for a key that has no value.
    static QString nilMarker() { return QStringLiteral("<nil>"); }

    // The shared store of the process (an RbxDefaults), made and loaded on first use.
    static KXDefaults& userDefaults();

    virtual ~KXDefaults();
    KXDefaults(const KXDefaults&) = delete;
    KXDefaults& operator=(const KXDefaults&) = delete;

    // What became of a change: saved, in effect but not yet saved (the file could not
    // be written; it is written later), or refused (text the settings file cannot carry).
    using Stored = platform::Stored;

    QVariant objectForKey(const QString& key);
    // Nil removes the key; the bundle default, if the key has one, is in force again.
    Stored setObject(const QVariant& value, const QString& key);
    Stored removeObjectForKey(const QString& key) { return setObject(QVariant(), key); }

    // Absent gives the default; a value that is not a string gives its description.
    QString stringForKey(const QString& key, const QString& defaultValue);
    QString stringForKey(const QString& key) { return stringForKey(key, QStringLiteral("")); }
    Stored setString(const QString& value, const QString& key);
    // Absent gives the default; text equal to "YES" in any case is YES; otherwise a
    // value with an integer value is YES when that is not 0; anything else is NO.
    bool boolForKey(const QString& key, bool defaultValue = false);
    Stored setBool(bool value, const QString& key);
    // Absent, or without an integer value, gives the default; else the 32-bit value.
    int integerForKey(const QString& key, int defaultValue = 0);
    // Stores the value as an integer (readers also take the texts older copies wrote).
    Stored setInteger(int value, const QString& key);
    // Absent or not numeric gives the default.
    float floatForKey(const QString& key, float defaultValue = 0.0f);
    double doubleForKey(const QString& key, double defaultValue = 0.0);
    // Store the value as a number (a float as its shortest decimal form).
    Stored setFloat(float value, const QString& key);
    Stored setDouble(double value, const QString& key);

    // The same readers with the key's own code default.
    bool boolForKey(const rbx::key::BoolKey& key) { return boolForKey(key.qname(), key.codeDefault); }
    int integerForKey(const rbx::key::IntKey& key) { return integerForKey(key.qname(), key.codeDefault); }
    // A number outside the key's usable range (or not finite) is not used: the bundle's
    // default is, and the first read of each such value logs it.
    float floatForKey(const rbx::key::FloatKey& key) { return float(doubleForKey(key)); }
    double doubleForKey(const rbx::key::FloatKey& key);
    QString stringForKey(const rbx::key::StringKey& key) {
        return stringForKey(key.qname(), QString::fromLatin1(key.codeDefault));
    }
    QVariant objectForKey(const rbx::key::ObjectKey& key) { return objectForKey(key.qname()); }

    bool hasOption(const QString&) const { return false; }
    // Integer "launch count".
    int launchCount();
    // Writes the changes that could not be written yet and picks up what other
    // processes changed; answers whether everything is on disk now.
    Stored synchronize();
    // A copy of the cache ("<nil>" markers included).
    QVariantMap copyCurrentValues();
    // setObject for every entry.
    void setValues(const QVariantMap& values);
    // Registers defaultValues() as the registration domain.
    void registerDefaultValues();
    // One "import" entry {"suite": domain, "keys": {key: key in that domain}}: copies
    // every value the domain has; true when at least one was copied.
    bool importDefaults(const QVariantMap& entry);

    // The bundle's "UserDefaults.plist", read once (empty and logged when unreadable).
    virtual QVariantMap defaultValues();

    // Reports changes of the key from now on, also when it has no value yet.
    void observeKey(const QString& key);
    // Observers are not retained; see KXDefaultObserver.
    void addObserver(KXDefaultObserver* observer);
    void removeObserver(KXDefaultObserver* observer);

    platform::UserDefaults& platformDefaults() { return *platform_; }

protected:
    // `domain`: the settings domain (the bundle identifier when empty);
    // `resourceFolder`: where "UserDefaults.plist" and the other bundle files are read
    // (the bundle's data folder when empty).
    KXDefaults(const QString& domain, const QString& resourceFolder);

    // Translation, registration, first remembering, launch count and first-launch
    // import; run once right after construction.
    void loadInitialValues();
    // Caches a value (or "<nil>"); the key is observed from now on.
    void rememberObject(const QVariant& value, const QString& key);
    // The path of a bundle data file.
    QString resourcePath(const QString& fileName) const;

    std::recursive_mutex lock_;

private:
    void platformChanged(const QString& key, const QVariant& value, platform::UserDefaults::ChangeKind kind);
    void post(const QString& key);

    const QString resourceFolder_;
    const bool writes_;  // false: changes stay in this process (KXUserFileAccess)
    std::unique_ptr<platform::UserDefaults> platform_;
    QVariantMap cache_;
    std::optional<QVariantMap> defaultValues_;
    QHash<QString, QString> unusableLogged_;  // key -> the unusable value last logged

    struct Registration {
        KXDefaultObserver* observer;
        std::weak_ptr<const void> token;
    };
    std::mutex observersMutex_;
    std::vector<Registration> observers_;
};

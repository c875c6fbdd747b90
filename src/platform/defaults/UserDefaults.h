#pragma once
// The user's settings of the application: its persistent domain (a DefaultsDomain)
// searched first, then the registration domain, which lives in memory only.
//
// Every change of a key is reported to one change observer with the key's new
// effective value: changes made through this object at once and on the calling
// thread, changes made by other processes when the file watcher notices them.

#include "platform/defaults/DefaultsDomain.h"

#include <QMutex>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>

namespace platform {

class UserDefaults {
public:
    // The kind of a reported change; this layer reports every change as a Setting
    // (the value was set, replaced or removed as a whole).
    enum class ChangeKind { Setting = 1, Insertion = 2, Removal = 3, Replacement = 4 };
    using ChangeObserver =
        std::function<void(const QString& key, const QVariant& newValue, ChangeKind kind)>;

    explicit UserDefaults(const QString& applicationDomain,
                          DefaultsDomain::Watch watch = DefaultsDomain::Watch::Yes);
    ~UserDefaults();

    // The persistent value, else the registered one, else nil.
    QVariant objectForKey(const QString& key) const;
    // Nil removes the key from the persistent domain. NotYetSaved when the file could
    // not be written (the value is in effect for this process nonetheless, and written
    // later); Refused (nothing changed) for text the file cannot carry.
    Stored setObject(const QVariant& value, const QString& key);
    Stored removeObject(const QString& key) { return setObject(QVariant(), key); }

    // Adds to the registration domain (existing registrations of the keys replaced).
    void registerDefaults(const QVariantMap& values);
    QVariantMap registrationDomain() const;
    QVariantMap persistentDomain() const;
    // Another domain's file, read once.
    static QVariantMap persistentDomainForName(const QString& domain);

    // Writes what is pending and picks up changes other processes made to the file.
    // Answers whether everything this process changed is on disk.
    Stored synchronize();

    void setChangeObserver(ChangeObserver observer);

    DefaultsDomain& domain() { return *domain_; }

private:
    void report(const QString& key, const QVariant& persistentValue);

    std::unique_ptr<DefaultsDomain> domain_;
    mutable QMutex mutex_;  // registration_ and observer_
    QVariantMap registration_;
    ChangeObserver observer_;
};

} // namespace platform

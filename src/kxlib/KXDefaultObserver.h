#pragma once
// An object that wants to hear of settings changes derives from this class and
// registers with KXDefaults::addObserver. The store does not own or keep observers
// alive: a destroyed observer simply stops receiving changes, even those already
// queued for it. Observers live on the main thread, where defaultChanged runs.

#include <QString>
#include <memory>

class KXDefaultObserver {
public:
    KXDefaultObserver();
    KXDefaultObserver(const KXDefaultObserver&);
    KXDefaultObserver& operator=(const KXDefaultObserver&) { return *this; }
    virtual ~KXDefaultObserver();

    // Called on the main thread, queued, after the setting `key` changed in this
    // process or in another one. Every observer overrides it; this one logs
    // "*** unhandled default change (<key>) in <class>".
    virtual void defaultChanged(const QString& key);

    // Expires when the observer is destroyed; queued deliveries check it.
    std::weak_ptr<const void> lifetimeToken() const { return token_; }

protected:
    // The class name used in the log line (the dynamic type's name by default).
    virtual QString observerClassName() const;

private:
    std::shared_ptr<const int> token_;
};

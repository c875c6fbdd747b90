#pragma once
// Named notifications inside the process: a poster names what happened, an object it
// is about and a dictionary of details; observers pick notifications by name and
// object. Posting runs the observers at once; enqueueing posts when the main event
// loop is next idle.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <functional>

struct KXNotification {
    QString name;
    const void* object = nullptr;  // identity only, never dereferenced
    QVariantMap userInfo;
};

class KXNotificationCenter {
public:
    using Observer = std::function<void(const KXNotification&)>;
    using Token = quint64;

    static KXNotificationCenter& defaultCenter();

    // `name` empty observes every name, `object` null every object. With a `context`,
    // the observer is dropped when the context is destroyed. Main thread.
    Token addObserver(const QString& name, const void* object, Observer observer, QObject* context = nullptr);
    void removeObserver(Token token);

    // Calls the matching observers now, in the order they were added; observers may add
    // and remove observers meanwhile.
    void post(const KXNotification& notification);
    void post(const QString& name, const void* object, const QVariantMap& userInfo = {}) {
        post(KXNotification{name, object, userInfo});
    }
    // Posts from the main event loop when it next runs; callable from any thread.
    void enqueue(const KXNotification& notification);

    int observerCount() const { return int(m_observers.size()); }

private:
    struct Entry {
        Token token;
        QString name;
        const void* object;
        Observer fn;
        bool hasContext;
        QPointer<QObject> context;
    };
    QList<Entry> m_observers;
    Token m_next = 1;
};

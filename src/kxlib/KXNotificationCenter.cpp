#include "kxlib/KXNotificationCenter.h"

#include "core/MainThread.h"

KXNotificationCenter& KXNotificationCenter::defaultCenter() {
    static KXNotificationCenter center;
    return center;
}

KXNotificationCenter::Token KXNotificationCenter::addObserver(const QString& name, const void* object,
                                                              Observer observer, QObject* context) {
    const Token t = m_next++;
    m_observers.append(Entry{t, name, object, std::move(observer), context != nullptr, context});
    return t;
}

void KXNotificationCenter::removeObserver(Token token) {
    m_observers.removeIf([token](const Entry& e) { return e.token == token; });
}

void KXNotificationCenter::post(const KXNotification& n) {
    m_observers.removeIf([](const Entry& e) { return e.hasContext && !e.context; });
    QList<Token> matching;
    for (const Entry& e : std::as_const(m_observers))
        if ((e.name.isEmpty() || e.name == n.name) && (!e.object || e.object == n.object)) matching.append(e.token);
    for (Token t : matching) {
        auto it = std::find_if(m_observers.cbegin(), m_observers.cend(), [t](const Entry& e) { return e.token == t; });
        if (it == m_observers.cend() || (it->hasContext && !it->context)) continue;
        const Observer fn = it->fn;
        fn(n);
    }
}

void KXNotificationCenter::enqueue(const KXNotification& n) {
    kx::runOnMain([this, n] { post(n); });
}

#include "kxlib/KXDefaultObserver.h"

#include "core/Log.h"

#include <cxxabi.h>
#include <cstdlib>
#include <typeinfo>

KXDefaultObserver::KXDefaultObserver() : token_(std::make_shared<const int>(0)) {}

KXDefaultObserver::KXDefaultObserver(const KXDefaultObserver&) : token_(std::make_shared<const int>(0)) {}

KXDefaultObserver::~KXDefaultObserver() = default;

void KXDefaultObserver::defaultChanged(const QString& key) {
    kx::log(QStringLiteral("*** unhandled default change (%1) in %2").arg(key, observerClassName()));
}

QString KXDefaultObserver::observerClassName() const {
    const char* mangled = typeid(*this).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    QString name = QString::fromLatin1(status == 0 && demangled ? demangled : mangled);
    std::free(demangled);
    return name;
}

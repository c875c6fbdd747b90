#include "kxlib/SafeCall.h"

#include "core/Log.h"

#include <execinfo.h>
#include <cstdlib>
#include <exception>
#include <mutex>

KXExecutionError KXExecutionError::withSignals(const QStringList& signalNames) {
    KXExecutionError e;
    e.signals_ = signalNames;
    return e;
}

KXExecutionError KXExecutionError::withException(const QString& what, const QString& callStack) {
    KXExecutionError e;
    e.exception_ = what;
    e.stack_ = callStack;
    e.hasException_ = true;
    return e;
}

QString KXExecutionError::description() const {
    if (!signals_.isEmpty()) return QStringLiteral("Signal %1").arg(signals_.join(QStringLiteral(", ")));
    if (hasException_) return QStringLiteral("%1\n%2").arg(exception_, stack_);
    return QStringLiteral("unknown execution error");
}

namespace kx::detail {

namespace {

std::recursive_mutex& guardLock() {
    static std::recursive_mutex m;
    return m;
}

// The call stack where the exception was caught, one frame a line.
QString callStack() {
    void* frames[64];
    const int n = ::backtrace(frames, 64);
    char** symbols = ::backtrace_symbols(frames, n);
    if (!symbols) return QString();
    QStringList lines;
    for (int i = 0; i < n; ++i) lines << QString::fromLocal8Bit(symbols[i]);
    std::free(symbols);
    return lines.join(u'\n');
}

} // namespace

std::optional<KXExecutionError> runGuarded(const QString& name, const std::function<void()>& body) {
    std::unique_lock lock(guardLock());
    try {
        body();
    } catch (const std::exception& e) {
        const QString what = QString::fromLocal8Bit(e.what());
        const QString stack = callStack();
        kx::log(QStringLiteral("** exception performing selector (%1): %2").arg(name, what));
        kx::log(QStringLiteral("** stack trace: %1").arg(stack));
        return KXExecutionError::withException(what, stack);
    } catch (...) {
        lock.unlock();
        throw;
    }
    return std::nullopt;
}

} // namespace kx::detail

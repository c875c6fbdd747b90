#pragma once
// Guarded calls: a callable run so that an exception inside it is caught, logged and
// turned into an error value instead of ending the program. All guarded calls share one
// process-wide (recursive) lock and run one at a time.
//
// Exceptions derived from std::exception are caught: the result is a KXExecutionError
// and the guard logs "** exception performing selector (<name>): <what>" and
// "** stack trace: <stack>". Any other exception passes on to the caller after the lock
// is released. Hardware faults (SIGSEGV and the like) are not guarded: a handler that
// returns cannot resume the faulting code, so the process's normal crash handling
// stands.
//
//   auto r = kx::safeCall("reloadFonts", [&] { return list.reload(); });
//   if (r.safeExecutionFailed()) ... r.error().description() ...; else use r.value();

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

class KXExecutionError {
public:
    KXExecutionError() = default;
    // Signals that arrived, by name ("SIGBUS", ...).
    static KXExecutionError withSignals(const QStringList& signalNames);
    static KXExecutionError withException(const QString& what, const QString& callStack);

    // "Signal <names joined by ", ">", "<exception>\n<call stack>", or
    // "unknown execution error".
    QString description() const;
    bool safeExecutionFailed() const { return true; }
    QString exceptionText() const { return exception_; }

private:
    QStringList signals_;
    QString exception_;
    QString stack_;
    bool hasException_ = false;
};

namespace kx {

// The result of a guarded call: the callable's value, or the error.
template <typename T> class SafeResult {
public:
    SafeResult(T value) : v_(std::move(value)) {}
    SafeResult(KXExecutionError error) : v_(std::move(error)) {}
    bool safeExecutionFailed() const { return std::holds_alternative<KXExecutionError>(v_); }
    T& value() { return std::get<T>(v_); }
    const T& value() const { return std::get<T>(v_); }
    // The value, or `fallback` when the call failed.
    T valueOr(T fallback) const { return safeExecutionFailed() ? std::move(fallback) : std::get<T>(v_); }
    const KXExecutionError& error() const { return std::get<KXExecutionError>(v_); }

private:
    std::variant<T, KXExecutionError> v_;
};

template <> class SafeResult<void> {
public:
    SafeResult() = default;
    SafeResult(KXExecutionError error) : error_(std::move(error)) {}
    bool safeExecutionFailed() const { return error_.has_value(); }
    const KXExecutionError& error() const { return *error_; }

private:
    std::optional<KXExecutionError> error_;
};

namespace detail {
// Runs body under the shared lock; answers the error (already logged) when body threw a
// std::exception, nothing when it returned. Other exceptions propagate.
std::optional<KXExecutionError> runGuarded(const QString& name, const std::function<void()>& body);
} // namespace detail

template <typename F> auto safeCall(const QString& name, F&& fn) -> SafeResult<std::invoke_result_t<F>> {
    using T = std::invoke_result_t<F>;
    if constexpr (std::is_void_v<T>) {
        auto error = detail::runGuarded(name, [&] { std::forward<F>(fn)(); });
        return error ? SafeResult<void>(std::move(*error)) : SafeResult<void>();
    } else {
        std::optional<T> result;
        auto error = detail::runGuarded(name, [&] { result.emplace(std::forward<F>(fn)()); });
        if (error) return SafeResult<T>(std::move(*error));
        return SafeResult<T>(std::move(*result));
    }
}

template <typename T> bool safeExecutionFailed(const SafeResult<T>& r) { return r.safeExecutionFailed(); }

} // namespace kx

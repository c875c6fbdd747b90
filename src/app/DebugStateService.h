#pragma once
// A look into the running palette for tests and benchmarks, on the session bus as
// "/Debug", interface "org.runebox.Debug". It exists only when the environment
// variable RUNEBOX_DEBUG_STATE is "1".
//   State() -> a{sv}: visible (b), alpha (d), sheet (s), view (i), layout (s),
//                     font (s), search (s), shown (i: showings so far),
//                     paintedNs (x: CLOCK_MONOTONIC of the first paint after the last
//                     showing, 0 before), activating (b), pid (i)
//   Close()          closes the palette as Escape would on an empty search

#include <QObject>
#include <QVariantMap>

class RbxCharWindowController;

class DebugStateService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.runebox.Debug")
public:
    static bool enabled();
    // Exports the service when enabled; answers whether it is exported.
    static bool exportIfEnabled(RbxCharWindowController* controller);

    explicit DebugStateService(RbxCharWindowController* controller, QObject* parent = nullptr);

    QVariantMap state() const;

public slots:
    Q_SCRIPTABLE QVariantMap State() { return state(); }
    Q_SCRIPTABLE void Close();

private:
    RbxCharWindowController* controller_;
};

#include "app/DebugStateService.h"

#include "app/PaletteTable.h"
#include "app/RbxCharWindowController.h"
#include "kxlib/RbxDefaults.h"
#include "core/Log.h"
#include "platform/dbus/SessionBus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QLineEdit>

bool DebugStateService::enabled() { return qEnvironmentVariable("RUNEBOX_DEBUG_STATE") == QLatin1String("1"); }

bool DebugStateService::exportIfEnabled(RbxCharWindowController* controller) {
    if (!enabled() || !controller) return false;
    QDBusConnection bus = dbus::sessionBus();
    if (!bus.isConnected()) return false;
    auto* service = new DebugStateService(controller, controller);
    if (!bus.registerObject(QStringLiteral("/Debug"), service, QDBusConnection::ExportScriptableSlots)) {
        kx::log(QStringLiteral("debug state: /Debug is taken"));
        delete service;
        return false;
    }
    return true;
}

DebugStateService::DebugStateService(RbxCharWindowController* controller, QObject* parent)
    : QObject(parent), controller_(controller) {}

QVariantMap DebugStateService::state() const {
    RbxDefaults& defaults = RbxDefaults::userDefaults();
    RbxCharWindow* w = controller_->window();
    return {
        {QStringLiteral("visible"), controller_->isWindowVisible()},
        {QStringLiteral("alpha"), double(controller_->windowAlpha())},
        {QStringLiteral("sheet"), controller_->sheets().attachedSheetName()},
        {QStringLiteral("view"), defaults.integerForKey(rbx::key::view)},
        {QStringLiteral("layout"), controller_->table().layoutName()},
        {QStringLiteral("font"), controller_->selectedFont().postScriptName()},
        {QStringLiteral("search"), controller_->searchField()->text()},
        {QStringLiteral("shown"), w ? w->showCount() : 0},
        {QStringLiteral("paintedNs"), w ? w->lastShowPaintNs() : qint64(0)},
        {QStringLiteral("activating"), w && w->isActivating()},
        {QStringLiteral("pid"), int(QCoreApplication::applicationPid())},
    };
}

void DebugStateService::Close() {
    if (controller_->isWindowVisible()) controller_->close();
}

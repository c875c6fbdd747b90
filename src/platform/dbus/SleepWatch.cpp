#include "platform/dbus/SleepWatch.h"

#include <QDBusMessage>
#include <QVariant>

namespace {
const QString Service = QStringLiteral("org.freedesktop.login1");
const QString Path = QStringLiteral("/org/freedesktop/login1");
const QString Interface = QStringLiteral("org.freedesktop.login1.Manager");
const QString Signal = QStringLiteral("PrepareForSleep");
} // namespace

SleepWatch::SleepWatch(const QDBusConnection& bus, QObject* parent) : QObject(parent), bus_(bus) {
    if (bus_.isConnected())
        watching_ = bus_.connect(Service, Path, Interface, Signal, this, SLOT(prepareForSleep(QDBusMessage)));
}

SleepWatch::~SleepWatch() {
    if (watching_) bus_.disconnect(Service, Path, Interface, Signal, this, SLOT(prepareForSleep(QDBusMessage)));
}

void SleepWatch::prepareForSleep(const QDBusMessage& message) {
    const QVariantList args = message.arguments();
    if (args.size() != 1 || args.first().metaType().id() != QMetaType::Bool) return;
    if (args.first().toBool()) emit goingToSleep();
    else emit wokeUp();
}

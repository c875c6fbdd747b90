#include "platform/atspi/Accessible.h"

#include "core/Log.h"
#include "core/ProcessWide.h"
#include "platform/dbus/AccessibilityEvents.h"

#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusReply>
#include <QDBusVariant>

QDBusArgument& operator<<(QDBusArgument& a, const atspi::Ref& r) {
    a.beginStructure();
    a << r.service << r.path;
    a.endStructure();
    return a;
}

const QDBusArgument& operator>>(const QDBusArgument& a, atspi::Ref& r) {
    a.beginStructure();
    a >> r.service >> r.path;
    a.endStructure();
    return a;
}

namespace atspi {

namespace {

const QString AccessibleIface = QStringLiteral("org.a11y.atspi.Accessible");
const QString ComponentIface = QStringLiteral("org.a11y.atspi.Component");
const QString ActionIface = QStringLiteral("org.a11y.atspi.Action");
const QString TextIface = QStringLiteral("org.a11y.atspi.Text");
const QString EditableTextIface = QStringLiteral("org.a11y.atspi.EditableText");
const QString PropertiesIface = QStringLiteral("org.freedesktop.DBus.Properties");
constexpr uint ScreenCoordinates = 0;

void registerTypes() {
    static const bool done = [] {
        qDBusRegisterMetaType<Ref>();
        qDBusRegisterMetaType<RefList>();
        qDBusRegisterMetaType<QMap<QString, QString>>();
        return true;
    }();
    (void)done;
}

// A value of an answer: plain, or wrapped in a variant, or still marshalled.
template <class T> std::optional<T> valueOf(const QVariant& v) {
    QVariant inner = v;
    if (inner.canConvert<QDBusVariant>() && inner.userType() == qMetaTypeId<QDBusVariant>())
        inner = inner.value<QDBusVariant>().variant();
    if (inner.userType() == qMetaTypeId<QDBusArgument>()) {
        const QDBusArgument arg = inner.value<QDBusArgument>();
        T out{};
        arg >> out;
        return out;
    }
    if (inner.canConvert<T>()) return inner.value<T>();
    return std::nullopt;
}

// Reads one marshalled value of a D-Bus signature that must match exactly.
template <class T> std::optional<T> typedArg(const QVariant& v, const char* signature) {
    QVariant inner = v;
    if (inner.userType() == qMetaTypeId<QDBusVariant>()) inner = inner.value<QDBusVariant>().variant();
    if (inner.userType() == qMetaTypeId<QDBusArgument>()) {
        const QDBusArgument arg = inner.value<QDBusArgument>();
        if (arg.currentSignature() != QLatin1String(signature)) return std::nullopt;
        T out{};
        arg >> out;
        return out;
    }
    return std::nullopt;
}

} // namespace

Client& Client::shared() { return kx::ProcessWide<Client>::get(); }

std::unique_ptr<Client> Client::makeDefault() { return std::make_unique<Client>(); }

Client::Client() { registerTypes(); }

Client::Client(const QDBusConnection& bus) : fixed_(bus) { registerTypes(); }

QDBusConnection Client::bus() { return fixed_ ? *fixed_ : a11y::accessibilityBus(); }

bool Client::isSilenced(const QString& service) {
    const auto it = silenced_.find(service);
    if (it == silenced_.end()) return false;
    if (it->elapsed() < SilenceMs) return true;
    silenced_.erase(it);
    return false;
}

std::optional<QDBusMessage> Client::call(const Ref& r, const QString& interface, const QString& method,
                                         const QVariantList& args) {
    if (r.isNull() || isSilenced(r.service)) return std::nullopt;
    QDBusConnection b = bus();
    if (!b.isConnected()) return std::nullopt;
    QDBusMessage m = QDBusMessage::createMethodCall(r.service, r.path.path(), interface, method);
    m.setArguments(args);
    m.setAutoStartService(false);
    const QDBusMessage reply = b.call(m, QDBus::Block, CallTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage) return reply;
    const QString error = reply.errorName();
    if (error == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
        error == QLatin1String("org.freedesktop.DBus.Error.Timeout")) {
        kx::log(QStringLiteral("accessibility: %1 did not answer %2 in time").arg(r.service, method));
        silenced_[r.service].start();
    }
    return std::nullopt;
}

std::optional<QVariant> Client::property(const Ref& r, const QString& interface, const QString& name) {
    const auto reply = call(r, PropertiesIface, QStringLiteral("Get"), {interface, name});
    if (!reply || reply->arguments().isEmpty()) return std::nullopt;
    return reply->arguments().first();
}

QString Client::name(const Ref& r) {
    const auto v = property(r, AccessibleIface, QStringLiteral("Name"));
    return v ? valueOf<QString>(*v).value_or(QString()) : QString();
}

std::optional<uint> Client::role(const Ref& r) {
    const auto reply = call(r, AccessibleIface, QStringLiteral("GetRole"));
    if (!reply || reply->arguments().isEmpty()) return std::nullopt;
    bool ok = false;
    const uint v = reply->arguments().first().toUInt(&ok);
    return ok ? std::optional<uint>(v) : std::nullopt;
}

quint64 Client::states(const Ref& r) {
    const auto reply = call(r, AccessibleIface, QStringLiteral("GetState"));
    if (!reply || reply->arguments().isEmpty()) return 0;
    const auto words = typedArg<QList<uint>>(reply->arguments().first(), "au");
    if (!words || words->isEmpty()) return 0;
    return quint64(words->value(0)) | (quint64(words->value(1)) << 32);
}

std::optional<RefList> Client::children(const Ref& r, int max) {
    const auto reply = call(r, AccessibleIface, QStringLiteral("GetChildren"));
    if (!reply || reply->arguments().isEmpty()) return std::nullopt;
    auto list = typedArg<RefList>(reply->arguments().first(), "a(so)");
    if (!list) return std::nullopt;
    if (list->size() > max) list->resize(max);
    return list;
}

Ref Client::parent(const Ref& r) {
    const auto v = property(r, AccessibleIface, QStringLiteral("Parent"));
    if (!v) return {};
    return typedArg<Ref>(*v, "(so)").value_or(Ref{});
}

QStringList Client::interfaces(const Ref& r) {
    const auto reply = call(r, AccessibleIface, QStringLiteral("GetInterfaces"));
    if (!reply || reply->arguments().isEmpty()) return {};
    return reply->arguments().first().toStringList();
}

QMap<QString, QString> Client::attributes(const Ref& r) {
    const auto reply = call(r, AccessibleIface, QStringLiteral("GetAttributes"));
    if (!reply || reply->arguments().isEmpty()) return {};
    return typedArg<QMap<QString, QString>>(reply->arguments().first(), "a{ss}").value_or(QMap<QString, QString>());
}

std::optional<QRect> Client::extents(const Ref& r) {
    const auto reply = call(r, ComponentIface, QStringLiteral("GetExtents"), {ScreenCoordinates});
    if (!reply || reply->arguments().isEmpty()) return std::nullopt;
    const QVariant v = reply->arguments().first();
    if (v.userType() != qMetaTypeId<QDBusArgument>()) return std::nullopt;
    const QDBusArgument arg = v.value<QDBusArgument>();
    if (arg.currentSignature() != QLatin1String("(iiii)")) return std::nullopt;
    int x = 0, y = 0, w = 0, h = 0;
    arg.beginStructure();
    arg >> x >> y >> w >> h;
    arg.endStructure();
    return QRect(x, y, w, h);
}

Ref Client::accessibleAtPoint(const Ref& r, const QPoint& p) {
    const auto reply = call(r, ComponentIface, QStringLiteral("GetAccessibleAtPoint"), {p.x(), p.y(), ScreenCoordinates});
    if (!reply || reply->arguments().isEmpty()) return {};
    return typedArg<Ref>(reply->arguments().first(), "(so)").value_or(Ref{});
}

QStringList Client::actionNames(const Ref& r) {
    const auto reply = call(r, ActionIface, QStringLiteral("GetActions"));
    if (!reply || reply->arguments().isEmpty()) return {};
    const QVariant v = reply->arguments().first();
    if (v.userType() != qMetaTypeId<QDBusArgument>()) return {};
    const QDBusArgument arg = v.value<QDBusArgument>();
    if (arg.currentSignature() != QLatin1String("a(sss)")) return {};
    QStringList names;
    arg.beginArray();
    while (!arg.atEnd()) {
        QString name, description, keys;
        arg.beginStructure();
        arg >> name >> description >> keys;
        arg.endStructure();
        names << name;
    }
    arg.endArray();
    return names;
}

bool Client::doAction(const Ref& r, const QStringList& names) {
    const QStringList offered = actionNames(r);
    for (int i = 0; i < offered.size(); ++i) {
        if (!names.contains(offered[i], Qt::CaseInsensitive)) continue;
        const auto reply = call(r, ActionIface, QStringLiteral("DoAction"), {i});
        return reply && !reply->arguments().isEmpty() && reply->arguments().first().toBool();
    }
    return false;
}

std::optional<QMap<QString, QString>> Client::textAttributesAtCaret(const Ref& r) {
    const auto caret = property(r, TextIface, QStringLiteral("CaretOffset"));
    if (!caret) return std::nullopt;
    const int offset = std::max(0, valueOf<int>(*caret).value_or(0));
    const auto reply = call(r, TextIface, QStringLiteral("GetAttributeRun"), {offset, true});
    if (!reply || reply->arguments().isEmpty()) return std::nullopt;
    return typedArg<QMap<QString, QString>>(reply->arguments().first(), "a{ss}");
}

bool Client::setText(const Ref& r, const QString& text) {
    const auto reply = call(r, EditableTextIface, QStringLiteral("SetTextContents"), {text});
    return reply && !reply->arguments().isEmpty() && reply->arguments().first().toBool();
}

RefList Client::applications() {
    return children(Ref{RegistryService, QDBusObjectPath(RootPath)}).value_or(RefList());
}

uint Client::pidOfService(const QString& service) {
    if (const auto it = pids_.constFind(service); it != pids_.constEnd()) return *it;
    QDBusConnection b = bus();
    QDBusConnectionInterface* iface = b.isConnected() ? b.interface() : nullptr;
    if (!iface) return 0;
    const QDBusReply<uint> reply = iface->servicePid(service);
    if (!reply.isValid()) return 0;
    if (pids_.size() > 1000) pids_.clear();
    pids_.insert(service, reply.value());
    return reply.value();
}

Ref Client::applicationForPid(uint pid) {
    if (pid == 0) return {};
    for (const Ref& app : applications())
        if (pidOfService(app.service) == pid) return app;
    return {};
}

bool accessibilityEnabled(const QDBusConnection& session) {
    if (!session.isConnected()) return false;
    QDBusMessage m = QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                                    PropertiesIface, QStringLiteral("Get"));
    m << QStringLiteral("org.a11y.Status") << QStringLiteral("IsEnabled");
    m.setAutoStartService(false);
    const QDBusMessage reply = session.call(m, QDBus::Block, Client::CallTimeoutMs * 4);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
    return valueOf<bool>(reply.arguments().first()).value_or(false);
}

bool enableAccessibility(const QDBusConnection& session) {
    if (!session.isConnected()) return false;
    QDBusMessage m = QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                                    PropertiesIface, QStringLiteral("Set"));
    m << QStringLiteral("org.a11y.Status") << QStringLiteral("IsEnabled") << QVariant::fromValue(QDBusVariant(true));
    const QDBusMessage reply = session.call(m, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        kx::log(QStringLiteral("accessibility: cannot switch it on (%1)").arg(reply.errorMessage()));
        return false;
    }
    return true;
}

} // namespace atspi

#pragma once
// The accessible objects of other programs as AT-SPI serves them on the accessibility
// bus: an object is the bus name of its program and an object path. The calls below
// are the ones the palette makes of them, each with a short time-out: a program that
// lets one call run out is not asked again for a while, so that a program that answers
// slowly or never cannot hold up the palette.

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QMap>
#include <QMetaType>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <optional>

namespace atspi {

// One accessible object.
struct Ref {
    QString service;       // the program's bus name
    QDBusObjectPath path;  // the object's path in it
    bool isNull() const { return service.isEmpty() || path.path().isEmpty() || path.path() == QLatin1String("/org/a11y/atspi/null"); }
    bool operator==(const Ref& o) const { return service == o.service && path == o.path; }
};
using RefList = QList<Ref>;

// The root object every program serves.
inline const QString RootPath = QStringLiteral("/org/a11y/atspi/accessible/root");
inline const QString RegistryService = QStringLiteral("org.a11y.atspi.Registry");

// The roles the palette tells apart (AT-SPI's role numbers).
enum Role : uint {
    RoleInvalid = 0,
    RoleCheckBox = 7,
    RoleCheckMenuItem = 8,
    RoleComboBox = 11,
    RoleDialog = 16,
    RoleFrame = 23,
    RoleLabel = 29,
    RoleList = 31,
    RoleMenu = 33,
    RoleMenuBar = 34,
    RoleMenuItem = 35,
    RolePanel = 39,
    RolePasswordText = 40,
    RolePopupMenu = 41,
    RolePushButton = 43,
    RoleRadioButton = 44,
    RoleRadioMenuItem = 45,
    RoleScrollPane = 49,
    RoleSeparator = 50,
    RoleTearoffMenuItem = 59,
    RoleTerminal = 60,
    RoleText = 61,
    RoleToolBar = 63,
    RoleWindow = 69,
    RoleParagraph = 73,
    RoleApplication = 75,
    RoleEntry = 79,
};

// AT-SPI's state numbers: bit n of the state set.
enum State : int {
    StateActive = 1,
    StateChecked = 4,
    StateEditable = 7,
    StateEnabled = 8,
    StateFocused = 12,
    StateModal = 16,
    StateSelected = 23,
    StateSensitive = 24,
    StateShowing = 25,
    StateVisible = 30,
};
inline bool hasState(quint64 states, State s) { return (states >> int(s)) & 1; }

// The calls. Every call answers nothing (or the neutral value named) on any error,
// time-out or garbled answer. Main thread.
class Client {
public:
    // The client of the process (kx::ProcessWide<Client>): installed by the composition
    // root or a test, else one on the accessibility bus of the session.
    static Client& shared();
    static std::unique_ptr<Client> makeDefault();

    // Without a connection: the accessibility bus of the session, looked up when first
    // needed.
    Client();
    explicit Client(const QDBusConnection& bus);

    // How long one call may take.
    static constexpr int CallTimeoutMs = 250;
    // How long a program that let a call run out is left alone.
    static constexpr int SilenceMs = 10000;

    QDBusConnection bus();
    bool isConnected() { return bus().isConnected(); }

    // ---- the object ---------------------------------------------------------------------
    QString name(const Ref& r);
    std::optional<uint> role(const Ref& r);
    // The state bits (see State); 0 on error.
    quint64 states(const Ref& r);
    // At most `max` children.
    std::optional<RefList> children(const Ref& r, int max = 1000);
    Ref parent(const Ref& r);
    QStringList interfaces(const Ref& r);
    // The object's own attributes ("toolkit", "id" ...).
    QMap<QString, QString> attributes(const Ref& r);

    // ---- components, actions, text ----------------------------------------------------
    // The frame in screen coordinates.
    std::optional<QRect> extents(const Ref& r);
    // The object of the program at a point of the screen, the deepest one.
    Ref accessibleAtPoint(const Ref& r, const QPoint& screenPoint);
    QStringList actionNames(const Ref& r);
    // Runs the first action whose name is one of `names`; false when none is offered or it failed.
    bool doAction(const Ref& r, const QStringList& names);
    // The text attributes at the caret, the defaults included ("family-name", "weight",
    // "style", "size" ...); nothing when the object has no text.
    std::optional<QMap<QString, QString>> textAttributesAtCaret(const Ref& r);
    // Sets a text's whole contents (EditableText); false on failure.
    bool setText(const Ref& r, const QString& text);

    // ---- programs ----------------------------------------------------------------------
    // The applications the registry knows.
    RefList applications();
    // The process of a bus name; 0 when unknown.
    uint pidOfService(const QString& service);
    // The root object of the first application of the process; a null reference when
    // no application of it is known.
    Ref applicationForPid(uint pid);

    // Whether the program was left alone after a time-out (tests, logs).
    bool isSilenced(const QString& service);

private:
    std::optional<QDBusMessage> call(const Ref& r, const QString& interface, const QString& method,
                                     const QVariantList& args = {});
    std::optional<QVariant> property(const Ref& r, const QString& interface, const QString& name);

    std::optional<QDBusConnection> fixed_;
    QHash<QString, QElapsedTimer> silenced_;
    QHash<QString, uint> pids_;
};

// Whether the desktop has its accessibility switched on (org.a11y.Status IsEnabled on
// the session bus); false when nothing answers.
bool accessibilityEnabled(const QDBusConnection& session);
// Switches it on; false when the session has no accessibility bus.
bool enableAccessibility(const QDBusConnection& session);

} // namespace atspi

Q_DECLARE_METATYPE(atspi::Ref)
Q_DECLARE_METATYPE(atspi::RefList)

QDBusArgument& operator<<(QDBusArgument& a, const atspi::Ref& r);
const QDBusArgument& operator>>(const QDBusArgument& a, atspi::Ref& r);

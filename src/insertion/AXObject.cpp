#include "insertion/AXObject.h"

#include "core/Log.h"
#include "platform/x11/PointerQueries.h"
#include "platform/x11/X11Session.h"

#include <QCursor>

using atspi::Ref;

namespace {

const QString RoleMenuBar = QStringLiteral("AXMenuBar");
const QString RoleMenuBarItem = QStringLiteral("AXMenuBarItem");
const QString RoleMenu = QStringLiteral("AXMenu");
const QString RoleMenuItem = QStringLiteral("AXMenuItem");

bool isMenuContainer(uint role) {
    return role == atspi::RoleMenuBar || role == atspi::RoleMenu || role == atspi::RolePopupMenu;
}
bool isItemRole(uint role) {
    return role == atspi::RoleMenuItem || role == atspi::RoleCheckMenuItem || role == atspi::RoleRadioMenuItem ||
           role == atspi::RoleTearoffMenuItem;
}

QString plainRoleName(uint role) {
    switch (role) {
    case atspi::RoleApplication: return QStringLiteral("AXApplication");
    case atspi::RoleFrame:
    case atspi::RoleWindow:
    case atspi::RoleDialog: return QStringLiteral("AXWindow");
    case atspi::RoleMenuBar: return RoleMenuBar;
    case atspi::RolePopupMenu: return RoleMenu;
    case atspi::RoleText:
    case atspi::RoleParagraph:
    case atspi::RoleTerminal: return QStringLiteral("AXTextArea");
    case atspi::RoleEntry:
    case atspi::RolePasswordText: return QStringLiteral("AXTextField");
    case atspi::RolePushButton: return QStringLiteral("AXButton");
    case atspi::RoleCheckBox: return QStringLiteral("AXCheckBox");
    case atspi::RoleRadioButton: return QStringLiteral("AXRadioButton");
    case atspi::RoleLabel: return QStringLiteral("AXStaticText");
    case atspi::RoleComboBox: return QStringLiteral("AXComboBox");
    case atspi::RoleList: return QStringLiteral("AXList");
    case atspi::RoleScrollPane: return QStringLiteral("AXScrollArea");
    case atspi::RoleToolBar: return QStringLiteral("AXToolbar");
    case atspi::RolePanel: return QStringLiteral("AXGroup");
    case atspi::RoleSeparator: return QStringLiteral("AXSplitter");
    default: return QStringLiteral("AXUnknown");
    }
}

// Titles compare with a typographic ellipsis written as three full stops.
QString withDots(QString s) { return s.replace(QChar(0x2026), QStringLiteral("...")); }

// How many elements a search for the focused element or the menu bar looks at.
constexpr int SearchBudget = 400;

} // namespace

// ---- making

AXObject::Ptr AXObject::make(const ChildRef& r) {
    if (r.element.isNull()) return nullptr;
    return std::make_shared<AXObject>(r.element, r.kind);
}

AXObject::Ptr AXObject::objectWithElement(const Ref& element) { return make({element, Kind::Element}); }

AXObject::Ptr AXObject::systemWideObject() {
    static const Ptr shared = std::make_shared<AXObject>(Ref{atspi::RegistryService, QDBusObjectPath(atspi::RootPath)},
                                                         Kind::SystemWide);
    return shared;
}

AXObject::Ptr AXObject::applicationObjectForPID(int pid) {
    if (pid <= 0) return nullptr;
    return objectWithElement(atspi::Client::shared().applicationForPid(uint(pid)));
}

AXObject::Ptr AXObject::applicationObjectForProcess(const KXProcess::SerialNumber& serial) {
    const KXProcess::Ptr p = KXProcess::processWithSerialNumber(serial);
    return p ? applicationObjectForPID(p->unixPID()) : nullptr;
}

AXObject::Ptr AXObject::frontApplication() {
    const KXProcess::Ptr p = KXProcess::frontProcess();
    return p ? applicationObjectForPID(p->unixPID()) : nullptr;
}

AXObject::Ptr AXObject::objectAtLocation(const QPoint& point) {
    const Ptr app = applicationObjectForPID(pointer::pidOfWindowAt(X11Session::shared(), point));
    if (!app) return nullptr;
    atspi::Client& c = atspi::Client::shared();
    for (const Ref& window : c.children(app->element()).value_or(atspi::RefList())) {
        const auto frame = c.extents(window);
        if (!frame || !frame->contains(point)) continue;
        Ref current = window;
        for (int depth = 0; depth < 32; ++depth) {
            const Ref next = c.accessibleAtPoint(current, point);
            if (next.isNull() || next == current) break;
            current = next;
        }
        return objectWithElement(current);
    }
    return nullptr;
}

AXObject::Ptr AXObject::objectUnderMouse() { return objectAtLocation(QCursor::pos()); }

// ---- identity

int AXObject::processID() {
    if (kind_ == Kind::SystemWide) return 0;
    return int(client().pidOfService(element_.service));
}

bool AXObject::stillExists() {
    if (kind_ == Kind::SystemWide) return true;
    return processID() != 0 && client().role(element_).has_value();
}

QString AXObject::description() { return QStringLiteral("%1 \"%2\"").arg(role(), title()); }

std::optional<uint> AXObject::atspiRole() {
    if (!role_) role_ = client().role(element_);
    return role_;
}

Ref AXObject::atspiParent() {
    if (!parent_) parent_ = client().parent(element_);
    return *parent_;
}

bool AXObject::isMenuLikeItem() {
    if (kind_ != Kind::Element || atspiRole() != atspi::RoleMenu) return false;
    const auto parentRole = client().role(atspiParent());
    return parentRole && isMenuContainer(*parentRole);
}

QString AXObject::axRole() {
    if (kind_ == Kind::SystemWide) return QStringLiteral("AXSystemWide");
    if (kind_ == Kind::Menu) return RoleMenu;
    const auto role = atspiRole();
    if (!role) return QString();
    if (*role == atspi::RoleMenu || isItemRole(*role) || *role == atspi::RoleSeparator) {
        const auto parentRole = client().role(atspiParent());
        if (parentRole == atspi::RoleMenuBar) return *role == atspi::RoleSeparator ? QStringLiteral("AXSplitter") : RoleMenuBarItem;
        if (parentRole && isMenuContainer(*parentRole)) return RoleMenuItem;
        if (*role == atspi::RoleMenu) return RoleMenu;
        if (isItemRole(*role)) return RoleMenuItem;
    }
    return plainRoleName(*role);
}

// ---- attributes

QVariant AXObject::objectValue(const Ptr& p) const { return p ? QVariant::fromValue(p) : QVariant(); }

QVariant AXObject::valueOfAttribute(const QString& name) {
    const bool wide = kind_ == Kind::SystemWide;
    if (name == QLatin1String("AXRole")) {
        const QString r = axRole();
        return r.isEmpty() ? QVariant() : QVariant(r);
    }
    if (name == QLatin1String("AXFocusedApplication")) return wide ? objectValue(frontApplication()) : QVariant();
    if (name == QLatin1String("AXChildren")) {
        QList<Ptr> list;
        for (int i = 0, n = numberOfChildren(); i < n; ++i)
            if (Ptr c = childAtIndex(i)) list << c;
        return QVariant::fromValue(list);
    }
    if (wide) return {};
    if (name == QLatin1String("AXTitle")) {
        if (!atspiRole()) return {};
        return client().name(element_);
    }
    if (name == QLatin1String("AXEnabled") || name == QLatin1String("AXSelected") || name == QLatin1String("AXFocused") ||
        name == QLatin1String("AXMain") || name == QLatin1String("AXModal")) {
        if (!atspiRole()) return {};
        const quint64 s = client().states(element_);
        if (name == QLatin1String("AXEnabled"))
            return atspi::hasState(s, atspi::StateEnabled) || atspi::hasState(s, atspi::StateSensitive);
        if (name == QLatin1String("AXSelected")) return atspi::hasState(s, atspi::StateSelected);
        if (name == QLatin1String("AXFocused")) return atspi::hasState(s, atspi::StateFocused);
        if (name == QLatin1String("AXMain")) return atspi::hasState(s, atspi::StateActive);
        return atspi::hasState(s, atspi::StateModal);
    }
    if (name == QLatin1String("AXPosition") || name == QLatin1String("AXSize")) {
        const auto frame = client().extents(element_);
        if (!frame) return {};
        return name == QLatin1String("AXPosition") ? QVariant(frame->topLeft()) : QVariant(frame->size());
    }
    if (name == QLatin1String("AXParent")) {
        if (kind_ == Kind::Menu) return objectValue(make({element_, Kind::Element}));
        const Ref p = atspiParent();
        if (p.isNull()) return {};
        AXObject parent(p, Kind::Element);
        return objectValue(make({p, parent.isMenuLikeItem() ? Kind::Menu : Kind::Element}));
    }
    if (name == QLatin1String("AXMenuItemMarkChar")) {
        const auto role = atspiRole();
        if (kind_ != Kind::Element || !role || !(isItemRole(*role) || *role == atspi::RoleMenu)) return {};
        return atspi::hasState(client().states(element_), atspi::StateChecked) ? QStringLiteral("\u2713") : QString();
    }
    if (name == QLatin1String("AXSelectedChildren")) {
        QList<Ptr> list;
        for (int i = 0, n = numberOfChildren(); i < n; ++i)
            if (Ptr c = childAtIndex(i); c && c->isSelected()) list << c;
        return QVariant::fromValue(list);
    }
    if (name == QLatin1String("AXMenuBar")) return objectValue(menuBar());
    if (name == QLatin1String("AXFocusedWindow")) return objectValue(focusedWindow());
    if (name == QLatin1String("AXFocusedUIElement")) return objectValue(focusedElement());
    if (name == QLatin1String("AXSubrole")) {
        const auto role = atspiRole();
        if (role == atspi::RoleDialog) return QStringLiteral("AXDialog");
        if (role == atspi::RoleFrame || role == atspi::RoleWindow) return QStringLiteral("AXStandardWindow");
        return {};
    }
    return {};
}

AXObject::Ptr AXObject::attributeNamed(const QString& name) {
    const QVariant v = valueOfAttribute(name);
    return v.canConvert<Ptr>() ? v.value<Ptr>() : nullptr;
}

int AXObject::countOfAttribute(const QString& name) {
    const QVariant v = valueOfAttribute(name);
    if (v.canConvert<QList<Ptr>>()) return int(v.value<QList<Ptr>>().size());
    return 0;
}

QString AXObject::stringAttribute(const QString& name) {
    const QVariant v = valueOfAttribute(name);
    return v.userType() == QMetaType::QString ? v.toString() : QString();
}

bool AXObject::booleanAttribute(const QString& name) {
    const QVariant v = valueOfAttribute(name);
    return v.userType() == QMetaType::Bool && v.toBool();
}

bool AXObject::getIntegerAttribute(const QString& name, int& value) {
    const QVariant v = valueOfAttribute(name);
    if (!v.isValid()) return false;
    bool ok = false;
    const int n = (v.userType() == QMetaType::Int || v.userType() == QMetaType::Bool) ? v.toInt(&ok) : 0;
    value = ok ? n : -1;
    return true;
}

bool AXObject::setAttribute(const QString& name, const QString& value) {
    if (kind_ == Kind::Element && name == QLatin1String("AXValue") && client().setText(element_, value)) return true;
    kx::log(QStringLiteral(" cannot set string attribute %1 of %2 to \"%3\"").arg(name, description(), value));
    return false;
}

bool AXObject::setAttribute(const QString& name, int value) {
    kx::log(QStringLiteral(" cannot set integer attribute %1 of %2 to %3").arg(name, description()).arg(value));
    return false;
}

std::optional<QVariantList> AXObject::copyMultipleAttributes(const QStringList&) {
    kx::log(QStringLiteral("copyMultipleAttributes: is not available"));
    return std::nullopt;
}

QPoint AXObject::position() { return valueOfAttribute(QStringLiteral("AXPosition")).toPoint(); }
QSize AXObject::size() { return valueOfAttribute(QStringLiteral("AXSize")).toSize(); }

// ---- children

std::optional<QList<AXObject::ChildRef>> AXObject::readChildren() {
    if (kind_ == Kind::Element && isMenuLikeItem()) return QList<ChildRef>{ChildRef{element_, Kind::Menu}};
    const auto refs = kind_ == Kind::SystemWide ? std::optional<atspi::RefList>(client().applications())
                                                : client().children(element_, 1000);
    if (!refs) return std::nullopt;
    QList<ChildRef> out;
    for (const Ref& r : *refs) out << ChildRef{r, Kind::Element};
    return out;
}

int AXObject::numberOfChildren() {
    if (!childRefs_) {
        childRefs_ = readChildren().value_or(QList<ChildRef>());
        children_ = QList<Ptr>(childRefs_->size());
    }
    return int(childRefs_->size());
}

AXObject::Ptr AXObject::childAtIndex(int index) {
    if (index < 0 || index >= numberOfChildren()) return nullptr;
    Ptr& slot = children_[index];
    if (!slot) slot = make((*childRefs_)[index]);
    return slot;
}

void AXObject::forgetChildren() {
    childRefs_.reset();
    children_.clear();
}

bool AXObject::updateChildren() {
    if (!childRefs_) return false;
    const QList<ChildRef> fresh = readChildren().value_or(QList<ChildRef>());
    bool changed = false;
    const qsizetype common = std::min(fresh.size(), childRefs_->size());
    for (qsizetype i = 0; i < common; ++i) {
        Ptr& old = children_[i];
        if (!old) continue;
        const bool same = old->stillExists() && old->parent() && ChildRef{old->element_, old->kind_} == fresh[i];
        if (!same) {
            old = make(fresh[i]);
            changed = true;
        }
    }
    if (fresh.size() != childRefs_->size()) changed = true;
    children_.resize(fresh.size());
    childRefs_ = fresh;
    return changed;
}

QStringList AXObject::childEntries() const {
    QStringList out;
    for (const Ptr& c : children_) out << (c ? c->description() : Placeholder);
    return out;
}

bool AXObject::performAction(const QString&) {
    if (kind_ == Kind::SystemWide) return false;
    return client().doAction(element_, {QStringLiteral("click"), QStringLiteral("activate"), QStringLiteral("press")});
}

// ---- finding inside an application

AXObject::Ptr AXObject::focusedWindow() {
    const Ptr app = objectWithElement(Ref{element_.service, QDBusObjectPath(atspi::RootPath)});
    if (!app || kind_ == Kind::SystemWide) return nullptr;
    Ptr candidate;
    for (int i = 0, n = app->numberOfChildren(); i < n; ++i) {
        const Ptr w = app->childAtIndex(i);
        if (!w) continue;
        const auto role = w->atspiRole();
        if (role != atspi::RoleFrame && role != atspi::RoleWindow && role != atspi::RoleDialog) continue;
        if (atspi::hasState(client().states(w->element_), atspi::StateActive)) return w;
        if (!candidate) candidate = w;
    }
    return candidate;
}

AXObject::Ptr AXObject::menuBar() {
    if (kind_ == Kind::SystemWide) return nullptr;
    if (atspiRole() == atspi::RoleMenuBar) return shared_from_this();
    const Ptr window = focusedWindow();
    const Ptr app = objectWithElement(Ref{element_.service, QDBusObjectPath(atspi::RootPath)});
    // Breadth first: the menu bar sits near the top of its window.
    QList<Ptr> queue;
    if (window) queue << window;
    if (app) queue << app;
    for (int seen = 0; !queue.isEmpty() && seen < SearchBudget; ++seen) {
        const Ptr p = queue.takeFirst();
        const auto role = p->atspiRole();
        if (role == atspi::RoleMenuBar) return p;
        if (role == atspi::RoleMenu || role == atspi::RolePopupMenu || role == atspi::RoleText) continue;
        for (const Ref& r : client().children(p->element_, 1000).value_or(atspi::RefList()))
            queue << objectWithElement(r);
    }
    return nullptr;
}

AXObject::Ptr AXObject::focusedElement() {
    const Ptr window = focusedWindow();
    if (!window) return nullptr;
    // Depth first through what is showing.
    QList<Ref> stack{window->element_};
    for (int seen = 0; !stack.isEmpty() && seen < SearchBudget; ++seen) {
        const Ref r = stack.takeLast();
        const quint64 s = client().states(r);
        if (atspi::hasState(s, atspi::StateFocused)) return objectWithElement(r);
        if (!atspi::hasState(s, atspi::StateShowing)) continue;
        const auto role = client().role(r);
        if (role == atspi::RoleMenuBar || role == atspi::RoleMenu) continue;
        const atspi::RefList kids = client().children(r, 1000).value_or(atspi::RefList());
        for (auto it = kids.crbegin(); it != kids.crend(); ++it) stack << *it;
    }
    return nullptr;
}

// ---- menus

QString AXObject::menuPathWithPrefix(const QString& prefix, const QString& separator, const QString& suffix) {
    if (role() != RoleMenuItem) return QString();
    const QString t = title();
    if (t.isEmpty()) return QString();
    QString path = separator + t;
    const Ptr up = parent();
    kx::log(QStringLiteral("next up: %1").arg(up ? up->description() : QStringLiteral("(null)")));
    if (up && up->role() == RoleMenu) {
        const Ptr upper = up->parent();
        kx::log(QStringLiteral("next up: %1").arg(upper ? upper->description() : QStringLiteral("(null)")));
        if (upper && upper->role() == RoleMenuBarItem) path = upper->title() + separator + t;
        else if (upper && upper->role() == RoleMenuItem) path = upper->menuPathWithPrefix(QString(), separator, QString()) + separator + t;
    }
    return prefix + path + suffix;
}

QString AXObject::normalizedTitleString(const QString& title) {
    QString s = title;
    s.replace(QStringLiteral("..."), QStringLiteral("\u2026"));
    s.replace(QChar(0x00A0), QLatin1Char(' '));
    for (const char16_t q : {u'\u201C', u'\u201D', u'\u201E'}) s.replace(QChar(q), QLatin1Char('"'));
    for (const char16_t q : {u'\u2018', u'\u2019', u'\u201A'}) s.replace(QChar(q), QLatin1Char('\''));
    for (char16_t d = 0x2010; d <= 0x2015; ++d) s.replace(QChar(d), QLatin1Char('-'));
    s.replace(QStringLiteral("  "), QStringLiteral(" "));
    s.replace(QStringLiteral("  "), QStringLiteral(" "));
    return s.trimmed();
}

AXObject::Ptr AXObject::menuItemAtPath(const QString& path) {
    QString p = normalizedTitleString(path);
    if (p.startsWith(QStringLiteral("::"))) p = p.mid(2);
    QStringList components = p.split(QStringLiteral("::"));
    Ptr current = shared_from_this();
    const QString startRole = role();
    if (startRole != RoleMenuBar && startRole != RoleMenuBarItem && startRole != RoleMenu && startRole != RoleMenuItem)
        current = attributeNamed(QStringLiteral("AXMenuBar"));
    while (current && !components.isEmpty()) {
        const QString r = current->role();
        if (r == RoleMenuBar) {
            Ptr next;
            for (int i = 0, n = current->numberOfChildren(); i < n && !next; ++i)
                if (Ptr c = current->childAtIndex(i); c && c->title() == components.first()) next = c;
            if (!next) return nullptr;
            components.removeFirst();
            current = next;
        } else if (r == RoleMenuBarItem || r == RoleMenuItem) {
            Ptr menu = current->childAtIndex(0);
            if (!menu) {
                kx::log(QStringLiteral("menu bar item \"%1\" without menu").arg(current->title()));
                return nullptr;
            }
            current = menu;
        } else if (r == RoleMenu) {
            Ptr match;
            const QString wanted = withDots(components.first());
            for (int i = 0, n = current->numberOfChildren(); i < n && !match; ++i)
                if (Ptr c = current->childAtIndex(i); c && withDots(c->title()) == wanted) match = c;
            if (!match) return nullptr;
            components.removeFirst();
            if (components.isEmpty()) return match;
            Ptr sub = match->childAtIndex(0);
            if (!sub) {
                kx::log(QStringLiteral("menu bar item \"%1\" without sub menu").arg(match->title()));
                return nullptr;
            }
            current = sub;
        } else {
            return nullptr;
        }
    }
    return nullptr;
}

#pragma once
// One element of another program's user interface, read through the accessibility
// service (AT-SPI): an application, the system-wide element, or anything inside an
// application. It reads and sets attributes, keeps the element's children once read,
// performs actions and builds menu paths. Attributes and roles carry the names
// "AXTitle", "AXRole", "AXMenuItem" ... that the rest of the program uses.
//
// Menus: AT-SPI serves one "menu" object for a menu bar's item and the menu it opens
// (likewise for a submenu and its item). Here such an object is the item
// ("AXMenuBarItem" or "AXMenuItem") and its only child is a menu ("AXMenu") made for it,
// whose children are the object's children. Menu paths then read "Format::Font::Bold".
//
// Every failure of the service gives the neutral answer named; nothing throws. Main
// thread.

#include "kxlib/KXProcess.h"
#include "platform/atspi/Accessible.h"

#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <optional>

class AXObject : public std::enable_shared_from_this<AXObject> {
public:
    using Ptr = std::shared_ptr<AXObject>;
    static inline const QString Placeholder = QStringLiteral("-placeholder-");

    // ---- making ------------------------------------------------------------------------
    static Ptr objectWithElement(const atspi::Ref& element);  // null for a null element
    static Ptr systemWideObject();                             // shared
    static Ptr applicationObjectForPID(int pid);               // null when the service does not know it
    static Ptr applicationObjectForProcess(const KXProcess::SerialNumber& serial);
    static Ptr frontApplication();
    // The deepest element at a point of the screen (top-left coordinates); null for nothing.
    static Ptr objectAtLocation(const QPoint& point);
    static Ptr objectUnderMouse();

    const atspi::Ref& element() const { return element_; }
    int processID();       // 0 on error
    bool stillExists();    // it still has a process
    QString description(); // "<role> \"<title>\""
    bool isEqual(const AXObject& other) const {
        return kind_ == other.kind_ && element_ == other.element_;
    }

    // ---- attributes --------------------------------------------------------------------
    // The value of an attribute: text, boolean, number, point, size, an object
    // (AXObject::Ptr) or a list of objects; invalid when absent or on error.
    QVariant valueOfAttribute(const QString& name);
    Ptr attributeNamed(const QString& name);         // the value as an object; null otherwise
    bool hasAttribute(const QString& name) { return valueOfAttribute(name).isValid(); }
    int countOfAttribute(const QString& name);       // 0 on error
    QString stringAttribute(const QString& name);    // "" on error
    bool booleanAttribute(const QString& name);      // true only for a true boolean
    // False on error; the value -1 when it is no number.
    bool getIntegerAttribute(const QString& name, int& value);
    bool setAttribute(const QString& name, const QString& value);
    bool setAttribute(const QString& name, int value);
    // Not offered: logs and gives nothing.
    std::optional<QVariantList> copyMultipleAttributes(const QStringList& names);

    QString title() { return stringAttribute(QStringLiteral("AXTitle")); }
    QString role() { return stringAttribute(QStringLiteral("AXRole")); }
    bool isEnabled() { return booleanAttribute(QStringLiteral("AXEnabled")); }
    bool isSelected() { return booleanAttribute(QStringLiteral("AXSelected")); }
    QPoint position();  // the zero point on error
    QSize size();       // zero on error
    Ptr parent() { return attributeNamed(QStringLiteral("AXParent")); }

    // ---- children (read once, at most 1000, until forgotten or updated) ------------------
    int numberOfChildren();
    Ptr childAtIndex(int index);  // null outside 0..count-1
    bool hasKnownChildren() const { return childRefs_.has_value(); }
    void forgetChildren();
    // Reads the children again and keeps the objects of those that stayed; answers
    // whether anything changed.
    bool updateChildren();
    // The entries as kept: an object's description, or Placeholder where none was made yet.
    QStringList childEntries() const;

    bool performAction(const QString& action);  // "AXPress", "AXPick", ...
    QVariant info() const { return info_; }
    void setInfo(const QVariant& info) { info_ = info; }

    // ---- menus -------------------------------------------------------------------------
    QString menuPath() { return menuPathWithPrefix(QString(), QStringLiteral("::"), QString()); }
    // Only for a titled "AXMenuItem": "" otherwise.
    QString menuPathWithPrefix(const QString& prefix, const QString& separator, const QString& suffix);
    // The menu item at a path of titles joined by "::" (a leading "::" ignored).
    Ptr menuItemAtPath(const QString& path);
    static QString normalizedTitleString(const QString& title);

    // Use the makers.
    enum class Kind { Element, Menu, SystemWide };
    AXObject(const atspi::Ref& element, Kind kind) : element_(element), kind_(kind) {}

private:
    // A child as read: an element, or the menu made for a menu-like item.
    struct ChildRef {
        atspi::Ref element;
        Kind kind = Kind::Element;
        bool operator==(const ChildRef& o) const { return element == o.element && kind == o.kind; }
    };
    static Ptr make(const ChildRef& r);
    atspi::Client& client() const { return atspi::Client::shared(); }
    std::optional<uint> atspiRole();
    atspi::Ref atspiParent();
    // The AT-SPI "menu" object that stands for an item and its menu at once.
    bool isMenuLikeItem();
    QString axRole();
    std::optional<QList<ChildRef>> readChildren();
    Ptr menuBar();
    Ptr focusedWindow();
    Ptr focusedElement();
    QVariant objectValue(const Ptr& p) const;

    atspi::Ref element_;
    Kind kind_;
    std::optional<uint> role_;
    std::optional<atspi::Ref> parent_;
    std::optional<QList<ChildRef>> childRefs_;  // empty when they could not be read
    QList<Ptr> children_;                       // null: not made yet
    QVariant info_;
};

Q_DECLARE_METATYPE(AXObject::Ptr)
Q_DECLARE_METATYPE(QList<AXObject::Ptr>)

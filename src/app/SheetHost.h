#pragma once
// The one road by which sheets come onto the palette: About, preferences, contact, the
// shape finder, character information and alerts. A sheet is a QDialog shown
// window-modal on the palette. The host
//   - shows the palette first when it is hidden and begins the sheet 0.01 s later,
//   - refuses a second sheet while one is attached,
//   - stops any fade (a palette with a sheet never stays faded out or transparent),
//     hides the magnifier and the tool tip and turns the table's sheet tracking on,
//   - tells the palette's keyboard when a sheet that takes it begins, shows a sheet that
//     came without a user action (an alert) without taking the keyboard until the user
//     points at it,
//   - and, when the sheet ends, turns tracking off, orders the sheet out, tells the
//     palette's keyboard and runs the sheet's end handler with the return code.
// Named sheets register an opener, so that the window controller's openSheet and the
// URL command "open" reach every sheet the same way. The host knows the palette as a
// SheetWindow (the window controller).

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <functional>

#include <QDialog>
class QWidget;

// The palette as its sheets need it.
class SheetWindow {
public:
    virtual ~SheetWindow() = default;
    // The palette window; sheets hang from it.
    virtual QWidget* sheetParent() const = 0;
    virtual bool isWindowVisible() const = 0;
    // Shows the hidden palette; it takes the keyboard only with `takesKeyboard`.
    virtual void appearForSheet(bool takesKeyboard) = 0;
    // Ends any fade at full alpha and hides the magnifier and the tool tip.
    virtual void clearForSheet() = 0;
    // The table tracks the mouse over the sheet while it is attached.
    virtual void setSheetTracking(QWidget* sheet, bool on) = 0;
    // A sheet began (one that takes the keyboard, or not) and ended.
    virtual void sheetBegan(bool takesKeyboard) = 0;
    virtual void sheetEnded() = 0;
    // The user points at a sheet that came by itself: it may have the keyboard now.
    virtual void sheetPointedAt(QWidget* sheet) = 0;
    // "log sheets"
    virtual bool logsSheets() const = 0;
};

class SheetHost : public QObject {
    Q_OBJECT
public:
    // Whether the palette takes the keyboard while the sheet is attached. The character
    // information leaves it a non-activating panel. An alert that came without a user
    // action waits: it takes the keyboard only once the user points at it.
    enum class Keyboard { Takes, Leaves, Waits };
    enum class Begin { Began, Deferred, Refused };
    using EndHandler = std::function<void(int returnCode)>;
    using Opener = std::function<void(const QVariantMap& options)>;

    explicit SheetHost(SheetWindow& palette, QObject* parent = nullptr);
    ~SheetHost() override;

    // Begins `sheet` on the palette. Refused (and logged as "<name> blocked" with
    // "log sheets") while another sheet is attached; deferred by 0.01 s when the palette
    // had to be shown first.
    Begin beginSheet(QDialog* sheet, const QString& name, EndHandler onEnd, Keyboard keyboard = Keyboard::Takes);
    // Ends the attached sheet with the return code (nothing when there is none).
    void endSheet(int returnCode);

    bool hasSheet() const { return attached_; }
    QDialog* attachedSheet() const { return sheet_.data(); }
    QString attachedSheetName() const { return hasSheet() ? name_ : QString(); }
    // Whether the attached sheet takes the keyboard.
    bool attachedSheetTakesKeyboard() const { return hasSheet() && keyboard_ == Keyboard::Takes; }

    // Named sheets ("about", "preferences", "contact", "shapeFinder", ...).
    void registerSheet(const QString& name, Opener opener);
    bool isRegistered(const QString& name) const { return openers_.contains(name); }
    QStringList registeredSheets() const { return openers_.keys(); }
    // Runs the opener of a named sheet; false when there is none.
    bool openNamedSheet(const QString& name, const QVariantMap& options = {});

signals:
    void sheetBegan(const QString& name);
    void sheetEnded(const QString& name, int returnCode);

private:
    // Ends the attachment. `sheet` is the dialog when it still is one, nullptr when it is
    // being destroyed (its QDialog part is gone by then and must not be touched).
    void finished(int returnCode, QDialog* sheet);
    bool eventFilter(QObject* watched, QEvent* event) override;
    SheetWindow& palette_;
    QPointer<QDialog> sheet_;
    QString name_;
    EndHandler onEnd_;
    Keyboard keyboard_ = Keyboard::Takes;
    bool attached_ = false;
    QMetaObject::Connection finishedConnection_;
    QMetaObject::Connection destroyedConnection_;
    QMap<QString, Opener> openers_;
};
